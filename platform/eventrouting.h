// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether a release goes to Trundle itself (local monitors) or to another application (global
// monitors). Decided from Qt's own view of the application, with no X round trip: the event
// stream is every key and button release of the desktop, so the decision must cost nothing.

namespace platform {

struct OwnApplicationState
{
    bool active = false;    // one of Trundle's windows is the active window
    bool popupOpen = false; // one of Trundle's pop-ups (a menu) holds the keyboard and pointer
};

// A release goes to Trundle while it has the focus, or while one of its menus holds the grab
// (the tray menu is open although another application is active). An open modal dialog does not
// count by itself: while the user works in another application, the releases go there.
constexpr bool isForOwnApplication(const OwnApplicationState &state)
{
    return state.active || state.popupOpen;
}

// The state as Qt knows it now; all false without a GUI application object. Qt's focus window,
// not its application state: the latter stays "active" after the active window is hidden.
OwnApplicationState currentOwnApplicationState();

} // namespace platform
