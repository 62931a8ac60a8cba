#pragma once

// Input for tests: releases handed to the installed event monitors exactly as the X11 backend
// hands them over, plus the events that typical keys and buttons produce.

#include "inputevent.h"

namespace platform {

// Delivers event to the local monitors when toOwnApplication, else to the global ones.
void injectEventForTesting(const InputEvent &event, bool toOwnApplication);

// The release of F<number> (1 to 35) as the X11 backend reports it.
InputEvent functionKeyReleaseForTesting(int number, quint64 modifierFlags = 0);
// The release of a key that types text (no keysym lookup: the text is taken as it is).
InputEvent textKeyReleaseForTesting(const QString &text, quint64 modifierFlags = 0);
// The release of the button with the program's number (0 left, 1 right, 2 and up others).
InputEvent buttonReleaseForTesting(qint64 buttonNumber, quint64 modifierFlags = 0);

} // namespace platform
