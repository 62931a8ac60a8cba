// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The preferences window: the debug-logging switch and a browser of its own in which hot keys
// are bound to scripts. The store is saved when the window opens, on every click of the check
// box and when the window closes, so nothing edited here waits for the program to quit.
//
// A controller lives from the opening of its window until the application controller drops it
// after windowWillCloseNotification; it never deletes itself. Destroying it closes nothing and
// saves nothing: the window simply goes away with it.

#include <QObject>
#include <QString>

#include <memory>

class FileBrowserDataSource;
class QCheckBox;
class QEvent;
class QGroupBox;
class QLabel;
class QTreeView;
class QWidget;

namespace Ui {
class QZPreferencesWindow;
}

class QZPreferencesWindowController : public QObject
{
    Q_OBJECT

public:
    // windowNibName names the window description; "QZPreferencesWindow" is the one there is.
    explicit QZPreferencesWindowController(const QString &windowNibName, QObject *parent = nullptr);
    ~QZPreferencesWindowController() override;

    QString windowNibName() const { return m_windowNibName; }
    // Loads the window on the first call (windowWillLoad, then windowDidLoad, which shows it in
    // front) and returns it; later calls return the same window.
    QWidget *window();
    bool isWindowLoaded() const { return m_window != nullptr; }

    void windowWillLoad();
    void windowDidLoad();
    // Runs once when the window is about to close, whichever way it is closed.
    void windowWillClose();
    // Copies the check box into the store and writes the settings file.
    void saveSettings();
    // The check box's action.
    void settingChanged(QObject *sender);

    // Outlets, set when the window is loaded; owned by the window.
    QGroupBox *_developerBox = nullptr;
    QCheckBox *_debugLoggingCheckbox = nullptr;
    // Saved on its own click; the input backend is chosen once, so it counts from the next start.
    QCheckBox *_readInputDevicesCheckbox = nullptr;
    QGroupBox *_shortcutsBox = nullptr;
    // Saved on its own click: whether failed runs are told in a notification.
    QGroupBox *_runsBox = nullptr;
    QCheckBox *_notifyFailedRunsCheckbox = nullptr;
    // Above the hot-key column: whether hot keys work in this session and through what, or why
    // not, keys bound to folders (never armed) and the last key that moved; follows the input
    // backend and the shortcut table while the window is open.
    QLabel *_hotKeyStatusLabel = nullptr;
    QTreeView *_fileBrowserOutlineView = nullptr;
    // Qt's tree columns are not objects: these are the model columns of the data source's
    // "folders" and "shortcuts" columns.
    static constexpr int _foldersColumn = 0;
    static constexpr int _shortcutsColumn = 1;
    // The data source of this window's browser, created with the window and owned by this
    // controller.
    FileBrowserDataSource *_fileBrowserDataSource = nullptr;

signals:
    // Emitted once when the window is about to close (Escape, the window manager's close
    // button, QWidget::close()), after the settings were saved.
    void windowWillCloseNotification();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadWindow();
    void setColumnTitle(int column, const QString &title);
    void showHotKeyStatus();

    QString m_windowNibName;
    std::unique_ptr<Ui::QZPreferencesWindow> m_ui;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<FileBrowserDataSource> m_dataSource;
    bool m_closeNotified = false;
    // "F5 moved from backup.sh to sync.sh.", shown under the hot-key line once a key moved.
    QString m_lastKeyMove;
};
