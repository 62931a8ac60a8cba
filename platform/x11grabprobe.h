// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether another X client holds the keyboard grab: every screen locker does while it shows,
// and so do password prompts that ask for secure input. Asked on Qt's own connection, so the
// grabs of Trundle's own menus and pop-ups (which Qt makes on that connection) are the same
// client's and do not count.
//
// The question is a keyboard grab on a window that is never mapped. The server answers
// "already grabbed" when another client holds the grab and checks that before it looks at the
// window, which is not viewable: the answer is "not viewable" otherwise, and nothing is ever
// grabbed. No focus change reaches the application in front; it cannot notice the question.

#include "sessionlock.h"

#include <memory>

namespace platform {

class X11GrabProbe : public SessionLock
{
    Q_OBJECT
public:
    // Null when Qt does not run on X11.
    static std::unique_ptr<X11GrabProbe> create();
    ~X11GrabProbe() override;

    // One round trip on Qt's connection.
    std::optional<QString> reasonToWithholdHotKeys() override;

private:
    struct Private;
    explicit X11GrabProbe(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace platform
