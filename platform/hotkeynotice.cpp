#include "hotkeynotice.h"

#include "inputbackend.h"
#include "notifier.h"
#include "resources.h"

namespace platform {

namespace {
bool g_announced = false;
}

QString hotKeysUnavailableText()
{
    const InputBackend *input = InputBackend::shared();
    switch (input->obstacle()) {
    case HotKeyObstacle::None:
        return {};
    case HotKeyObstacle::WaylandSession:
        return localizedString(QStringLiteral("HotKeysUnavailableWayland"));
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

void resetHotKeyNoticeForTesting()
{
    g_announced = false;
}

} // namespace platform
