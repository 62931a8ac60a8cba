// SPDX-License-Identifier: GPL-3.0-or-later
#include "filebrowserdatasource.h"

#include "filebrowsermodel.h"
#include "filesystemitem.h"
#include "imageandtextcell.h"
#include "log.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "runfailurenotice.h"
#include "shell.h"
#include "shortcutpopupcell.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTreeView>

const QString FileBrowserDataSource::foldersColumnIdentifier = QStringLiteral("folders");
const QString FileBrowserDataSource::shortcutsColumnIdentifier = QStringLiteral("shortcuts");

FileBrowserDataSource::FileBrowserDataSource(QObject *parent)
    : QObject(parent), m_model(new FileBrowserModel(this)),
      m_foldersCell(new ImageAndTextCell(this)), m_shortcutsCell(new ShortcutPopUpCell(this)),
      m_iconProvider(std::make_unique<QFileIconProvider>())
{}

FileBrowserDataSource::~FileBrowserDataSource()
{
    // The model goes first, while the items its indexes point at still exist.
    delete m_model;
    m_model = nullptr;
}

QAbstractItemModel *FileBrowserDataSource::model() const
{
    return m_model;
}

QAbstractItemDelegate *FileBrowserDataSource::cellForColumn(const QString &tableColumn) const
{
    if (tableColumn == foldersColumnIdentifier)
        return m_foldersCell;
    if (tableColumn == shortcutsColumnIdentifier)
        return m_shortcutsCell;
    return nullptr;
}

void FileBrowserDataSource::setCellForColumn(const QString &tableColumn,
                                             QAbstractItemDelegate *cell)
{
    QPointer<QAbstractItemDelegate> *slot = tableColumn == foldersColumnIdentifier ? &m_foldersCell
                                            : tableColumn == shortcutsColumnIdentifier
                                                ? &m_shortcutsCell
                                                : nullptr;
    if (!slot) {
        QZLog("Error: Unknown colum: %@", tableColumn);
        return;
    }
    if (*slot == cell)
        return;
    if (*slot && (*slot)->parent() == this)
        delete slot->data();
    *slot = cell;
    if (viewShowsOurModel())
        _fileBrowserOutlineView->setItemDelegateForColumn(columnForIdentifier(tableColumn), cell);
}

QString FileBrowserDataSource::columnIdentifierForColumn(int column)
{
    switch (column) {
    case 0:
        return foldersColumnIdentifier;
    case 1:
        return shortcutsColumnIdentifier;
    default:
        return QString::number(column);
    }
}

int FileBrowserDataSource::columnForIdentifier(const QString &tableColumn)
{
    if (tableColumn == foldersColumnIdentifier)
        return 0;
    if (tableColumn == shortcutsColumnIdentifier)
        return 1;
    return -1;
}

QString FileBrowserDataSource::userScriptsFolderPath()
{
    return QDir::homePath() + QStringLiteral("/Library/Scripts");
}

QString FileBrowserDataSource::machineScriptsFolderPath()
{
    return QStringLiteral("/Library/Scripts");
}

QString FileBrowserDataSource::ownScriptsFolderPath()
{
    return userScriptsFolderPath() + QStringLiteral("/Trundle Scripts");
}

PlistValue FileBrowserDataSource::mountedVolumesDescription() const
{
    QStringList urls;
    for (const QUrl &url : _mountedVolumes)
        urls.append(url.toString());
    return PlistValue::fromStringList(urls);
}

void FileBrowserDataSource::watchOutlets()
{
    const QList<QObject *> outlets = {_fileBrowserOutlineView, _fileBrowserScrollView,
                                      _fileBrowserWindow, _fileBrowserProgressPanel,
                                      _fileBrowserProgressIndicator};
    for (QObject *outlet : outlets) {
        if (!outlet || m_watchedOutlets.contains(outlet))
            continue;
        m_watchedOutlets.append(outlet);
        connect(outlet, &QObject::destroyed, this, [this, outlet] { forgetOutlet(outlet); });
    }
}

void FileBrowserDataSource::forgetOutlet(QObject *object)
{
    m_watchedOutlets.removeAll(object);
    if (static_cast<QObject *>(_fileBrowserOutlineView) == object)
        _fileBrowserOutlineView = nullptr;
    if (static_cast<QObject *>(_fileBrowserScrollView) == object)
        _fileBrowserScrollView = nullptr;
    if (static_cast<QObject *>(_fileBrowserWindow) == object)
        _fileBrowserWindow = nullptr;
    if (static_cast<QObject *>(_fileBrowserProgressPanel) == object)
        _fileBrowserProgressPanel = nullptr;
    if (static_cast<QObject *>(_fileBrowserProgressIndicator) == object)
        _fileBrowserProgressIndicator = nullptr;
}

void FileBrowserDataSource::awakeFromNib()
{
    processLog("ds waking!");
    watchOutlets();
    if (_fileBrowserScrollView) {
        // Small scroll bars where the style has a small size (the tree is dense).
        _fileBrowserScrollView->verticalScrollBar()->setAttribute(Qt::WA_MacSmallSize);
        _fileBrowserScrollView->horizontalScrollBar()->setAttribute(Qt::WA_MacSmallSize);
    }
    _mountedVolumes.clear();
    processLog("_mountedVolumes: %@", mountedVolumesDescription());

    // createFolder makes only the last component, so the chain is made from the top. Unlike on
    // the system this program comes from, ~/Library usually does not exist on Linux.
    createFolder(QDir::homePath() + QStringLiteral("/Library"));
    createFolder(userScriptsFolderPath());
    createFolder(ownScriptsFolderPath());

    processLog("thisBundlePath: %@", QCoreApplication::applicationDirPath());
    const QString samplesPath = sampleScriptsFolderPath();
    // The glob stays outside the quotes so that the shell expands it: the entries of the sample
    // folder are copied, not the folder, and its top-level dot files are not.
    const QString command = QStringLiteral("rsync -va --update ") + shellQuoted(samplesPath) +
                            QStringLiteral("/* ") + shellQuoted(ownScriptsFolderPath() + u'/');
    QZLog("rsync command: %@", command);
    const std::optional<QStringList> lines = executeScriptAndCollectOutput(command);
    processLog("rsync returned: %@", lines ? PlistValue::fromStringList(*lines) : PlistValue());
    QZLog("ds waking done!");
}

void FileBrowserDataSource::installOnOutlineView()
{
    QTreeView *view = _fileBrowserOutlineView;
    view->setModel(m_model);
    view->setItemDelegateForColumn(0, m_foldersCell);
    view->setItemDelegateForColumn(1, m_shortcutsCell);
    // All rows are one text line high; telling the view spares it measuring 10,000 rows.
    view->setUniformRowHeights(true);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    view->header()->setSectionResizeMode(1, QHeaderView::Interactive);
    view->header()->resizeSection(1, 140);
    if (QItemSelectionModel *selection = view->selectionModel())
        connect(selection, &QItemSelectionModel::selectionChanged, this,
                &FileBrowserDataSource::outlineViewSelectionDidChange, Qt::UniqueConnection);
    followShownFolders();
}

void FileBrowserDataSource::initOutline()
{
    watchOutlets();
    rescanFileSystems();
    if (_fileBrowserOutlineView) {
        if (_fileBrowserOutlineView->model() != m_model)
            installOnOutlineView();
        m_model->reloadData();
        connect(_fileBrowserOutlineView, &QAbstractItemView::doubleClicked, this,
                &FileBrowserDataSource::doubleClickAction, Qt::UniqueConnection);
    } else {
        QZLog("No outline view to set up.");
        m_model->reloadData();
    }
    setExpandedState(appGlobals ? appGlobals->objectForKey(kExpandedItemsSettingKey)
                                : PlistValue());
}

void FileBrowserDataSource::rescanFileSystems()
{
    QZLog("Start");
    _mountedVolumes = {QUrl::fromLocalFile(userScriptsFolderPath()),
                       QUrl::fromLocalFile(machineScriptsFolderPath())};
    QZLog("_mountedVolumes: %@", mountedVolumesDescription());
    QZLog("End");
}

qint64 FileBrowserDataSource::numberOfChildrenOfItem(FileSystemItem *item)
{
    qint64 count = 0;
    if (!item) {
        QZLog("Call for item nil (root)!");
        rescanFileSystems();
        count = _mountedVolumes.size();
    } else {
        count = item->numberOfChildren();
    }
    QZLog("Returning %i", count);
    return count;
}

FileSystemItem *FileBrowserDataSource::rootItemAtIndex(qint64 index, const QString &path)
{
    if (m_currentRoots.size() <= index)
        m_currentRoots.resize(index + 1, nullptr);
    FileSystemItem *&current = m_currentRoots[index];
    // The same root is handed out until the next reload; a root whose path changed meanwhile
    // gets a new item, and the old one stays alive until the reload too.
    if (!current || current->fullPath() != path) {
        m_rootItems.push_back(FileSystemItem::rootItemWithPath(path));
        current = m_rootItems.back().get();
        current->setIndexInParent(index);
    }
    return current;
}

void FileBrowserDataSource::releaseRootItems()
{
    m_currentRoots.clear();
    m_rootItems.clear();
}

FileSystemItem *FileBrowserDataSource::childOfItem(qint64 index, FileSystemItem *item)
{
    FileSystemItem *child = nullptr;
    if (!item) {
        QZLog("_mountedVolumes: %@", mountedVolumesDescription());
        if (index >= 0 && index < _mountedVolumes.size()) {
            QZLog("returning folders/volumes for root-item (nil-parent) at index %i...", index);
            const QString path = _mountedVolumes.at(index).toLocalFile();
            QZLog("Returning path: %@", path);
            child = rootItemAtIndex(index, path);
        } else if (!_mountedVolumes.isEmpty()) {
            QZLog("Error: no root at index %i.", index);
        }
    } else {
        child = item->childAtIndex(index);
        QZLog("returning child at index: %i", index);
    }
    QZLog("Returning: %@", child ? PlistValue(child->fullPath()) : PlistValue());
    return child;
}

bool FileBrowserDataSource::isItemExpandable(FileSystemItem *item)
{
    const bool expandable = !item || item->numberOfChildren() != -1;
    QZLog("Item %@ is expandable: %d", item ? PlistValue(item->fullPath()) : PlistValue(),
          expandable);
    return expandable;
}

PlistValue FileBrowserDataSource::objectValueForTableColumn(const QString &tableColumn,
                                                            FileSystemItem *item)
{
    QZLog("Column-Identifier: %@, fullPath of item: %@", tableColumn,
          item ? PlistValue(item->fullPath()) : PlistValue());
    PlistValue value;
    if (tableColumn == shortcutsColumnIdentifier) {
        QZLog("Colum: Shortcuts-Column");
        QZLog("shortcuts: %@",
              appGlobals ? appGlobals->objectForKey(kShortcutsSettingKey) : PlistValue());
        value = PlistValue(shortcutForFullPath(item ? item->fullPath() : QString()));
    } else if (tableColumn == foldersColumnIdentifier) {
        QZLog("Colum: Folders-Column");
        if (item) {
            value = PlistValue(titleForItem(item));
        } else {
            value = PlistValue(localizedString(QStringLiteral("DefaultPathPlatzhalterDings")));
            QZLog("Why is this item nil?");
        }
    } else {
        QZLog("Error: Unknown colum: %@", tableColumn);
        value = PlistValue(tableColumn);
    }
    QZLog("Returning value (actually an object, type depending on column) for item: %@", value);
    return value;
}

QString FileBrowserDataSource::pathAsShown(const QString &path)
{
    const QString home = QDir::homePath();
    if (home != QLatin1String("/") && (path == home || path.startsWith(home + u'/')))
        return u'~' + path.mid(home.size());
    return path;
}

QString FileBrowserDataSource::titleForItem(FileSystemItem *item)
{
    if (!item)
        return {};
    if (item->parent())
        return item->name();
    QString title = pathAsShown(item->fullPath());
    if (item->isMissingRoot())
        title = localizedString(QStringLiteral("BrowserFolderMissingTitle")).arg(title);
    return title;
}

QString FileBrowserDataSource::toolTipForItem(FileSystemItem *item)
{
    if (!item)
        return {};
    const QString &path = item->fullPath();
    if (item->isMissingRoot()) {
        // The machine's folder belongs to root; the user's own needs no sudo.
        const bool own = path.startsWith(QDir::homePath() + u'/');
        const QString command =
            (own ? QStringLiteral("mkdir -p ") : QStringLiteral("sudo mkdir -p ")) +
            shellSingleQuoted(path);
        return localizedString(QStringLiteral("BrowserFolderMissingToolTip")).arg(path, command);
    }
    if (item->lacksExecuteBit())
        return localizedString(QStringLiteral("BrowserScriptNotExecutableToolTip"))
            .arg(item->name(), QStringLiteral("chmod +x ") + shellSingleQuoted(path));
    return path;
}

bool FileBrowserDataSource::isItemDimmed(FileSystemItem *item)
{
    return item && (item->isMissingRoot() || item->lacksExecuteBit());
}

void FileBrowserDataSource::outlineViewSelectionDidChange()
{
    QZLog("Since the user changed selection in the folders outline, we should do something...");
}

void FileBrowserDataSource::reloadContentsOfSelectedItem()
{
    QZLog("NOT IMPLEMENTED! HOW TO REACT ANYWAYS?");
}

FileSystemItem *FileBrowserDataSource::selectedItem()
{
    const qint64 row = selectedRow();
    QZLog("selRow: %i", row);
    return itemAtRow(row);
}

qint64 FileBrowserDataSource::indexOfVolumeWithURL(const QUrl &url)
{
    QZLog("Searching for index of URL equal to: %@", url.toString());
    qint64 found = -1;
    for (qsizetype i = 0; i < _mountedVolumes.size(); ++i) {
        QZLog("Some URL: %@", _mountedVolumes.at(i).toString());
        if (_mountedVolumes.at(i) == url) {
            found = i;
            break;
        }
    }
    QZLog("Found for index: %i", found);
    return found;
}

qint64 FileBrowserDataSource::indexOfItemWithTitle(const QString &title, FileSystemItem *container)
{
    const qint64 count = numberOfChildrenOfItem(container);
    if (count < 1)
        return -1;
    for (qint64 i = 0; i < count; ++i) {
        QZLog("Checking item %i", i);
        FileSystemItem *child = childOfItem(i, container);
        if (child && child->name() == title)
            return rowForItem(child);
    }
    return -1;
}

void FileBrowserDataSource::logSomeThing()
{
    QZLog("_mountedVolumes: %@", mountedVolumesDescription());
}

// Rows as the outline view shows them.

bool FileBrowserDataSource::viewShowsOurModel() const
{
    return _fileBrowserOutlineView && _fileBrowserOutlineView->model() == m_model;
}

void FileBrowserDataSource::appendVisibleRows(const QModelIndex &parent,
                                              QList<QModelIndex> &rows) const
{
    const int count = m_model->rowCount(parent);
    for (int r = 0; r < count; ++r) {
        const QModelIndex index = m_model->index(r, 0, parent);
        if (!index.isValid() || _fileBrowserOutlineView->isRowHidden(r, parent))
            continue;
        rows.append(index);
        if (_fileBrowserOutlineView->isExpanded(index))
            appendVisibleRows(index, rows);
    }
}

QList<QModelIndex> FileBrowserDataSource::visibleRows() const
{
    QList<QModelIndex> rows;
    if (viewShowsOurModel())
        appendVisibleRows(QModelIndex(), rows);
    return rows;
}

qint64 FileBrowserDataSource::numberOfRows() const
{
    return visibleRows().size();
}

FileSystemItem *FileBrowserDataSource::itemAtRow(qint64 row) const
{
    if (row < 0)
        return nullptr;
    const QList<QModelIndex> rows = visibleRows();
    return row < rows.size() ? itemForIndex(rows.at(row)) : nullptr;
}

qint64 FileBrowserDataSource::rowForItem(FileSystemItem *item) const
{
    if (!item)
        return -1;
    const QList<QModelIndex> rows = visibleRows();
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (itemForIndex(rows.at(r)) == item)
            return r;
    }
    return -1;
}

qint64 FileBrowserDataSource::selectedRow() const
{
    if (!viewShowsOurModel() || !_fileBrowserOutlineView->selectionModel())
        return -1;
    const QModelIndexList selected = _fileBrowserOutlineView->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return -1;
    return rowForItem(itemForIndex(selected.first()));
}

FileSystemItem *FileBrowserDataSource::itemForIndex(const QModelIndex &index) const
{
    return m_model ? m_model->itemForIndex(index) : nullptr;
}
