// Running a script from FileBrowserDataSource: the progress panel, bringing the application in
// front back to the front, the command itself and its output in the log; and the double-click
// path that leads there.

#include "filebrowserdatasource.h"

#include "filesystemitem.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "shell.h"
#include "workspace.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>

namespace {

// How long the panel may take to reach the screen before the run goes on without it.
constexpr int panelExposeTimeoutMs = 500;

// While the panel is brought to the screen, the window system's map, expose and paint events are
// handled, but no input and no socket notifier (the hot-key monitor), so that nothing can act on
// the blocked window; a timer that starts a run meanwhile finds runScript busy (see there).
constexpr QEventLoop::ProcessEventsFlags paintOnly =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;

// Ends a local event loop as soon as a window has been exposed.
class ExposeWatcher : public QObject
{
public:
    ExposeWatcher(QWindow *window, QEventLoop *loop) : m_window(window), m_loop(loop)
    {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose)
            QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        return false;
    }

private:
    QWindow *m_window;
    QEventLoop *m_loop;
};

} // namespace

void FileBrowserDataSource::runScript(const QString &path)
{
    if (m_running) {
        // A run is in progress further up this call stack (a timer fired while the panel was
        // being shown). The second run waits for the first, in order, as an event queued behind
        // the first run would.
        processLog("A script is running; %@ will run after it.", path);
        m_pendingRuns.append(path);
        return;
    }
    m_running = true;
    watchOutlets();
    runScriptNow(path);
    while (!m_pendingRuns.isEmpty())
        runScriptNow(m_pendingRuns.takeFirst());
    m_running = false;
}

bool FileBrowserDataSource::showProgressPanel()
{
    QDialog *panel = _fileBrowserProgressPanel;
    // A sheet belongs to its window: with the browser window closed or minimized there is
    // nothing to show it on, and a hot-key run goes without it.
    if (!panel || !_fileBrowserWindow || !_fileBrowserWindow->isVisible() ||
        _fileBrowserWindow->isMinimized())
        return false;
    // Shown without taking the focus, as a sheet on an inactive window leaves the application in
    // front where it is. Window managers differ in how they read Qt's "show without activating"
    // (icewm focuses the panel all the same), so the panel also refuses the input focus.
    panel->setAttribute(Qt::WA_ShowWithoutActivating);
    if (!panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus))
        panel->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    panel->setWindowModality(Qt::WindowModal);
    panel->show();
    panel->raise();
    return true;
}

void FileBrowserDataSource::waitUntilProgressPanelIsOnScreen()
{
    QDialog *panel = _fileBrowserProgressPanel;
    // The run blocks the event loop, so the panel has to reach the screen while the command is
    // starting: wait for the window system to expose it (without polling), then paint it at once.
    QWindow *window = panel->windowHandle();
    if (window && !window->isExposed()) {
        QEventLoop loop;
        ExposeWatcher watcher(window, &loop);
        QTimer::singleShot(panelExposeTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec(paintOnly);
    }
    panel->repaint();
    QCoreApplication::processEvents(paintOnly);
}

void FileBrowserDataSource::runScriptNow(const QString &path)
{
    QZLog("scriptURL is valid (%@), preparing arguments...", path);

    // The application in front is read before the panel shows, so that the panel can never be
    // mistaken for it.
    platform::Workspace *workspace = platform::Workspace::shared();
    const std::optional<platform::RunningApplication> active =
        workspace ? workspace->activeApplication() : std::nullopt;

    const bool panelShown = showProgressPanel();
    if (_fileBrowserProgressIndicator)
        _fileBrowserProgressIndicator->setRange(0, 0); // busy

    QZLog("Currently, \"%@\", pid %@ is active.",
          active ? PlistValue(active->bundleIdentifier) : PlistValue(),
          active ? PlistValue(active->processIdentifier) : PlistValue());
    if (active && active->processIdentifier >= 0)
        workspace->activateApplicationWithProcessIdentifier(active->processIdentifier);

    QZLog("Launching script...");
    emit scriptRunStarted(path);
    // The panel reaches the screen while the command runs: waiting for the window manager first
    // would hold back the script of every hot key by that round trip.
    const std::optional<QStringList> lines =
        executeScriptAndCollectOutput(scriptCommandLine(path), [this, panelShown] {
            if (panelShown)
                waitUntilProgressPanelIsOnScreen();
        });
    const QString heading = isAppleScriptPath(path)
                                ? QStringLiteral("Applescript returned this:")
                                : QStringLiteral("(Shell-)Script returned this:");
    QZLog("%s\n%s", heading, lines ? lines->join(u'\n') : QStringLiteral("(null)"));
    emit scriptRunFinished(path, lines.value_or(QStringList()));

    progressSheetDidEnd(_fileBrowserProgressPanel, 0, nullptr);
}

void FileBrowserDataSource::progressSheetDidEnd(QDialog *, int, void *)
{
    if (_fileBrowserProgressIndicator) {
        _fileBrowserProgressIndicator->setRange(0, 1);
        _fileBrowserProgressIndicator->reset();
    }
    if (_fileBrowserProgressPanel)
        _fileBrowserProgressPanel->hide();
}

void FileBrowserDataSource::doubleClickAction()
{
    QZLog("Start");
    const PlistValue recordedName =
        appGlobals ? appGlobals->objectForKey(kPreviousApplicationNameKey) : PlistValue();
    if (recordedName.isString() &&
        recordedName.stringValue() == platform::Workspace::ownBundleIdentifier()) {
        QZLog("Last deactivated bundle was me - so don't make the good old switcheroo!");
    } else {
        QZLog("Bringing application \"%@\" to front!", recordedName);
        const qint64 pid =
            appGlobals ? appGlobals->objectForKey(kPreviousApplicationPIDKey).integerValue() : 0;
        platform::Workspace *workspace = platform::Workspace::shared();
        if (workspace && pid > 0)
            workspace->activateApplicationWithProcessIdentifier(pid);
    }
    // The second of waiting lets the application that came to the front settle before the
    // script starts. It runs as a timer rather than a sleep, so the windows keep painting; the
    // row is the one selected when the second is over.
    QTimer::singleShot(doubleClickDelay, this, [this] { doubleClickOnRow(selectedRow()); });
}

void FileBrowserDataSource::doubleClickOnRow(qint64 row)
{
    QZLog("Start");
    FileSystemItem *item = itemAtRow(row);
    if (!item) {
        QZLog("Error: objectDict is nil!");
    } else if (item->fullPath().isEmpty()) {
        QZLog("Error: scriptURL is nil!");
    } else {
        runScript(item->fullPath());
    }
    QZLog("End");
}
