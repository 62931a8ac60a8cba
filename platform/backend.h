#pragma once

// Picks the backend the event monitors, the workspace and the session lock run on: X11 when Qt
// runs on an X server we can reach, else nothing, said once in the process log. All of them
// live until the application object is destroyed.

namespace platform {

class SessionLock;
class Workspace;
class X11Connection;

// The connection shared by the event monitors and the workspace, opened on first use; null
// when there is no usable X server or this build has no X11 support.
X11Connection *sharedX11Connection();

// Starts the raw key and button events; false (logged once) when they are unavailable.
bool startInputBackend();

// The real workspace: X11, or the null one.
Workspace *sharedWorkspaceBackend();

// The real session lock: logind and, on X11, the keyboard-grab question, combined; the null
// one without an application object. Started with the input backend, so that logind has
// answered before the first hot key.
SessionLock *sharedSessionLockBackend();

} // namespace platform
