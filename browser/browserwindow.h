// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main interface's browser window, loaded from resources/MainWindow.ui: an outline view of
// the script folders with a folders and a shortcuts column; its progress panel is the process's
// one RunProgressPanel, which shows while a script runs, with a button that stops it. Below
// the tree, the Recent Runs pane lists the runs of this session (every road, not only this
// window's) and shows the output of the one selected.

#include <QMainWindow>

#include <memory>

struct ScriptRunResult;

class FileBrowserDataSource;
class RecentRunsModel;
class QDialog;
class QPlainTextEdit;
class QTableView;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace Ui {
class BrowserWindow;
} // namespace Ui

class BrowserWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit BrowserWindow(QWidget *parent = nullptr);
    ~BrowserWindow() override;

    QTreeView *outlineView() const;
    // The process's progress panel, which never takes the focus, hidden until a script runs.
    QDialog *progressPanel() const;
    QProgressBar *progressIndicator() const;
    // Stops the script that runs (the panel shows only while one does).
    QPushButton *stopButton() const;

    RecentRunsModel *recentRuns() const { return m_recentRuns; }
    QTableView *recentRunsView() const;
    QPlainTextEdit *recentRunOutput() const;

    // How long the line that says a hot key moved stays in the status bar.
    static constexpr int keyMovedMessageMs = 15000;

private:
    void setUpHotKeyFeedback();
    void addRecentRun(const ScriptRunResult &result);
    void showSelectedRunOutput();

    std::unique_ptr<Ui::BrowserWindow> m_ui;
    RecentRunsModel *m_recentRuns = nullptr;
};

// The browser's first size on a screen whose available area is available.
QSize browserWindowSize(const QSize &available);
// Sizes and centres the window on its screen, the tree taking most of it.
void fitBrowserWindowToScreen(QMainWindow *window);

// Sets the five outlets of ds to the window's views: the outline view (also as the scroll view),
// the window, the progress panel and its indicator, and gives the outline view its keys (Enter
// runs, F2 and Space open the hot-key pop-up). Call awakeFromNib() and initOutline() after.
void connectDataSource(FileBrowserDataSource *ds, BrowserWindow *window);
