// SPDX-License-Identifier: GPL-3.0-or-later
#include "hotkeynotice.h"

#include "inputbackend.h"
#include "notifier.h"
#include "resources.h"

#include <QStringList>

#include <memory>

namespace platform {

namespace {
bool g_announced = false;

const InputBackend *orShared(const InputBackend *backend)
{
    return backend != nullptr ? backend : InputBackend::shared();
}
} // namespace

namespace {
QString backendStatusText(const InputBackend *input)
{
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
} // namespace

QString hotKeyStatusText(const InputBackend *backend)
{
    const InputBackend *input = orShared(backend);
    QStringList lines{backendStatusText(input)};
    const HotKeyStatuses statuses = input->keyStatuses();
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it)
        lines.append(keyStatusText(it.key(), it.value()));
    lines.removeAll(QString());
    return lines.join(QLatin1Char('\n'));
}

QString keyStatusText(int number, const HotKeyStatus &status)
{
    switch (status.state) {
    case HotKeyStatus::State::Asking:
        return localizedString(QStringLiteral("HotKeyAsking")).arg(number);
    case HotKeyStatus::State::NotArmed:
        return localizedString(QStringLiteral("HotKeyNotArmed")).arg(number).arg(status.reason);
    case HotKeyStatus::State::Armed:
        break;
    }
    switch (status.source) {
    case HotKeySource::X11:
        return localizedString(QStringLiteral("HotKeyArmedThroughX11")).arg(number);
    case HotKeySource::Portal:
        return localizedString(QStringLiteral("HotKeyArmedThroughPortal"))
            .arg(number)
            .arg(status.trigger);
    case HotKeySource::InputDevices:
        return localizedString(QStringLiteral("HotKeyArmedThroughInputDevices")).arg(number);
    case HotKeySource::None:
        break;
    }
    return {};
}

QString keyStatusText(int number, const InputBackend *backend)
{
    const HotKeyStatuses statuses = orShared(backend)->keyStatuses();
    const auto status = statuses.constFind(number);
    return status == statuses.cend() ? QString() : keyStatusText(number, *status);
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
