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

struct Browser : BrowserOnView
{
    // Opens the rows of these paths, in order, the way a user clicks them open.
    void open(const QStringList &paths)
    {
        for (const QString &path : paths) {
            FileSystemItem *item = ds.itemForPersistentObject(PlistValue(path));
            QVERIFY2(item, qPrintable(path));
            view.expand(ds.browserModel()->indexForItem(item));
        }
    }
};

// The paths in the order of their rows: a folder above its contents, siblings in the order the
// file system lists them.
QStringList inRowOrder(QStringList paths)
{
    auto key = [](const QString &path) {
        QList<qsizetype> positions;
        QString parent = scriptsFolder();
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
    QDir(scriptsFolder()).removeRecursively();
    QVERIFY(makeFolder(scriptsFolder("Trundle Scripts/Sub")));
    QVERIFY(writeFile(scriptsFolder("Trundle Scripts/Sub/x.sh")));
    QVERIFY(makeFolder(scriptsFolder("Other")));
    QVERIFY(writeFile(scriptsFolder("Other/y.sh")));
    QVERIFY(writeFile(scriptsFolder("z.sh")));
}

void TestExpandedState::init()
{
    resetSettings();
}

void TestExpandedState::roundTripByPath_data()
{
    QTest::addColumn<QStringList>("open");
    QTest::newRow("nothing open") << QStringList{};
    QTest::newRow("user folder") << QStringList{scriptsFolder()};
    QTest::newRow("user folder and the program's folder")
        << QStringList{scriptsFolder(), scriptsFolder("Trundle Scripts")};
    QTest::newRow("three levels") << QStringList{scriptsFolder(), scriptsFolder("Trundle Scripts"),
                                                 scriptsFolder("Trundle Scripts/Sub")};
    QTest::newRow("siblings") << QStringList{scriptsFolder(), scriptsFolder("Other"),
                                             scriptsFolder("Trundle Scripts")};
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
        << QStringList{scriptsFolder("Trundle Scripts"), scriptsFolder()}
        << QStringList{scriptsFolder()};
    QTest::newRow("repeated path") << QStringList{scriptsFolder(), scriptsFolder(),
                                                  scriptsFolder("Other"), scriptsFolder("Other")}
                                   << inRowOrder({scriptsFolder(), scriptsFolder("Other")});
    QTest::newRow("path of a file")
        << QStringList{scriptsFolder(), scriptsFolder("z.sh")} << QStringList{scriptsFolder()};
    QTest::newRow("paths that are not shown")
        << QStringList{"/nowhere", scriptsFolder() + "/", "relative/path", ""} << QStringList{};
    QTest::newRow("path differing in case")
        << QStringList{scriptsFolder().toUpper()} << QStringList{};
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
    QTest::newRow("a text") << PlistValue(scriptsFolder());
    QTest::newRow("a number") << PlistValue(3);
    QTest::newRow("a dictionary") << PlistValue::newDictionary(
        {{"a", PlistValue(scriptsFolder())}});
}

void TestExpandedState::valueThatIsNotAListChangesNothing()
{
    QFETCH(PlistValue, value);
    Browser browser;
    browser.open({scriptsFolder(), scriptsFolder("Other")});
    StandardErrorCapture capture;
    browser.ds.setExpandedState(value);
    const QString log = capture.text();
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList(inRowOrder({scriptsFolder(), scriptsFolder("Other")})));
    // Something stored that is not a list is worth a line; nothing stored is a first start.
    QCOMPARE(log.contains("not a list"), !value.isNull());
}

void TestExpandedState::innerFolderOfAClosedFolderIsNotRecorded()
{
    Browser browser;
    browser.open({scriptsFolder(), scriptsFolder("Trundle Scripts")});
    browser.view.collapse(browser.ds.browserModel()->indexForItem(
        browser.ds.itemForPersistentObject(PlistValue(scriptsFolder()))));
    QCOMPARE(browser.ds.expandedState(), PlistValue::fromStringList({}));
}

void TestExpandedState::deletedFolderIsSkipped()
{
    QVERIFY(makeFolder(scriptsFolder("Doomed")));
    PlistValue recorded;
    {
        Browser first;
        first.open({scriptsFolder(), scriptsFolder("Doomed"), scriptsFolder("Other")});
        recorded = first.ds.expandedState();
    }
    QVERIFY(QDir(scriptsFolder("Doomed")).removeRecursively());
    Browser second;
    second.ds.setExpandedState(recorded);
    QCOMPARE(second.ds.expandedState(),
             PlistValue::fromStringList(inRowOrder({scriptsFolder(), scriptsFolder("Other")})));
}

void TestExpandedState::initOutlineRestoresTheStoredRows()
{
    appGlobals->setObject(
        PlistValue::fromStringList({scriptsFolder(), scriptsFolder("Trundle Scripts")}),
        kExpandedItemsSettingKey);
    Browser browser; // its initOutline reads the setting
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList({scriptsFolder(), scriptsFolder("Trundle Scripts")}));
    // Reloading (the preferences window opening again) collapses and restores the same rows.
    browser.open({scriptsFolder("Other")});
    browser.ds.initOutline();
    QCOMPARE(browser.ds.expandedState(),
             PlistValue::fromStringList({scriptsFolder(), scriptsFolder("Trundle Scripts")}));
}

void TestExpandedState::persistentObjectIsTheFullPath()
{
    Browser browser;
    browser.open({scriptsFolder()});
    FileSystemItem *item = browser.ds.itemForPersistentObject(PlistValue(scriptsFolder("Other")));
    QVERIFY(item);
    QCOMPARE(browser.ds.persistentObjectForItem(item), scriptsFolder("Other"));
    QCOMPARE(browser.ds.itemForPersistentObject(PlistValue(3)), nullptr);
}

TRUNDLE_TEST_MAIN(TestExpandedState)
#include "test_expandedstate.moc"
