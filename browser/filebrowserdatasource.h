// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The data source and delegate of a script-browser outline view: it answers the view's questions
// about the tree of the two script folders, prepares the folders and shortcuts cells, runs the
// script of a double-clicked row (or of a hot key, for the main window's instance), and records
// and restores the open rows by path.
//
// The Qt view talks to it through FileBrowserModel, a thin adapter that forwards every question to
// the operations below, so the logic here can be exercised without widgets.
//
// Lifecycle, as the window that holds it sees it:
//   1. create it and set the outlets (connectDataSource() does that for a BrowserWindow);
//   2. awakeFromNib(): creates ~/Library/Scripts/Trundle Scripts and copies the sample scripts;
//   3. initOutline(): installs the model and the cells on the outline view, loads the roots,
//      connects the double click and restores the rows that were open at the last quit.

#include "plistvalue.h"
#include "scriptrunner.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <vector>

class FileBrowserModel;
class FileSystemItem;
class ImageAndTextCell;
class ShortcutPopUpCell;
class QAbstractItemDelegate;
class QIcon;
class QAbstractItemModel;
class QAbstractScrollArea;
class QDialog;
class QFileIconProvider;
class QFileSystemWatcher;
class QTimer;
class QModelIndex;
class QProgressBar;
class QTreeView;
class QWidget;

class FileBrowserDataSource : public QObject
{
    Q_OBJECT

public:
    // The identifiers of the two columns, which are column 0 and 1 of the model.
    static const QString foldersColumnIdentifier;   // "folders"
    static const QString shortcutsColumnIdentifier; // "shortcuts"

    explicit FileBrowserDataSource(QObject *parent = nullptr);
    ~FileBrowserDataSource() override;

    // Outlets, set by whoever loads the window; not owned; any may be null, and then the part
    // that needs it does nothing. The tree view is its own scroll area.
    QTreeView *_fileBrowserOutlineView = nullptr;
    QAbstractScrollArea *_fileBrowserScrollView = nullptr;
    QWidget *_fileBrowserWindow = nullptr;
    QDialog *_fileBrowserProgressPanel = nullptr;
    QProgressBar *_fileBrowserProgressIndicator = nullptr;

    // The model the outline view shows (owned by this object) and the cells of its two columns
    // (owned by this object; initOutline installs them on the view).
    QAbstractItemModel *model() const;
    FileBrowserModel *browserModel() const { return m_model; }
    QAbstractItemDelegate *cellForColumn(const QString &tableColumn) const;
    // Replaces the cell of a column (the old one is deleted when this object owned it).
    void setCellForColumn(const QString &tableColumn, QAbstractItemDelegate *cell);
    static QString columnIdentifierForColumn(int column);
    static int columnForIdentifier(const QString &tableColumn);

    // The two roots and the program's own script folder (inside the first root).
    static QString userScriptsFolderPath();    // ~/Library/Scripts
    static QString machineScriptsFolderPath(); // /Library/Scripts
    static QString ownScriptsFolderPath();     // ~/Library/Scripts/Trundle Scripts
    // How long a double click waits before it runs the selected row, in milliseconds.
    static constexpr int doubleClickDelay = 1000;

    // Loading and setting up.
    void awakeFromNib();
    void initOutline();
    void rescanFileSystems();
    const QList<QUrl> &mountedVolumes() const { return _mountedVolumes; }

    // The outline view's questions. A null item stands for the invisible top of the tree.
    qint64 numberOfChildrenOfItem(FileSystemItem *item);
    FileSystemItem *childOfItem(qint64 index, FileSystemItem *item);
    bool isItemExpandable(FileSystemItem *item);
    // "folders": the item's title (text); "shortcuts": its shortcut ID (integer); any other
    // column: the identifier itself, with an error line.
    // A root is titled with its path, the home folder written "~", and "(missing)" when its
    // folder does not exist; any other item with its name.
    // A folder's path as the user reads it: the home folder as "~".
    static QString pathAsShown(const QString &path);
    static QString titleForItem(FileSystemItem *item);
    // The folders column's tool tip: the full path, or for a missing root and a script that
    // cannot run, what is wrong and the command that puts it right.
    static QString toolTipForItem(FileSystemItem *item);
    // Whether the row is drawn dimmed: a missing root, a script that cannot run.
    static bool isItemDimmed(FileSystemItem *item);
    PlistValue objectValueForTableColumn(const QString &tableColumn, FileSystemItem *item);
    // The shortcuts column is edited on script rows only.
    bool shouldEditTableColumn(const QString &tableColumn, FileSystemItem *item);
    // Whether the row of item may hold a hot key: a file below a root, not a folder.
    static bool canHaveShortcut(FileSystemItem *item);
    void setObjectValue(const PlistValue &object, const QString &tableColumn, FileSystemItem *item);
    // Prepares a cell just before it shows item: the shortcuts pop-up's menu and selection, the
    // folders cell's icon.
    void willDisplayCell(QAbstractItemDelegate *cell, const QString &tableColumn,
                         FileSystemItem *item);
    void outlineViewSelectionDidChange();

    // Small lookups.
    void reloadContentsOfSelectedItem();
    FileSystemItem *selectedItem();
    qint64 indexOfVolumeWithURL(const QUrl &url);
    qint64 indexOfItemWithTitle(const QString &title, FileSystemItem *container);
    void logSomeThing();
    // The shortcut ID bound to path, or the default shortcut ID.
    qint64 shortcutForFullPath(const QString &path);

    // Open rows, identified by full path.
    QString persistentObjectForItem(FileSystemItem *item);
    FileSystemItem *itemForPersistentObject(const PlistValue &object);
    PlistValue expandedState(); // a new array of full paths, top to bottom
    void setExpandedState(const PlistValue &state);

    // Running scripts. runScript hands the script to the process's one runner, which runs it at
    // once or after the run in progress; it returns at once. When the run starts, this shows the
    // progress panel (whether the browser window is open or not) and brings the application in
    // front back to the front; when it has ended, the output goes to the log and the panel away.
    // shortcutID names the hot key of a hot-key launch.
    void runScript(const QString &path, LaunchRoad road = LaunchRoad::HotKey,
                   qint64 shortcutID = 0);
    void progressSheetDidEnd(QDialog *sheet, int returnCode, void *contextInfo);
    // The double click: brings back the application that was active last before this program,
    // then after doubleClickDelay runs the row selected at that moment. The wait is a
    // timer, so the windows keep painting meanwhile.
    void doubleClickAction();
    void doubleClickOnRow(qint64 row);
    // Whether a script launched here is running (between showing and hiding the panel).
    bool isRunningScript() const;

    // Rows of the outline view as it shows them now, top to bottom (expanded folders' children
    // follow their folder). Empty without a view or when the view shows another model.
    qint64 numberOfRows() const;
    FileSystemItem *itemAtRow(qint64 row) const;
    qint64 rowForItem(FileSystemItem *item) const;
    qint64 selectedRow() const;

    // The item behind an index of this data source's model, or null.
    FileSystemItem *itemForIndex(const QModelIndex &index) const;

    // Following the disk. The folders the outline view shows (the roots and the open rows)
    // are watched; when one changes, its rows are brought in line with it, so the view keeps
    // its open rows and selection. A folder that closes is no longer watched, and is read again
    // when it opens.
    QStringList watchedFolders() const;
    // Brings the rows of the shown folder at path in line with the disk; nothing when the
    // folder's rows are not shown.
    void folderDidChange(const QString &path);

signals:
    // Around the command of every run (tests and anyone interested follow runs with these).
    void scriptRunStarted(const QString &path);
    void scriptRunFinished(const QString &path, const QStringList &output);

private:
    friend class FileBrowserModel;

    QList<QModelIndex> visibleRows() const;
    void appendVisibleRows(const QModelIndex &parent, QList<QModelIndex> &rows) const;
    QModelIndex indexForPersistentObject(const PlistValue &object) const;
    bool viewShowsOurModel() const;
    void installOnOutlineView();
    void followShownFolders();
    // Updates the watched folders once control is back in the event loop: the view's changes
    // come in bursts (restoring open rows, a folder's rows arriving).
    void scheduleWatchUpdate();
    void updateWatchedFolders();
    void scheduleFolderUpdate(const QString &path);
    QStringList shownFolders() const;
    FileSystemItem *shownItemForPath(const QString &path) const;
    // Bindings follow their scripts: before a folder is read again, the files of bound paths
    // the browser shows are remembered (device and inode); after, a bound path that is gone is
    // bound anew to the shown file that is the same one, and the table is saved.
    void rememberBoundFiles();
    void followMovedBindings();
    // The following waits a moment after the last change: an editor that renames the script
    // to a backup name and writes it anew must not take the key with the backup.
    void scheduleBindingFollowing();
    FileSystemItem *shownItemWithIdentity(FileSystemItem *item,
                                          const QPair<quint64, quint64> &identity) const;
    // Outlets are not owned; one whose object is destroyed is set to null rather than left
    // dangling (a window can close before its data source goes).
    void watchOutlets();
    void forgetOutlet(QObject *object);
    bool showProgressPanel(const QString &path);
    void scriptRunWillStart(const QString &path);
    void scriptRunDidEnd(const ScriptRunResult &result);
    FileSystemItem *rootItemAtIndex(qint64 index, const QString &path);
    // Drops the root items; called by the model while it resets, when no index refers to them.
    void releaseRootItems();
    PlistValue mountedVolumesDescription() const;
    QIcon iconForItem(FileSystemItem *item, bool leaf) const;

    QList<QUrl> _mountedVolumes;
    // Every root item handed out since the model's last reset, and the one shown at each index.
    // They stay alive until the next reset, so every index the view holds points at a live item.
    std::vector<std::unique_ptr<FileSystemItem>> m_rootItems;
    QList<FileSystemItem *> m_currentRoots;
    FileBrowserModel *m_model = nullptr;
    QPointer<QAbstractItemDelegate> m_foldersCell;
    QPointer<QAbstractItemDelegate> m_shortcutsCell;
    std::unique_ptr<QFileIconProvider> m_iconProvider;
    QList<QObject *> m_watchedOutlets;
    QFileSystemWatcher *m_folderWatcher = nullptr;
    QTimer *m_bindingFollowTimer = nullptr;
    bool m_watchUpdatePending = false;
    QSet<QString> m_unwatchableFolders;
    // Bound path -> device and inode of its file, as last seen in the browser.
    QHash<QString, QPair<quint64, quint64>> m_boundFiles;
    QSet<QString> m_changedFolders;
};
