// SPDX-License-Identifier: GPL-3.0-or-later
// The open rows of the browser: recorded top to bottom by full path and opened again in list
// order, with whatever a hand-edited or outdated store may hold.

#include "browsertestsupport.h"
#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "filesystemitem.h"

#include "preferencesdictionary.h"
#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeView>

namespace {

QString folder(const QString &relative = {})
{
    const QString base = QDir::homePath() + "/Library/Scripts";
    return relative.isEmpty() ? base : base + u'/' + relative;
}

// A data source on a view, as a window has it.
struct Browser
{
    Browser()
    {
        ds._fileBrowserOutlineView = &view;
        ds.initOutline();
    }
    // Opens the rows of these paths, in order, the way a user clicks them open.
    void open(const QStringList &paths)
    {
        for (const QString &path : paths) {
            FileSystemItem *item = ds.itemForPersistentObject(PlistValue(path));
            QVERIFY2(item, qPrintable(path));
            view.expand(ds.browserModel()->indexForItem(item));
        }
    }
    QTreeView view;
    FileBrowserDataSource ds;
};

// The paths in the order of their rows: a folder above its contents, siblings in the order the
// file system lists them.
QStringList inRowOrder(QStringList paths)
{
    auto key = [](const QString &path) {
        QList<qsizetype> positions;
        QString parent = folder();
        for (const QString &part : path.mid(parent.size()).split(u'/', Qt::SkipEmptyParts)) {
            positions.append(listingOrder(parent).indexOf(part));
            parent += u'/' + part;
        }
        return positions;
    };
    std::sort(paths.begin(), paths.end(),
              [&](const QString &a, const QString &b) { return key(a) < key(b); });
    return paths;
}

} // namespace

class TestExpandedState : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void roundTripByPath_data();
    void roundTripByPath();
    void storedListsFromElsewhere_data();
    void storedListsFromElsewhere();
    void valueThatIsNotAListChangesNothing_data();
    void valueThatIsNotAListChangesNothing();
    void innerFolderOfAClosedFolderIsNotRecorded();
    void deletedFolderIsSkipped();
    void initOutlineRestoresTheStoredRows();
    void persistentObjectIsTheFullPath();
};

void TestExpandedState::initTestCase()
{
    QDir(folder()).removeRecursively();
    QVERIFY(makeFolder(folder("Trundle Scripts/Sub")));
    QVERIFY(writeFile(folder("Trundle Scripts/Sub/x.sh")));
    QVERIFY(makeFolder(folder("Other")));
    QVERIFY(writeFile(folder("Other/y.sh")));
    QVERIFY(writeFile(folder("z.sh")));
}

void TestExpandedState::init()
{
    resetSettings();
}

void TestExpandedState::roundTripByPath_data()
{
    QTest::addColumn<QStringList>("open");
    QTest::newRow("nothing open") << QStringList{};
    QTest::newRow("user folder") << QStringList{folder()};
    QTest::newRow("user folder and the program's folder")
        << QStringList{folder(), folder("Trundle Scripts")};
    QTest::newRow("three levels") << QStringList{folder(), folder("Trundle Scripts"),
                                                 folder("Trundle Scripts/Sub")};
    QTest::newRow("siblings") << QStringList{folder(), folder("Other"), folder("Trundle Scripts")};
}

void TestExpandedState::roundTripByPath()
{
    QFETCH(QStringList, open);
    PlistValue recorded;
    {
        Browser first;
        first.open(open);
        recorded = first.ds.expandedState();
    }
    // Recorded top to bottom: the rows' order, whatever order they were opened in.
    QCOMPARE(recorded, PlistValue::fromStringList(inRowOrder(open)));

    // A new browser (new items) opens the same rows again from the list.
    Browser second;
    second.ds.setExpandedState(recorded);
    QCOMPARE(second.ds.expandedState(), recorded);
}

void TestExpandedState::storedListsFromElsewhere_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("child before parent: the child stays closed")
        << QStringList{folder("Trundle Scripts"), folder()} << QStringList{folder()};
    QTest::newRow("repeated path")
        << QStringList{folder(), folder(), folder("Other"), folder("Other")}
        << inRowOrder({folder(), folder("Other")});
    QTest::newRow("path of a file")
        << QStringList{folder(), folder("z.sh")} << QStringList{folder()};
    QTest::newRow("paths that are not shown")
        << QStringList{"/nowhere", folder() + "/", "relative/path", ""} << QStringList{};
    QTest::newRow("path differing in case") << QStringList{folder().toUpper()} << QStringList{};
}

void TestExpandedState::storedListsFromElsewhere()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, opened);
    Browser browser;
    browser.ds.setExpandedState(PlistValue::fromStringList(stored));
    QCOMPARE(browser.ds.expandedState(), PlistValue::fromStringList(opened));
}

void TestExpandedState::valueThatIsNotAListChangesNothing_data()
{
    QTest::addColumn<PlistValue>("value");
    QTest::newRow("nothing stored") << PlistValue();
    QTest::newRow("a text") << PlistValue(folder());
    QTest::newRow("a number") << PlistValue(3);
    QTest::newRow("a dictionary") << PlistValue::newDictionary({{"a", PlistValue(folder())}});
}

void TestExpandedState::valueThatIsNotAListChangesNothing()
{
    QFETCH(PlistValue, value);
    Browser browser;
    browser.open({folder(), folder("Other")});
    StandardErrorCapture capture;
    browser.ds.setExpandedState(value);
    const QString log = capture.text();
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList(inRowOrder({folder(), folder("Other")})));
    // Something stored that is not a list is worth a line; nothing stored is a first start.
    QCOMPARE(log.contains("not a list"), !value.isNull());
}

void TestExpandedState::innerFolderOfAClosedFolderIsNotRecorded()
{
    Browser browser;
    browser.open({folder(), folder("Trundle Scripts")});
    browser.view.collapse(browser.ds.browserModel()->indexForItem(
        browser.ds.itemForPersistentObject(PlistValue(folder()))));
    QCOMPARE(browser.ds.expandedState(), PlistValue::fromStringList({}));
}

void TestExpandedState::deletedFolderIsSkipped()
{
    QVERIFY(makeFolder(folder("Doomed")));
    PlistValue recorded;
    {
        Browser first;
        first.open({folder(), folder("Doomed"), folder("Other")});
        recorded = first.ds.expandedState();
    }
    QVERIFY(QDir(folder("Doomed")).removeRecursively());
    Browser second;
    second.ds.setExpandedState(recorded);
    QCOMPARE(second.ds.expandedState(),
             PlistValue::fromStringList(inRowOrder({folder(), folder("Other")})));
}

void TestExpandedState::initOutlineRestoresTheStoredRows()
{
    appGlobals->setObject(PlistValue::fromStringList({folder(), folder("Trundle Scripts")}),
                          kExpandedItemsSettingKey);
    Browser browser; // its initOutline reads the setting
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList({folder(), folder("Trundle Scripts")}));
    // Reloading (the preferences window opening again) collapses and restores the same rows.
    browser.open({folder("Other")});
    browser.ds.initOutline();
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList({folder(), folder("Trundle Scripts")}));
}

void TestExpandedState::persistentObjectIsTheFullPath()
{
    Browser browser;
    browser.open({folder()});
    FileSystemItem *item = browser.ds.itemForPersistentObject(PlistValue(folder("Other")));
    QVERIFY(item);
    QCOMPARE(browser.ds.persistentObjectForItem(item), folder("Other"));
    QCOMPARE(browser.ds.itemForPersistentObject(PlistValue(3)), nullptr);
}

TRUNDLE_TEST_MAIN(TestExpandedState)
#include "test_expandedstate.moc"
