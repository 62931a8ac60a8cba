// SPDX-License-Identifier: GPL-3.0-or-later
// The browser's data source and its Qt model: the model checked by QAbstractItemModelTester on a
// real folder tree, the two roots, the folders column's values, the answers to unknown columns,
// refused edits of the folders column, and items that stay valid until the next reload.

#include "browsertestsupport.h"
#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "filesystemitem.h"

#include "preferencesdictionary.h"
#include "resources.h"
#include "shortcuttable.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

// ~/Library/Scripts with a little of everything the browser meets.
void buildTree()
{
    QDir(scriptsFolder()).removeRecursively();
    const QString s = scriptsFolder();
    QVERIFY(makeFolder(s + "/Trundle Scripts"));
    QVERIFY(writeFile(s + "/Trundle Scripts/a.sh", "#!/bin/sh\necho a\n", true));
    QVERIFY(writeFile(s + "/b.sh", "#!/bin/sh\n", true));
    QVERIFY(writeFile(s + "/.hidden.sh"));
    QVERIFY(writeFile(s + "/plain it's.sh", "#!/bin/sh\n"));
    QVERIFY(makeFolder(s + "/Empty"));
    QVERIFY(makeFolder(s + "/Nested/inner"));
    QVERIFY(writeFile(s + "/Nested/inner/deep.sh"));
    QVERIFY(makeSymlink(s + "/gone", s + "/dangling"));
    QVERIFY(makeSymlink("..", s + "/Nested/up"));
}

FileSystemItem *childNamed(FileBrowserDataSource &ds, FileSystemItem *parent, const QString &name)
{
    for (qint64 i = 0; i < ds.numberOfChildrenOfItem(parent); ++i) {
        FileSystemItem *child = ds.childOfItem(i, parent);
        if (child && child->name() == name)
            return child;
    }
    return nullptr;
}

} // namespace

class TestFileBrowserDataSource : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void modelPassesTheModelTester();
    void modelPassesTheModelTesterWhileAViewExpandsAndReloads();
    void topLevelIsAlwaysTheTwoRoots_data();
    void topLevelIsAlwaysTheTwoRoots();
    void foldersColumnValues();
    void foldersColumnShowsWhatIsWrong_data();
    void foldersColumnShowsWhatIsWrong();
    void unknownColumnsAnswerWithErrorLines_data();
    void unknownColumnsAnswerWithErrorLines();
    void foldersColumnCannotBeEdited();
    void expandabilityAndRowCounts_data();
    void expandabilityAndRowCounts();
    void itemsStayValidUntilReload();
    void lookupsByUrlAndTitle();
    void worksWithoutOutlets();
};

void TestFileBrowserDataSource::init()
{
    resetSettings();
    buildTree();
}

void TestFileBrowserDataSource::modelPassesTheModelTester()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    QAbstractItemModelTester tester(ds.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Walk every shown index down to the inner script, as a view opening the rows would.
    QAbstractItemModel *model = ds.model();
    const QModelIndex user = model->index(0, 0);
    QCOMPARE(user.data().toString(), QString("~/Library/Scripts"));
    QVERIFY(model->rowCount(user) > 0);
    for (int r = 0; r < model->rowCount(user); ++r) {
        const QModelIndex child = model->index(r, 0, user);
        QCOMPARE(model->parent(child), user);
        QCOMPARE(model->index(r, 1, user).parent(), user);
        for (int c = 0; c < model->rowCount(child); ++c)
            QCOMPARE(model->parent(model->index(c, 0, child)), child);
    }
}

void TestFileBrowserDataSource::modelPassesTheModelTesterWhileAViewExpandsAndReloads()
{
    FileBrowserDataSource ds;
    QTreeView view;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    QAbstractItemModelTester tester(ds.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    view.resize(400, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.expandAll(); // the link back up keeps this finite: the view expands what it has laid out
    QTest::qWait(20);
    ds.initOutline(); // a second reload, as each opening of the preferences window does
    view.expandToDepth(2);
    QTest::qWait(20);
    QVERIFY(ds.numberOfRows() > 2);
}

void TestFileBrowserDataSource::topLevelIsAlwaysTheTwoRoots_data()
{
    QTest::addColumn<bool>("userFolderExists");
    QTest::newRow("user folder present") << true;
    QTest::newRow("user folder missing") << false;
}

void TestFileBrowserDataSource::topLevelIsAlwaysTheTwoRoots()
{
    QFETCH(bool, userFolderExists);
    if (!userFolderExists)
        QVERIFY(QDir(scriptsFolder()).removeRecursively());
    FileBrowserDataSource ds;
    ds.initOutline();
    QCOMPARE(ds.numberOfChildrenOfItem(nullptr), qint64(2));
    QCOMPARE(ds.model()->rowCount(), 2);
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    FileSystemItem *machine = ds.childOfItem(1, nullptr);
    QCOMPARE(user->name(), scriptsFolder());
    QCOMPARE(machine->name(), QString("/Library/Scripts"));
    // A missing root is an empty folder row all the same, never a script.
    QVERIFY(ds.isItemExpandable(user));
    QCOMPARE(user->isMissingRoot(), !userFolderExists);
    QVERIFY(ds.model()->hasChildren(ds.model()->index(0, 0)));
    QCOMPARE(ds.model()->rowCount(ds.model()->index(0, 0)) > 0, userFolderExists);
    QCOMPARE(ds.mountedVolumes().size(), 2);
    QCOMPARE(ds.mountedVolumes().at(0), QUrl::fromLocalFile(scriptsFolder()));
}

void TestFileBrowserDataSource::foldersColumnValues()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    const QString folders = FileBrowserDataSource::foldersColumnIdentifier;
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    QCOMPARE(ds.objectValueForTableColumn(folders, user), PlistValue("~/Library/Scripts"));
    FileSystemItem *own = childNamed(ds, user, "Trundle Scripts");
    QVERIFY(own);
    QCOMPARE(ds.objectValueForTableColumn(folders, own), PlistValue("Trundle Scripts"));
    QCOMPARE(ds.objectValueForTableColumn(folders, nullptr),
             PlistValue(localizedString("DefaultPathPlatzhalterDings")));
    // The model shows the same texts and the column headers of the text table.
    QCOMPARE(ds.model()->headerData(0, Qt::Horizontal).toString(),
             localizedString("PreferencesWindowColumnFolders"));
    QCOMPARE(ds.model()->headerData(1, Qt::Horizontal).toString(),
             localizedString("PreferencesWindowColumnShortcuts"));
    QCOMPARE(ds.model()->index(0, 0).data().toString(), QString("~/Library/Scripts"));
}

void TestFileBrowserDataSource::foldersColumnShowsWhatIsWrong_data()
{
    // A row of the user's folder ("" for the folder itself, "/" for the machine's folder), its
    // title, whether it is dimmed, and what its tool tip holds.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("dimmed");
    QTest::addColumn<QString>("toolTip");
    const auto row = [](const char *tag, const char *name, const char *title, bool dimmed,
                        const QString &toolTip) {
        QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(title) << dimmed
                           << toolTip;
    };
    row("user's folder", "", "~/Library/Scripts", false, scriptsFolder());
    row("missing machine folder", "/", "/Library/Scripts (missing)", true,
        "create it with: sudo mkdir -p '/Library/Scripts'");
    row("script", "b.sh", "b.sh", false, scriptsFolder("b.sh"));
    row("script without execute bit", "plain it's.sh", "plain it's.sh", true,
        "it is not executable. To make it executable, run: chmod +x '" + scriptsFolder() +
            "/plain it'\\''s.sh'");
}

void TestFileBrowserDataSource::foldersColumnShowsWhatIsWrong()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(bool, dimmed);
    QFETCH(QString, toolTip);
    if (name == "/" && QFileInfo::exists("/Library/Scripts"))
        QSKIP("/Library/Scripts exists on this machine");
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    FileSystemItem *item = name.isEmpty() ? user
                           : name == "/"  ? ds.childOfItem(1, nullptr)
                                          : childNamed(ds, user, name);
    QVERIFY(item);
    const QModelIndex index = ds.browserModel()->indexForItem(item);
    QCOMPARE(index.data().toString(), title);
    QCOMPARE(index.data(Qt::ForegroundRole).isValid(), dimmed);
    QVERIFY2(index.data(Qt::ToolTipRole).toString().contains(toolTip),
             qPrintable(index.data(Qt::ToolTipRole).toString()));
}

void TestFileBrowserDataSource::unknownColumnsAnswerWithErrorLines_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("line");
    QTest::newRow("value") << "value"
                           << "Error: Unknown colum: bogus";
    QTest::newRow("should edit") << "shouldEdit"
                                 << "Error: Unknown colum: bogus";
    QTest::newRow("set value") << "setValue"
                               << "Error: Unknown column: bogus";
    QTest::newRow("prepare cell") << "willDisplay"
                                  << "I don't know the column with identifier: \"bogus\"";
}

void TestFileBrowserDataSource::unknownColumnsAnswerWithErrorLines()
{
    QFETCH(QString, operation);
    QFETCH(QString, line);
    resetSettings(true);
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, ds.childOfItem(0, nullptr), "b.sh");
    QVERIFY(item);
    const PlistValue tableBefore = appGlobals->objectForKey(kShortcutsSettingKey).deepCopy();
    StandardErrorCapture capture;
    if (operation == "value")
        QCOMPARE(ds.objectValueForTableColumn("bogus", item), PlistValue("bogus"));
    else if (operation == "shouldEdit")
        QCOMPARE(ds.shouldEditTableColumn("bogus", item), false);
    else if (operation == "setValue")
        ds.setObjectValue(PlistValue(3), "bogus", item);
    else
        ds.willDisplayCell(ds.cellForColumn("folders"), "bogus", item);
    const QString log = capture.text();
    QVERIFY2(log.contains(line), qPrintable(log));
    QCOMPARE(appGlobals->objectForKey(kShortcutsSettingKey), tableBefore);
    resetSettings(false);
}

void TestFileBrowserDataSource::foldersColumnCannotBeEdited()
{
    resetSettings(true);
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    FileSystemItem *item = childNamed(ds, user, "b.sh");
    QVERIFY(!ds.shouldEditTableColumn("folders", item));
    StandardErrorCapture capture;
    ds.setObjectValue(PlistValue("renamed.sh"), "folders", item);
    const QModelIndex index = ds.browserModel()->indexForItem(item);
    QVERIFY(!(ds.model()->flags(index) & Qt::ItemIsEditable));
    QVERIFY(ds.model()->flags(index.siblingAtColumn(1)) & Qt::ItemIsEditable);
    ds.model()->setData(index, "other.sh");
    const QString log = capture.text();
    QVERIFY2(log.contains("Warning: The column folders is not meant to be edited."),
             qPrintable(log));
    QCOMPARE(item->name(), QString("b.sh"));
    QVERIFY(QFile::exists(scriptsFolder() + "/b.sh"));
    QVERIFY(appGlobals->objectForKey(kShortcutsSettingKey).dictionary()->isEmpty());
    resetSettings(false);
}

void TestFileBrowserDataSource::expandabilityAndRowCounts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expandable");
    QTest::addColumn<int>("rows");
    QTest::newRow("script") << "b.sh" << false << 0;
    QTest::newRow("empty folder") << "Empty" << true << 0;
    QTest::newRow("folder") << "Nested" << true << 2;
    QTest::newRow("program's folder") << "Trundle Scripts" << true << 1;
}

void TestFileBrowserDataSource::expandabilityAndRowCounts()
{
    QFETCH(QString, name);
    QFETCH(bool, expandable);
    QFETCH(int, rows);
    FileBrowserDataSource ds;
    ds.initOutline();
    FileSystemItem *item = childNamed(ds, ds.childOfItem(0, nullptr), name);
    QVERIFY(item);
    QCOMPARE(ds.isItemExpandable(item), expandable);
    const QModelIndex index = ds.browserModel()->indexForItem(item);
    QCOMPARE(ds.model()->hasChildren(index), expandable);
    QCOMPARE(ds.model()->rowCount(index), rows);
    QCOMPARE(bool(ds.model()->flags(index) & Qt::ItemNeverHasChildren), !expandable);
}

void TestFileBrowserDataSource::itemsStayValidUntilReload()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    QAbstractItemModel *model = ds.model();
    const QModelIndex user = model->index(0, 0);
    const QModelIndex child = model->index(0, 0, user);
    void *rootPointer = user.internalPointer();
    // Asking for the top level again (which rescans the roots) hands out the same items.
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).internalPointer(), rootPointer);
    QCOMPARE(ds.childOfItem(0, nullptr), static_cast<FileSystemItem *>(rootPointer));
    QCOMPARE(model->parent(child).internalPointer(), rootPointer);
    // After a reload the tree is read afresh: a new file shows.
    QVERIFY(writeFile(scriptsFolder() + "/new.sh"));
    const int before = model->rowCount(model->index(0, 0));
    QPersistentModelIndex persistent(child);
    ds.initOutline();
    QVERIFY(!persistent.isValid());
    QCOMPARE(model->rowCount(model->index(0, 0)), before + 1);
}

void TestFileBrowserDataSource::lookupsByUrlAndTitle()
{
    FileBrowserDataSource ds;
    QTreeView view;
    ds._fileBrowserOutlineView = &view;
    ds.initOutline();
    QCOMPARE(ds.indexOfVolumeWithURL(QUrl::fromLocalFile("/Library/Scripts")), qint64(1));
    QCOMPARE(ds.indexOfVolumeWithURL(QUrl::fromLocalFile(scriptsFolder())), qint64(0));
    QCOMPARE(ds.indexOfVolumeWithURL(QUrl::fromLocalFile("/elsewhere")), qint64(-1));
    QCOMPARE(ds.indexOfItemWithTitle("/Library/Scripts", nullptr), qint64(1));
    FileSystemItem *user = ds.childOfItem(0, nullptr);
    // A child that the view does not show (its folder is closed) has no row.
    QCOMPARE(ds.indexOfItemWithTitle("b.sh", user), qint64(-1));
    view.expand(ds.browserModel()->indexForItem(user));
    const qint64 row = ds.indexOfItemWithTitle("b.sh", user);
    QVERIFY(row > 0);
    QCOMPARE(ds.itemAtRow(row)->name(), QString("b.sh"));
    QCOMPARE(ds.indexOfItemWithTitle("nothing.sh", user), qint64(-1));
    QCOMPARE(ds.indexOfItemWithTitle("x", childNamed(ds, user, "Empty")), qint64(-1));
}

void TestFileBrowserDataSource::worksWithoutOutlets()
{
    FileBrowserDataSource ds;
    ds.initOutline();
    ds.setExpandedState(PlistValue::fromStringList({scriptsFolder()}));
    QCOMPARE(ds.expandedState(), PlistValue::fromStringList({}));
    QCOMPARE(ds.numberOfRows(), qint64(0));
    QCOMPARE(ds.selectedItem(), nullptr);
    ds.doubleClickOnRow(0);
    ds.logSomeThing();
    ds.reloadContentsOfSelectedItem();
    QCOMPARE(ds.numberOfChildrenOfItem(nullptr), qint64(2));
}

TRUNDLE_TEST_MAIN(TestFileBrowserDataSource)
#include "test_filebrowserdatasource.moc"
