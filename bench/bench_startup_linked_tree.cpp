// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with a big tree linked into the script folder: each run makes a throw-away home whose
// ~/Library/Scripts holds a link to /usr (some 171,000 entries on a desktop machine), turns debug
// logging on, starts the given program on the current display and measures the time from exec
// to its "Started up!" line, then its peak and current resident memory (VmHWM, VmRSS) one
// second later. Prints the medians.
//
//   bench_startup_linked_tree /path/to/trundle [runs]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char *const settings = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>PreferencesGlobals</key>
	<dict>
		<key>PreferencesDebugLoggingSettingKey</key><true/>
	</dict>
</dict>
</plist>
)";

long statusKilobytes(pid_t pid, const std::string &field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A throw-away home with /usr linked into the script folder and debug logging on.
fs::path makeHome()
{
    char pattern[] = "/tmp/trundle-bench-linked.XXXXXX";
    const char *made = mkdtemp(pattern);
    if (!made) {
        std::perror("bench_startup_linked_tree: mkdtemp");
        std::exit(1);
    }
    fs::path home = made;
    fs::create_directories(home / "Library/Scripts/Trundle Scripts");
    fs::create_directory_symlink("/usr", home / "Library/Scripts/usr");
    fs::create_directories(home / ".config/Trundle");
    std::ofstream(home / ".config/Trundle/Trundle.plist") << settings;
    fs::create_directory(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    return home;
}

struct Run
{
    double startedUpMs = -1;
    long peakKilobytes = -1;
    long residentKilobytes = -1;
};

// Reads what the program writes until the deadline; notes when "Started up!" comes.
void drain(int fd, Clock::time_point start, Clock::time_point deadline, std::string &pending,
           Run &run)
{
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd poller{fd, POLLIN, 0};
        if (poll(&poller, 1, int(left.count())) <= 0)
            continue;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return;
        pending.append(buffer, size_t(got));
        if (run.startedUpMs < 0 && pending.find("Started up!") != std::string::npos) {
            run.startedUpMs =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            return;
        }
        // Keep only a tail long enough to hold a line cut between two reads.
        if (pending.size() > 4096)
            pending.erase(0, pending.size() - 4096);
    }
}

Run runOnce(const char *program)
{
    const fs::path home = makeHome();
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        std::exit(1);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        dup2(pipeEnds[1], STDERR_FILENO);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    Run run;
    std::string pending;
    drain(pipeEnds[0], start, start + std::chrono::seconds(60), pending, run);
    if (run.startedUpMs >= 0) {
        // Memory once start-up has settled; the log is read meanwhile so the program never
        // waits for the pipe.
        drain(pipeEnds[0], start, Clock::now() + std::chrono::seconds(1), pending, run);
        run.peakKilobytes = statusKilobytes(pid, "VmHWM");
        run.residentKilobytes = statusKilobytes(pid, "VmRSS");
    }
    kill(pid, SIGTERM);
    drain(pipeEnds[0], start, Clock::now() + std::chrono::seconds(5), pending, run);
    waitpid(pid, nullptr, 0);
    close(pipeEnds[0]);
    fs::remove(home / "Library/Scripts/usr"); // the link only, never what it leads to
    fs::remove_all(home);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::vector<double> times, peaks, residents;
    for (int i = 0; i < runs; ++i) {
        const Run run = runOnce(argv[1]);
        if (run.startedUpMs < 0) {
            std::fprintf(stderr, "bench_startup_linked_tree: run %d: no \"Started up!\" in 60 s\n",
                         i);
            continue;
        }
        times.push_back(run.startedUpMs);
        peaks.push_back(double(run.peakKilobytes) / 1024.0);
        residents.push_back(double(run.residentKilobytes) / 1024.0);
    }
    if (times.empty())
        return 1;
    std::printf("with /usr linked into the script folder: exec to \"Started up!\" median %.1f ms "
                "(min %.1f, max %.1f, %zu runs); peak resident (VmHWM) median %.1f MB (max "
                "%.1f), resident 1 s later (VmRSS) median %.1f MB\n",
                median(times), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), times.size(), median(peaks),
                *std::max_element(peaks.begin(), peaks.end()), median(residents));
    std::printf("BENCH\t/usr linked in: exec to \"Started up!\" (median)\t%.1f ms\t<= 1500 ms\n",
                median(times));
    std::printf("BENCH\t/usr linked in: peak resident memory (VmHWM, median)\t%.1f MB\t<= 60 MB\n",
                median(peaks));
    return 0;
}
