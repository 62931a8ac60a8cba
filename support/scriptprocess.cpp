// SPDX-License-Identifier: GPL-3.0-or-later
#include "scriptprocess.h"

#include "filenamebytes.h"
#include "log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QList>
#include <QSocketNotifier>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reading stops after this much in one go, so that a script printing at full speed never keeps
// the event loop from the rest of its work.
constexpr qsizetype readChunk = qsizetype{64} * 1024;
constexpr qsizetype readBudgetPerWakeUp = qsizetype{1024} * 1024;
// What is still in the pipe when the shell has ended is read up to this much before the run is
// reported (a pipe holds at most 1 MiB unless its owner raised the limit); the rest belongs to a
// background process of the script.
constexpr qsizetype finalReadBudget = qsizetype{1024} * 1024;

int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    Q_UNUSED(pid)
    errno = ENOSYS;
    return -1;
#endif
}

bool s_pidFdsUsed = true;

// Whether this kernel has pidfds, asked once with the program's own process.
bool kernelHasPidFds()
{
    static const bool has = [] {
        const int fd = openPidFd(::getpid());
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }();
    return has;
}

// Where the kernel has no pidfd: SIGCHLD writes into a pipe that the event loop watches, and
// every running process then asks whether its own child has ended.
class ChildSignalWatcher
{
public:
    static ChildSignalWatcher &instance()
    {
        static ChildSignalWatcher watcher;
        return watcher;
    }
    bool watch(ScriptProcess *process, const std::function<void()> &check)
    {
        if (!m_notifier)
            return false;
        m_watched.append({process, check});
        return true;
    }
    void forget(ScriptProcess *process)
    {
        m_watched.removeIf([process](const Entry &entry) { return entry.process == process; });
    }

private:
    struct Entry
    {
        ScriptProcess *process;
        std::function<void()> check;
    };

    ChildSignalWatcher()
    {
        if (::pipe2(s_pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_notifier = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, [this] {
            std::array<char, 64> drained{};
            while (::read(s_pipe[0], drained.data(), drained.size()) > 0) {
            }
            const QList<Entry> watched = m_watched;
            for (const Entry &entry : watched)
                entry.check();
        });
        struct sigaction action = {};
        action.sa_sigaction = onChildSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_NOCLDSTOP | SA_SIGINFO;
        ::sigaction(SIGCHLD, &action, &s_previous);
    }

    static void onChildSignal(int signalNumber, siginfo_t *info, void *context)
    {
        const int savedErrno = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(s_pipe[1], &byte, 1);
        // Whoever watched SIGCHLD before goes on seeing it.
        if (s_previous.sa_flags & SA_SIGINFO) {
            if (s_previous.sa_sigaction)
                s_previous.sa_sigaction(signalNumber, info, context);
        } else if (s_previous.sa_handler != SIG_DFL && s_previous.sa_handler != SIG_IGN) {
            s_previous.sa_handler(signalNumber);
        }
        errno = savedErrno;
    }

    static inline std::array<int, 2> s_pipe = {-1, -1};
    static inline struct sigaction s_previous = {};
    QSocketNotifier *m_notifier = nullptr;
    QList<Entry> m_watched;
};

// Reads what background processes of a finished script still write into its output pipe, and
// drops it, for a while: a program the script started that prints a little now and then is not
// ended by SIGPIPE at once. After ScriptProcess::lingeringOutputMs or lingeringOutputBytes the
// pipe is closed, so that a process that prints without end costs no CPU, and one that holds the
// pipe for good no descriptor, however many runs leave one behind. One read per wake-up keeps
// the event loop free for the rest.
class LingeringOutputReader : public QObject
{
public:
    LingeringOutputReader(int fd, QObject *parent) : QObject(parent), m_fd(fd)
    {
        m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &LingeringOutputReader::readSome);
        QTimer::singleShot(ScriptProcess::lingeringOutputMs, this, &LingeringOutputReader::letGo);
    }
    ~LingeringOutputReader() override { ::close(m_fd); }

private:
    void readSome()
    {
        std::array<char, readChunk> buffer{};
        ssize_t n = -1;
        do
            n = ::read(m_fd, buffer.data(), buffer.size());
        while (n < 0 && errno == EINTR);
        if (n < 0 && errno == EAGAIN)
            return;
        if (n > 0)
            m_dropped += n;
        if (n <= 0 || m_dropped >= ScriptProcess::lingeringOutputBytes)
            letGo();
    }

    void letGo()
    {
        m_notifier->setEnabled(false);
        deleteLater();
    }

    int m_fd;
    qsizetype m_dropped = 0;
    QSocketNotifier *m_notifier = nullptr;
};

// /proc/<pid>/stat: "pid (comm) state ppid pgrp ..."; comm may hold blanks and parentheses.
bool readStateAndGroup(const char *pidText, char *state, pid_t *group)
{
    std::array<char, 96> path{};
    std::snprintf(path.data(), path.size(), "/proc/%s/stat", pidText);
    const int fd = ::open(path.data(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::array<char, 512> line{};
    const ssize_t n = ::read(fd, line.data(), line.size() - 1);
    ::close(fd);
    if (n <= 0)
        return false;
    const char *end = std::strrchr(line.data(), ')');
    if (!end)
        return false;
    int parent = 0;
    int groupId = 0;
    if (std::sscanf(end + 1, " %c %d %d", state, &parent, &groupId) != 3)
        return false;
    *group = pid_t(groupId);
    return true;
}

} // namespace

bool processGroupHasLiveMembers(pid_t group)
{
    if (group <= 0)
        return false;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return ::kill(-group, 0) == 0;
    bool alive = false;
    while (const dirent *entry = ::readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        char state = 0;
        pid_t memberGroup = 0;
        if (readStateAndGroup(entry->d_name, &state, &memberGroup) && memberGroup == group &&
            state != 'Z' && state != 'X') {
            alive = true;
            break;
        }
    }
    ::closedir(proc);
    return alive;
}

ScriptProcess::ScriptProcess(QObject *parent) : QObject(parent) {}

void ScriptProcess::prepareProgram()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGCHLD, &action, nullptr);
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    ::sigprocmask(SIG_UNBLOCK, &childSignal, nullptr);

    // O_CLOEXEC on every descriptor Trundle opens does not cover those it was given.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    DIR *descriptors = ::opendir("/proc/self/fd");
    if (!descriptors)
        return;
    const int own = ::dirfd(descriptors);
    while (const dirent *entry = ::readdir(descriptors)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0' && fd > 2 && fd != own)
            ::fcntl(int(fd), F_SETFD, ::fcntl(int(fd), F_GETFD) | FD_CLOEXEC);
    }
    ::closedir(descriptors);
}

void ScriptProcess::setPidFdsUsed(bool used)
{
    s_pidFdsUsed = used;
}

ScriptProcess::~ScriptProcess()
{
    ChildSignalWatcher::instance().forget(this);
    if (m_pid > 0 && !m_reaped) {
        // The zombie of an ended shell still holds the group's number, so this reaches only
        // what the script left behind.
        signalGroup(SIGKILL);
        reap();
    }
    closeOutputPipe();
    if (m_pidFd >= 0)
        ::close(m_pidFd);
}

bool ScriptProcess::start(const QString &commandLine, QString *whyNot)
{
    QString reason;
    if (!whyNot)
        whyNot = &reason;
    if (m_state != State::NotStarted) {
        *whyNot = QStringLiteral("a process runs one command line only");
        return false;
    }
    if (commandLine.contains(QChar(u'\0'))) {
        *whyNot = QStringLiteral("the command line holds a NUL character");
        return false;
    }
    // Paths in the line may hold bytes that are not UTF-8; the shell gets them as they are.
    QByteArray line = fileNameBytes(commandLine);

    std::array<int, 2> pipeFds = {-1, -1};
    if (::pipe2(pipeFds.data(), O_CLOEXEC) != 0) {
        *whyNot = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::fcntl(pipeFds[0], F_SETFL, ::fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Every signal comes back to its default in the shell, whatever Trundle or its parent set,
    // and none is blocked there. The session is the shell's own: no controlling terminal, and
    // its process group is the shell's number.
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigmask(&attributes, &noneBlocked);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);

    // Without pidfds the end is seen through SIGCHLD, whose handler must be in place before the
    // shell can end.
    const bool pidFds = s_pidFdsUsed && kernelHasPidFds();
    if (!pidFds)
        ChildSignalWatcher::instance();

    std::array<char, 3> shell = {'s', 'h', '\0'};
    std::array<char, 3> option = {'-', 'c', '\0'};
    std::array<char *, 4> arguments = {shell.data(), option.data(), line.data(), nullptr};
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, "/bin/sh", &actions, &attributes, arguments.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        *whyNot = QStringLiteral("/bin/sh could not be started: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(spawned)));
        return false;
    }

    m_pid = pid;
    m_reaped = false;
    m_state = State::Running;
    m_outputFd = pipeFds[0];
    m_outputNotifier = new QSocketNotifier(m_outputFd, QSocketNotifier::Read, this);
    connect(m_outputNotifier, &QSocketNotifier::activated, this, &ScriptProcess::readOutput);

    m_pidFd = pidFds ? openPidFd(pid) : -1;
    if (m_pidFd >= 0) {
        m_endNotifier = new QSocketNotifier(m_pidFd, QSocketNotifier::Read, this);
        connect(m_endNotifier, &QSocketNotifier::activated, this,
                &ScriptProcess::childMayHaveEnded);
    } else if (!ChildSignalWatcher::instance().watch(this, [this] { childMayHaveEnded(); })) {
        processLog("Cannot watch for the end of %@; it is stopped.", commandLine);
        stop();
    }
    // A shell that ended and was reaped by someone else before its pidfd could be opened
    // leaves nothing to watch, so look once when control is back in the event loop. A shell
    // that ended but is still ours is reported by the notifiers as well.
    QMetaObject::invokeMethod(
        this, [this] { childMayHaveEnded(); }, Qt::QueuedConnection);
    return true;
}

void ScriptProcess::readOutput()
{
    const qint64 before = m_output.totalBytes();
    readAvailableOutput(readBudgetPerWakeUp);
    if (m_output.totalBytes() != before)
        emit outputArrived();
}

void ScriptProcess::readAvailableOutput(qsizetype budget)
{
    std::array<char, readChunk> buffer{};
    while (m_outputFd >= 0 && budget > 0) {
        const ssize_t n = ::read(m_outputFd, buffer.data(), buffer.size());
        if (n > 0) {
            m_output.append(buffer.data(), qsizetype(n));
            budget -= n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            // End of output: every writer has closed the pipe.
            closeOutputPipe();
        }
    }
}

ScriptProcess::ExitState ScriptProcess::collectExitStatus()
{
    if (m_reaped)
        return ExitState::Lost;
    siginfo_t info = {};
    // WNOWAIT: the shell stays a zombie until it is reaped, so its number, the group's, cannot
    // be handed to another process while the group may still be signalled.
    if (::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno != ECHILD)
            return ExitState::Running;
        // Reaped by someone else: the number may already be another process's.
        m_reaped = true;
        m_exitStatusLost = true;
        return ExitState::Lost;
    }
    if (info.si_pid == 0)
        return ExitState::Running;
    if (info.si_code == CLD_EXITED)
        m_waitStatus = (info.si_status & 0xFF) << 8;
    else
        m_waitStatus = (info.si_status & 0x7F) | (info.si_code == CLD_DUMPED ? 0x80 : 0);
    return ExitState::Ended;
}

bool ScriptProcess::signalGroup(int signalNumber)
{
    if (m_pid <= 0 || m_reaped)
        return false;
    siginfo_t info = {};
    if (::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
        if (errno == ECHILD) {
            m_reaped = true;
            m_exitStatusLost = m_waitStatus < 0;
        }
        QZLog("Process group %d is no longer known to be the script's: not signalled.", int(m_pid));
        return false;
    }
    return ::kill(-m_pid, signalNumber) == 0;
}

void ScriptProcess::childMayHaveEnded()
{
    if (m_state != State::Running)
        return;
    const ExitState state = collectExitStatus();
    if (state == ExitState::Running)
        return;
    if (state == ExitState::Lost)
        processLog("The shell %d has ended, but its status was collected elsewhere.", int(m_pid));
    finish();
}

void ScriptProcess::finish()
{
    m_state = State::Ended;
    if (m_endNotifier)
        m_endNotifier->setEnabled(false);
    ChildSignalWatcher::instance().forget(this);

    // What the script wrote before it ended is in the pipe now.
    readAvailableOutput(finalReadBudget);
    if (m_outputFd >= 0) {
        // A process the script left running still holds the pipe.
        const int fd = std::exchange(m_outputFd, -1);
        closeOutputPipe();
        new LingeringOutputReader(fd, QCoreApplication::instance());
    }
    if (!m_stopRequested || m_killDone)
        reap();
    emit finished();
}

void ScriptProcess::stop()
{
    if (m_state != State::Running || m_stopRequested)
        return;
    m_stopRequested = true;
    QZLog("Stopping process group %d.", int(m_pid));
    signalGroup(SIGTERM);
    QTimer::singleShot(terminationGraceMs, this, &ScriptProcess::killLeftoversAndReap);
}

void ScriptProcess::killLeftoversAndReap()
{
    if (m_killDone)
        return;
    m_killDone = true;
    if (!m_reaped && processGroupHasLiveMembers(m_pid) && signalGroup(SIGKILL))
        QZLog("Process group %d outlived its grace period: killed.", int(m_pid));
    // A shell that ignored SIGTERM ends now; its notifier reports it and reaps it.
    if (m_state == State::Ended) {
        reap();
        if (m_deleteWhenDone)
            deleteLater();
    }
}

void ScriptProcess::deleteWhenDone()
{
    if (m_stopRequested && !m_killDone && m_state != State::NotStarted) {
        m_deleteWhenDone = true;
        return;
    }
    deleteLater();
}

void ScriptProcess::stopAndWait()
{
    if (m_state == State::NotStarted)
        return;
    if (m_state == State::Running && !m_stopRequested) {
        m_stopRequested = true;
        QZLog("Stopping process group %d.", int(m_pid));
        signalGroup(SIGTERM);
    }
    if (!m_reaped) {
        QDeadlineTimer deadline(terminationGraceMs);
        // The shell first, through its pidfd where there is one; then what it started.
        while (m_state == State::Running && !deadline.hasExpired()) {
            if (collectExitStatus() != ExitState::Running) {
                finish();
                break;
            }
            pollfd end = {m_pidFd, POLLIN, 0};
            if (m_pidFd >= 0)
                ::poll(&end, 1, int(qMin<qint64>(deadline.remainingTime(), 50)));
            else
                ::usleep(20 * 1000);
        }
        while (!m_reaped && processGroupHasLiveMembers(m_pid) && !deadline.hasExpired())
            ::usleep(20 * 1000);
        m_killDone = true;
        if ((processGroupHasLiveMembers(m_pid) || m_state == State::Running) &&
            signalGroup(SIGKILL))
            QZLog("Process group %d outlived its grace period: killed.", int(m_pid));
        if (m_state == State::Running) {
            // SIGKILL cannot be ignored: the shell ends at once, unless someone else reaps it.
            siginfo_t info = {};
            if (!m_reaped)
                ::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOWAIT);
            collectExitStatus();
            finish();
        }
        reap();
    }
}

void ScriptProcess::reap()
{
    if (m_reaped || m_pid <= 0)
        return;
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
}

void ScriptProcess::closeOutputPipe()
{
    // Called from the notifier's own signal too: it goes once that has returned.
    if (m_outputNotifier) {
        m_outputNotifier->setEnabled(false);
        m_outputNotifier->deleteLater();
        m_outputNotifier = nullptr;
    }
    if (m_outputFd >= 0) {
        ::close(m_outputFd);
        m_outputFd = -1;
    }
}
