// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeynotice.h"

#include "inputbackend.h"
#include "notifier.h"
#include "resources.h"

#include <memory>

namespace platform {

namespace {
bool g_announced = false;

const InputBackend *orShared(const InputBackend *backend)
{
    return backend != nullptr ? backend : InputBackend::shared();
}
} // namespace

QString hotKeyStatusText(const InputBackend *backend)
{
    const InputBackend *input = orShared(backend);
    if (!input->settled())
        return localizedString(QStringLiteral("HotKeysPortalStarting"));
    if (!input->deliversReleases())
        return hotKeysUnavailableText(input);
    switch (input->source()) {
    case HotKeySource::X11:
        return localizedString(QStringLiteral("HotKeysThroughX11"));
    case HotKeySource::Portal:
        return localizedString(QStringLiteral("HotKeysThroughPortal"));
    case HotKeySource::InputDevices:
        return localizedString(QStringLiteral("HotKeysThroughInputDevices"));
    case HotKeySource::None:
        break;
    }
    return {};
}

QString hotKeysUnavailableText(const InputBackend *backend)
{
    const InputBackend *input = orShared(backend);
    if (!input->settled())
        return {};
    switch (input->obstacle()) {
    case HotKeyObstacle::None:
        return {};
    case HotKeyObstacle::WaylandSession:
        return localizedString(QStringLiteral("HotKeysUnavailableWayland"));
    case HotKeyObstacle::PortalRefused:
        return localizedString(QStringLiteral("HotKeysPortalRefused")).arg(input->obstacleReason());
    case HotKeyObstacle::QtNotOnX11:
    case HotKeyObstacle::NoDisplay:
    case HotKeyObstacle::NoX11Support:
    case HotKeyObstacle::X11Unavailable:
    case HotKeyObstacle::InputDevicesUnreadable:
        break;
    }
    return localizedString(QStringLiteral("HotKeysUnavailableElsewhere"))
        .arg(input->obstacleReason());
}

bool announceHotKeysUnavailableOnce()
{
    if (g_announced)
        return false;
    const QString text = hotKeysUnavailableText();
    if (text.isEmpty())
        return false;
    g_announced = true;
    Notifier::shared()->notify(localizedString(QStringLiteral("HotKeysUnavailableTitle")), text);
    return true;
}

void announceHotKeysUnavailableWhenKnown()
{
    InputBackend *input = InputBackend::shared();
    if (input->settled()) {
        announceHotKeysUnavailableOnce();
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(input, &InputBackend::statusChanged, input, [input, connection] {
        if (!input->settled())
            return;
        QObject::disconnect(*connection);
        announceHotKeysUnavailableOnce();
    });
}

void resetHotKeyNoticeForTesting()
{
    g_announced = false;
}

} // namespace platform
