#pragma once

// Picks the backend the event monitors and the workspace run on: X11 when Qt runs on an X
// server we can reach, else nothing, said once in the process log. Both live until the
// application object is destroyed.

namespace platform {

class Workspace;
class X11Connection;

// The connection shared by the event monitors and the workspace, opened on first use; null
// when there is no usable X server or this build has no X11 support.
X11Connection *sharedX11Connection();

// Starts the raw key and button events; false (logged once) when they are unavailable.
bool startInputBackend();

// The real workspace: X11, or the null one.
Workspace *sharedWorkspaceBackend();

} // namespace platform
