// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Picks the backends the event monitors, the workspace and the session lock run on: X11 when Qt
// runs on an X server we can reach (for input only in an X11 session, see inputbackend.h),
// else the null ones, said once in the process log. All of them live until the application
// object is destroyed.

namespace platform {

class InputBackend;
class SessionLock;
class Workspace;
class X11Connection;

// The connection shared by the event monitors and the workspace, opened on first use; null
// when there is no usable X server or this build has no X11 support.
X11Connection *sharedX11Connection();

// The real input backend, chosen by chooseInputBackend() (sessiontype.h) and started on first
// use; when it delivers nothing, that is said once in the process log with the reason.
InputBackend *sharedInputBackend();
// Starts the shared input backend (InputBackend::shared()); whether it delivers releases.
bool startInputBackend();

// The real workspace: X11, or the null one.
Workspace *sharedWorkspaceBackend();

// The real session lock: logind and, on X11, the keyboard-grab question, combined; the null
// one without an application object. Started with the input backend, so that logind has
// answered before the first hot key.
SessionLock *sharedSessionLockBackend();

} // namespace platform
