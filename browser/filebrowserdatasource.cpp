#include "filebrowserdatasource.h"

// First cut: the interface compiles and links; the operations follow.

#include "filesystemitem.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemModel>
#include <QModelIndex>

const QString FileBrowserDataSource::foldersColumnIdentifier = QStringLiteral("folders");
const QString FileBrowserDataSource::shortcutsColumnIdentifier = QStringLiteral("shortcuts");

FileBrowserDataSource::FileBrowserDataSource(QObject *parent) : QObject(parent) {}
FileBrowserDataSource::~FileBrowserDataSource() = default;
QAbstractItemModel *FileBrowserDataSource::model() const
{
    return nullptr;
}
QAbstractItemDelegate *FileBrowserDataSource::cellForColumn(const QString &) const
{
    return nullptr;
}
void FileBrowserDataSource::setCellForColumn(const QString &, QAbstractItemDelegate *) {}
QString FileBrowserDataSource::columnIdentifierForColumn(int column)
{
    return column == 0 ? foldersColumnIdentifier : shortcutsColumnIdentifier;
}
int FileBrowserDataSource::columnForIdentifier(const QString &c)
{
    return c == foldersColumnIdentifier ? 0 : c == shortcutsColumnIdentifier ? 1 : -1;
}
void FileBrowserDataSource::awakeFromNib() {}
void FileBrowserDataSource::initOutline() {}
void FileBrowserDataSource::rescanFileSystems() {}
qint64 FileBrowserDataSource::numberOfChildrenOfItem(FileSystemItem *)
{
    return 0;
}
FileSystemItem *FileBrowserDataSource::childOfItem(qint64, FileSystemItem *)
{
    return nullptr;
}
bool FileBrowserDataSource::isItemExpandable(FileSystemItem *)
{
    return false;
}
PlistValue FileBrowserDataSource::objectValueForTableColumn(const QString &, FileSystemItem *)
{
    return {};
}
bool FileBrowserDataSource::shouldEditTableColumn(const QString &, FileSystemItem *)
{
    return false;
}
void FileBrowserDataSource::setObjectValue(const PlistValue &, const QString &, FileSystemItem *) {}
void FileBrowserDataSource::willDisplayCell(QAbstractItemDelegate *, const QString &,
                                            FileSystemItem *)
{}
void FileBrowserDataSource::outlineViewSelectionDidChange() {}
void FileBrowserDataSource::reloadContentsOfSelectedItem() {}
FileSystemItem *FileBrowserDataSource::selectedItem()
{
    return nullptr;
}
qint64 FileBrowserDataSource::indexOfVolumeWithURL(const QUrl &)
{
    return -1;
}
qint64 FileBrowserDataSource::indexOfItemWithTitle(const QString &, FileSystemItem *)
{
    return -1;
}
void FileBrowserDataSource::logSomeThing() {}
qint64 FileBrowserDataSource::shortcutForFullPath(const QString &)
{
    return 0;
}
QString FileBrowserDataSource::persistentObjectForItem(FileSystemItem *)
{
    return {};
}
FileSystemItem *FileBrowserDataSource::itemForPersistentObject(const PlistValue &)
{
    return nullptr;
}
PlistValue FileBrowserDataSource::expandedState()
{
    return PlistValue::newArray();
}
void FileBrowserDataSource::setExpandedState(const PlistValue &) {}
void FileBrowserDataSource::runScript(const QString &) {}
void FileBrowserDataSource::progressSheetDidEnd(QDialog *, int, void *) {}
void FileBrowserDataSource::doubleClickAction() {}
void FileBrowserDataSource::doubleClickOnRow(qint64) {}
qint64 FileBrowserDataSource::numberOfRows() const
{
    return 0;
}
FileSystemItem *FileBrowserDataSource::itemAtRow(qint64) const
{
    return nullptr;
}
qint64 FileBrowserDataSource::rowForItem(FileSystemItem *) const
{
    return -1;
}
qint64 FileBrowserDataSource::selectedRow() const
{
    return -1;
}
FileSystemItem *FileBrowserDataSource::itemForIndex(const QModelIndex &) const
{
    return nullptr;
}
QList<QModelIndex> FileBrowserDataSource::visibleRows() const
{
    return {};
}
bool FileBrowserDataSource::viewShowsOurModel() const
{
    return false;
}
void FileBrowserDataSource::showProgressPanel() {}
void FileBrowserDataSource::runScriptNow(const QString &) {}
void FileBrowserDataSource::releaseRootItems() {}
qint64 FileBrowserDataSource::rowOfRootItem(const FileSystemItem *) const
{
    return -1;
}
