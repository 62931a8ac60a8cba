// SPDX-License-Identifier: GPL-3.0-or-later
// Running a script from FileBrowserDataSource: the launch handed to the process's one runner, the
// progress panel, bringing the application in front back to the front, the output in the log;
// and the double-click path that leads there.

#include "filebrowserdatasource.h"

#include "filesystemitem.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "runprogresspanel.h"
#include "scriptrunner.h"
#include "shell.h"
#include "workspace.h"

#include <QDialog>
#include <QProgressBar>
#include <QTimer>

void FileBrowserDataSource::runScript(const QString &path, LaunchRoad road, qint64 shortcutID)
{
    watchOutlets();
    ScriptLaunch launch;
    launch.path = path;
    launch.road = road;
    launch.shortcutID = shortcutID;
    launch.context = this;
    launch.willStart = [this, path] {
        scriptRunWillStart(path);
    };
    launch.didEnd = [this](const ScriptRunResult &result) {
        scriptRunDidEnd(result);
    };
    ScriptRunner::shared()->launch(std::move(launch));
}

bool FileBrowserDataSource::isRunningScript() const
{
    return ScriptRunner::shared()->isRunning(this);
}

bool FileBrowserDataSource::showProgressPanel(const QString &path)
{
    // The panel is a window of its own, not a sheet: it shows with the browser window closed
    // or minimized too. It shows without taking the focus (see RunProgressPanel).
    if (auto *panel = qobject_cast<RunProgressPanel *>(_fileBrowserProgressPanel)) {
        panel->showRun(path);
        return true;
    }
    if (!_fileBrowserProgressPanel)
        return false;
    _fileBrowserProgressPanel->show();
    return true;
}

void FileBrowserDataSource::scriptRunWillStart(const QString &path)
{
    QZLog("scriptURL is valid (%@), preparing arguments...", path);

    // The application in front is read before the panel shows, so that the panel can never be
    // mistaken for it.
    platform::Workspace *workspace = platform::Workspace::shared();
    const std::optional<platform::RunningApplication> active =
        workspace ? workspace->activeApplication() : std::nullopt;

    // The panel reaches the screen while the command runs: the event loop goes on meanwhile.
    showProgressPanel(path);
    if (_fileBrowserProgressIndicator)
        _fileBrowserProgressIndicator->setRange(0, 0); // busy

    QZLog("Currently, \"%@\", pid %@ is active.",
          active ? PlistValue(active->bundleIdentifier) : PlistValue(),
          active ? PlistValue(active->processIdentifier) : PlistValue());
    if (active && active->processIdentifier >= 0)
        workspace->activateApplicationWithProcessIdentifier(active->processIdentifier);

    QZLog("Launching script...");
    emit scriptRunStarted(path);
}

void FileBrowserDataSource::scriptRunDidEnd(const ScriptRunResult &result)
{
    QZLog("%s\n%s", scriptResultHeading(result.path),
          result.lines ? result.lines->join(u'\n') : QStringLiteral("(null)"));
    emit scriptRunFinished(result.path, result.lines.value_or(QStringList()));
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
    // The last application other than Trundle: the double click itself made Trundle the last
    // active one, so the plain record would name Trundle every time.
    const PlistValue recordedName =
        appGlobals ? appGlobals->objectForKey(kPreviousOtherApplicationNameKey) : PlistValue();
    const qint64 pid =
        appGlobals ? appGlobals->objectForKey(kPreviousOtherApplicationPIDKey).integerValue() : 0;
    if (!recordedName.isString() || pid <= 0) {
        QZLog("No application other than me was active before - nothing to bring back.");
    } else {
        QZLog("Bringing application \"%@\" to front!", recordedName);
        if (platform::Workspace *workspace = platform::Workspace::shared())
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
        runScript(item->fullPath(), LaunchRoad::DoubleClick);
    }
    QZLog("End");
}
