#include "eventrouting.h"

#include <QApplication>
#include <QGuiApplication>

namespace platform {

OwnApplicationState currentOwnApplicationState()
{
    OwnApplicationState state;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return state;
    state.active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr)
        state.popupOpen = QApplication::activePopupWidget() != nullptr;
    return state;
}

} // namespace platform
