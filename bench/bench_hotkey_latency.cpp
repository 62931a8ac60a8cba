// SPDX-License-Identifier: GPL-3.0-or-later
// Hot-key latency: the time from a key release sent through XTEST to the first instruction of
// the script bound to that key, for Trundle and, as the references, for sxhkd and xbindkeys.
// Prints the median and 90th percentile of each and the ratios Trundle / reference.
//
//   bench_hotkey_latency [RELEASES] [TRUNDLE]
//
// Needs a running X server with a window manager (see run-benchmarks), and sxhkd or xbindkeys
// (or both) on PATH; a reference that is not installed is left out.
//
// What is measured. The bound script is "#!/bin/sh" followed by one command that opens a FIFO
// this program holds open for reading. The moment the script's shell opens the FIFO is the
// moment its first instruction runs; poll() wakes on it and the monotonic clock is read. Both
// launchers start the same script file through /bin/sh, so starting the script's own shell
// costs both the same, and what differs is everything before it: noticing the release,
// deciding what it means, and starting the command. The clock starts just before the release
// is handed to Xlib; the press went out, and was handled, 20 ms earlier.
//
// Fairness. All launchers run side by side for the whole measurement, Trundle with the script
// on F5, xbindkeys with the same script on the release of F6 and sxhkd on the release of F7, and
// the releases take turns between the keys (which one goes first moves on every round), so a
// busy moment of the machine hits all alike. One run at a time: each release waits until the
// previous run has ended and the launcher has settled, so no run queues behind another. Trundle
// also sees the references' releases (every release of the desktop reaches it) and looks them up
// for nothing; that small cost lands on Trundle's side, never on a reference's.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef TRUNDLE_PROGRAM
#define TRUNDLE_PROGRAM "trundle"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Pause after each run, so Trundle has removed its capture file and hidden its panel (and
// xbindkeys has reaped its child) before the next release.
constexpr auto settleTime = std::chrono::milliseconds(150);
// Between the press and the timed release.
constexpr auto pressTime = std::chrono::milliseconds(20);
// How long one release may take to reach the script before it counts as lost.
constexpr auto releaseTimeout = std::chrono::seconds(5);
// How long a launcher may take to start answering its key at all.
constexpr auto startTimeout = std::chrono::seconds(30);

void sleepFor(Clock::duration duration)
{
    const auto until = Clock::now() + duration;
    for (auto now = Clock::now(); now < until; now = Clock::now())
        usleep(useconds_t(
            std::chrono::duration_cast<std::chrono::microseconds>(until - now).count() + 1));
}

// One launcher under test: its key, the FIFO its script opens, and what was measured.
struct Launcher
{
    const char *name = "";
    KeySym keysym = 0;
    KeyCode key = 0;
    std::string fifoPath;
    std::string script;
    int fifo = -1;
    int keepWriter = -1;
    pid_t pid = -1;
    std::vector<double> times;
    size_t lost = 0;
};

// Creates the FIFO and the script that opens it. The FIFO is opened for reading without
// blocking and kept open, so the script never waits for a reader; a writer of our own stays
// open too, because without one poll() reports a hang-up from the moment the first script
// closes its end.
bool prepare(Launcher &launcher, const std::string &folder, Display *display)
{
    launcher.key = XKeysymToKeycode(display, launcher.keysym);
    launcher.fifoPath = folder + "/" + launcher.name + ".fifo";
    launcher.script = folder + "/" + launcher.name + "-latency.sh";
    if (launcher.key == 0 || mkfifo(launcher.fifoPath.c_str(), 0600) != 0)
        return false;
    launcher.fifo = open(launcher.fifoPath.c_str(), O_RDONLY | O_NONBLOCK);
    launcher.keepWriter = open(launcher.fifoPath.c_str(), O_WRONLY | O_NONBLOCK);
    std::ofstream out(launcher.script, std::ios::trunc);
    out << "#!/bin/sh\necho >" << launcher.fifoPath << "\n";
    out.close();
    return launcher.fifo >= 0 && launcher.keepWriter >= 0 && out.good() &&
           chmod(launcher.script.c_str(), 0700) == 0;
}

void drain(const Launcher &launcher)
{
    char buffer[256];
    while (read(launcher.fifo, buffer, sizeof buffer) > 0) {
    }
}

// Waits until the launcher's script writes into its FIFO; false at the deadline.
bool waitForScript(const Launcher &launcher, Clock::time_point deadline)
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0)
            return false;
        pollfd fd{launcher.fifo, POLLIN, 0};
        const int ready = poll(&fd, 1, int(left.count()) + 1);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

void pressKey(Display *display, KeyCode key)
{
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XSync(display, False);
}

void releaseKey(Display *display, KeyCode key)
{
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XFlush(display);
}

// One press and release of the launcher's key; records the time to its script's first
// instruction, or a loss.
void measureOnce(Display *display, Launcher &launcher)
{
    drain(launcher);
    pressKey(display, launcher.key);
    sleepFor(pressTime);
    const auto start = Clock::now();
    releaseKey(display, launcher.key);
    const bool ran = waitForScript(launcher, start + releaseTimeout);
    const auto end = Clock::now();
    if (ran)
        launcher.times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    else
        ++launcher.lost;
    sleepFor(settleTime);
}

// Releases the key every few hundred milliseconds until the launcher answers; then lets the
// extra runs of the warm-up end.
bool waitUntilAnswering(Display *display, const Launcher &launcher)
{
    const auto deadline = Clock::now() + startTimeout;
    bool answered = false;
    while (!answered && Clock::now() < deadline) {
        drain(launcher);
        pressKey(display, launcher.key);
        releaseKey(display, launcher.key);
        answered = waitForScript(launcher, Clock::now() + std::chrono::milliseconds(300));
    }
    return answered;
}

bool programOnPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

pid_t startProgram(const std::vector<std::string> &arguments, const std::string &logPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            close(log);
        }
        std::vector<char *> argv;
        argv.reserve(arguments.size() + 1);
        for (const std::string &argument : arguments)
            argv.push_back(const_cast<char *>(argument.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stopProgram(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

struct Figures
{
    double median = 0;
    double p90 = 0;
};

std::optional<Figures> report(Launcher &launcher)
{
    std::vector<double> &times = launcher.times;
    if (times.empty())
        return std::nullopt;
    std::sort(times.begin(), times.end());
    Figures figures;
    figures.median = times[times.size() / 2];
    figures.p90 = times[std::min(times.size() - 1, (times.size() * 9) / 10)];
    std::printf("hot-key latency, %-9s release to the script's first instruction: median %.2f ms, "
                "p90 %.2f ms (min %.2f, max %.2f, %zu releases, %zu lost)\n",
                launcher.name, figures.median, figures.p90, times.front(), times.back(),
                times.size(), launcher.lost);
    return figures;
}

bool writeFile(const std::string &path, const std::string &contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    out.close();
    return out.good();
}

std::string xmlEscaped(const std::string &text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

// The settings Trundle starts with: debug logging off, F5 bound to its script.
bool writeTrundleSettings(const std::string &configHome, const std::string &script)
{
    const std::string folder = configHome + "/Trundle";
    std::filesystem::create_directories(folder);
    return writeFile(folder + "/Trundle.plist",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\"><dict><key>PreferencesGlobals</key><dict>\n"
                     "<key>PreferencesDebugLoggingSettingKey</key><false/>\n"
                     "<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict>"
                     "<key>5</key><string>" +
                         xmlEscaped(script) + "</string></dict>\n</dict></dict></plist>\n");
}

} // namespace

int main(int argc, char **argv)
{
    const int releases = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const std::string trundle = argc > 2 ? argv[2] : TRUNDLE_PROGRAM;

    const bool haveXbindkeys = programOnPath("xbindkeys");
    const bool haveSxhkd = programOnPath("sxhkd");
    if (!haveXbindkeys && !haveSxhkd) {
        // Skipped rather than failed, so the other benchmarks of a run still print theirs.
        std::printf("hot-key latency: skipped, neither reference is installed (Debian packages "
                    "sxhkd, xbindkeys)\n");
        return 0;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_hotkey_latency: no X display\n");
        return 1;
    }
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "bench_hotkey_latency: the X server has no XTEST extension\n");
        return 1;
    }

    // A home of our own for all launchers: Trundle's settings, lock and capture files, and the
    // references' configurations never touch the user's.
    char folderTemplate[] = "/tmp/trundle-bench-hotkey.XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::perror("bench_hotkey_latency: mkdtemp");
        return 1;
    }
    const std::string folder = folderTemplate;
    const std::string home = folder + "/home";
    const std::string runtime = folder + "/run";
    std::filesystem::create_directories(home + "/Library/Scripts");
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    // sxhkd starts commands through $SHELL; the others through /bin/sh.
    setenv("SXHKD_SHELL", "/bin/sh", 1);
    unsetenv("SESSION_MANAGER");

    std::vector<Launcher> launchers(1);
    launchers[0].name = "Trundle";
    launchers[0].keysym = XK_F5;
    if (haveSxhkd) {
        launchers.emplace_back();
        launchers.back().name = "sxhkd";
        launchers.back().keysym = XK_F7;
    }
    if (haveXbindkeys) {
        launchers.emplace_back();
        launchers.back().name = "xbindkeys";
        launchers.back().keysym = XK_F6;
    }
    Launcher &ours = launchers[0];
    bool prepared = true;
    for (Launcher &launcher : launchers)
        prepared = prepared && prepare(launcher, folder, display);
    if (!prepared || !writeTrundleSettings(folder + "/config", ours.script)) {
        std::fprintf(stderr, "bench_hotkey_latency: cannot prepare %s\n", folder.c_str());
        return 1;
    }
    for (Launcher &launcher : launchers) {
        const std::string name = launcher.name;
        std::string log = folder;
        log += "/" + name + ".log";
        bool written = true;
        if (name == "Trundle") {
            launcher.pid = startProgram({trundle}, log);
        } else if (name == "sxhkd") {
            written = writeFile(folder + "/sxhkdrc", "@F7\n    " + launcher.script + "\n");
            launcher.pid = startProgram({"sxhkd", "-c", folder + "/sxhkdrc"}, log);
        } else {
            written =
                writeFile(folder + "/xbindkeysrc", "\"" + launcher.script + "\"\n  F6 + Release\n");
            launcher.pid =
                startProgram({"xbindkeys", "--nodaemon", "--file", folder + "/xbindkeysrc"}, log);
        }
        if (!written) {
            std::fprintf(stderr, "bench_hotkey_latency: cannot configure %s\n", launcher.name);
            return 1;
        }
    }
    int status = 0;
    bool answering = true;
    for (const Launcher &launcher : launchers)
        answering = answering && waitUntilAnswering(display, launcher);
    if (!answering) {
        std::fprintf(stderr,
                     "bench_hotkey_latency: a launcher did not run its script within "
                     "%lld s (logs in %s)\n",
                     static_cast<long long>(startTimeout.count()), folder.c_str());
        status = 1;
    } else {
        // The warm-up's extra runs end before the first timed release.
        sleepFor(std::chrono::seconds(1));
        for (int round = 0; round < releases; ++round) {
            for (size_t turn = 0; turn < launchers.size(); ++turn)
                measureOnce(display, launchers[(size_t(round) + turn) % launchers.size()]);
        }
        std::vector<std::optional<Figures>> figures;
        figures.reserve(launchers.size());
        for (Launcher &launcher : launchers)
            figures.push_back(report(launcher));
        if (std::all_of(figures.begin(), figures.end(), [](const auto &f) { return bool(f); })) {
            const Figures &a = *figures[0];
            for (size_t i = 1; i < launchers.size(); ++i) {
                const Figures &b = *figures[i];
                std::printf("hot-key latency ratio Trundle / %s: median %.2f, p90 %.2f "
                            "(target: median at most 1.00)\n",
                            launchers[i].name, a.median / b.median, a.p90 / b.p90);
                std::printf("BENCH\thot-key latency ratio Trundle / %s (median)\t%.2f\t<= 1.00\n",
                            launchers[i].name, a.median / b.median);
            }
            std::printf("BENCH\thot-key latency, release to script (median / p90)\t%.1f / %.1f "
                        "ms\t",
                        a.median, a.p90);
            for (size_t i = 1; i < launchers.size(); ++i)
                std::printf("%s%s: %.1f / %.1f ms", i > 1 ? ", " : "", launchers[i].name,
                            figures[i]->median, figures[i]->p90);
            std::printf("\n");
        } else {
            std::fprintf(stderr, "bench_hotkey_latency: no figures (logs in %s)\n", folder.c_str());
            status = 1;
        }
    }
    for (const Launcher &launcher : launchers) {
        stopProgram(launcher.pid);
        close(launcher.fifo);
        close(launcher.keepWriter);
    }
    XCloseDisplay(display);
    if (status == 0)
        std::filesystem::remove_all(folder);
    return status;
}
