// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into every program of the sanitizer test runs: dlclose does nothing, so a library
// stays mapped until the process ends. LeakSanitizer checks at exit and names each frame's
// library from what is mapped then: the frames of a library unloaded before (Mesa's DRI driver,
// which libEGL unloads when Qt's Wayland plugin ends its EGL display) would print as
// "<unknown module>", which no suppression can match. Built without sanitizers and without the
// C library, so that it can be preloaded into programs that are not instrumented too.

extern "C" {
int dlclose(void *handle);
int dlclose(void * /*handle*/)
{
    return 0;
}
}
