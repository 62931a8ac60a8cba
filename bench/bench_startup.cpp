// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time and memory: starts the given program repeatedly on the current X display and
// measures the time from exec to its tray icon being docked and mapped in the system tray, and
// the resident memory one second after that. Prints the median and the spread.
//
//   bench_startup /path/to/trundle [runs]
//
// Needs a running X server with a window manager that has a system tray (see run-benchmarks).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

static bool isTrundleWindow(Display *display, Window window)
{
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return false;
    const bool match = hint.res_name && std::strcmp(hint.res_name, "trundle") == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return match;
}

static bool isSmall(Display *display, Window window)
{
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    return XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth) &&
           width <= 64 && height <= 64;
}

static int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

static long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Waits for the next X event up to the deadline; false on time-out.
static bool nextEvent(Display *display, XEvent *event, Clock::time_point deadline)
{
    while (!XPending(display)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, int(left.count()));
    }
    XNextEvent(display, event);
    return true;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_startup: no X display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);

    std::vector<double> startups;
    std::vector<long> residents;
    for (int run = 0; run < runs; ++run) {
        XSync(display, True);
        const auto start = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execl(argv[1], argv[1], static_cast<char *>(nullptr));
            _exit(127);
        }
        // The icon is created at the root, then reparented into the tray and mapped there.
        Window icon = 0;
        bool shown = false;
        const auto deadline = start + std::chrono::seconds(20);
        XEvent event;
        int reparents = 0;
        while (!shown && nextEvent(display, &event, deadline)) {
            if (event.type == ReparentNotify)
                ++reparents;
            if (event.type == ReparentNotify && event.xreparent.parent != root &&
                isTrundleWindow(display, event.xreparent.window) &&
                isSmall(display, event.xreparent.window)) {
                icon = event.xreparent.window;
                XSelectInput(display, icon, StructureNotifyMask);
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, icon, &attributes) &&
                    attributes.map_state != IsUnmapped)
                    shown = true;
            } else if (icon && event.type == MapNotify && event.xmap.window == icon) {
                shown = true;
            }
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!shown) {
            std::fprintf(
                stderr,
                "bench_startup: run %d: no tray icon within 20 s (%d reparents, icon 0x%lx)\n", run,
                reparents, icon);
        } else {
            startups.push_back(ms);
            usleep(1000 * 1000);
            residents.push_back(residentKilobytes(pid));
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (startups.empty())
        return 1;
    std::sort(startups.begin(), startups.end());
    std::sort(residents.begin(), residents.end());
    std::printf("startup (exec to tray icon shown): median %.1f ms, min %.1f ms, max %.1f ms "
                "over %zu runs\n",
                startups[startups.size() / 2], startups.front(), startups.back(), startups.size());
    std::printf("resident memory 1 s after start: median %.1f MB (max %.1f MB)\n",
                residents[residents.size() / 2] / 1024.0, residents.back() / 1024.0);
    std::printf("BENCH\tstart-up, exec to tray icon shown (median)\t%.1f ms\t< 150 ms\n",
                startups[startups.size() / 2]);
    std::printf("BENCH\tresident memory after start\t%.1f MB\t< 35 MB\n",
                residents[residents.size() / 2] / 1024.0);
    XCloseDisplay(display);
    return 0;
}
