// SPDX-License-Identifier: GPL-3.0-or-later
#include "eventrouting.h"

#include <QApplication>
#include <QGuiApplication>

namespace platform {

OwnApplicationState currentOwnApplicationState()
{
    OwnApplicationState state;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return state;
    state.active = QGuiApplication::focusWindow() != nullptr;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr)
        state.popupOpen = QApplication::activePopupWidget() != nullptr;
    return state;
}

} // namespace platform
