// SPDX-License-Identifier: GPL-3.0-or-later
// The browser follows the disk: a folder item brought in line with its folder again (what is
// kept, removed, inserted, renamed, in which order), and a browser whose shown folders change
// while it is open, keeping its open rows and selection.

#include "browsertestsupport.h"
#include "filebrowserdatasource.h"
#include "filebrowsermodel.h"
#include "filesystemitem.h"

#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>

namespace {

// Records the changes an update makes, and checks that each comes between its two calls.
class RecordingObserver : public FileSystemItem::ChildrenObserver
{
public:
    QStringList changes;

    void willRemoveChildren(FileSystemItem *, qint64 first, qint64 last) override
    {
        changes.append(QStringLiteral("remove %1-%2").arg(first).arg(last));
    }
    void didRemoveChildren() override {}
    void willInsertChildren(FileSystemItem *, qint64 first, qint64 last) override
    {
        changes.append(QStringLiteral("insert %1-%2").arg(first).arg(last));
    }
    void didInsertChildren() override {}
    void willMoveChild(FileSystemItem *, qint64 from, qint64 to) override
    {
        changes.append(QStringLiteral("move %1 to %2").arg(from).arg(to));
    }
    void didMoveChild() override {}
    void didRenameChild(FileSystemItem *child) override
    {
        changes.append(QStringLiteral("rename to ") + child->name());
    }
    void didChangeChild(FileSystemItem *child) override
    {
        changes.append(QStringLiteral("change ") + child->name());
    }
};

QStringList childNames(FileSystemItem *item)
{
    QStringList names;
    for (qint64 i = 0; i < item->numberOfChildren(); ++i)
        names.append(item->childAtIndex(i)->name());
    return names;
}

QStringList shownNames(const QStringList &listing)
{
    QStringList names;
    for (const QString &name : listing)
        if (!name.startsWith(u'.'))
            names.append(name);
    return names;
}

// A browser with the model tester watching every change.
struct Browser : BrowserOnView
{
    Browser() : BrowserOnView(true) {}
    QString selectedPath()
    {
        FileSystemItem *item = ds.selectedItem();
        return item ? item->fullPath() : QString();
    }
    bool shows(const QString &path) { return indexOf(path).isValid(); }
};

} // namespace

class TestFollowingTheDisk : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        QDir(scriptsFolder()).removeRecursively();
        QDir().mkpath(scriptsFolder());
        resetSettings();
    }

    void anUpdateKeepsWhatStaysAndFollowsTheListing()
    {
        const QString folder = m_dir.path();
        for (const char *name : {"a.sh", "b.sh", "c.sh", "d.sh"})
            QVERIFY(writeFile(folder + u'/' + QString::fromUtf8(name)));
        QVERIFY(makeFolder(folder + QStringLiteral("/Sub")));
        QVERIFY(writeFile(folder + QStringLiteral("/Sub/inner.sh")));
        auto root = FileSystemItem::rootItemWithPath(folder);
        QCOMPARE(childNames(root.get()), listingOrder(folder));
        FileSystemItem *sub = root->readChildNamed(u"Sub");
        QVERIFY(sub);
        QCOMPARE(childNames(sub), QStringList{"inner.sh"});
        FileSystemItem *c = root->readChildNamed(u"c.sh");

        // Made before the others go, so that it cannot take over one of their inodes.
        QVERIFY(writeFile(folder + QStringLiteral("/e $x \"q\" é.sh")));
        QVERIFY(QFile::remove(folder + QStringLiteral("/b.sh")));
        QVERIFY(QFile::remove(folder + QStringLiteral("/d.sh")));
        QVERIFY(writeFile(folder + QStringLiteral("/.hidden.sh")));
        QVERIFY(
            QFile::rename(folder + QStringLiteral("/Sub"), folder + QStringLiteral("/Renamed")));
        RecordingObserver observer;
        QVERIFY(root->updateChildren(observer));

        QCOMPARE(childNames(root.get()), shownNames(listingOrder(folder)));
        for (qint64 i = 0; i < root->numberOfChildren(); ++i) {
            QCOMPARE(root->childAtIndex(i)->indexInParent(), i);
            QCOMPARE(root->childAtIndex(i)->fullPath(),
                     folder + u'/' + root->childAtIndex(i)->name());
        }
        // The same objects stay; the renamed folder keeps its children, under its new path.
        QCOMPARE(root->readChildNamed(u"c.sh"), c);
        QCOMPARE(root->readChildNamed(u"Renamed"), sub);
        QCOMPARE(sub->childAtIndex(0)->fullPath(), folder + QStringLiteral("/Renamed/inner.sh"));
        QVERIFY(observer.changes.contains(QStringLiteral("rename to Renamed")));
        QVERIFY(!observer.changes.filter(QStringLiteral("insert")).isEmpty());
        QVERIFY(!observer.changes.filter(QStringLiteral("remove")).isEmpty());

        // Nothing changed on disk: nothing changes in the tree.
        RecordingObserver quiet;
        QVERIFY(root->updateChildren(quiet));
        QCOMPARE(quiet.changes, QStringList());
    }

    void aChangeTakesItsPlaceByName_data()
    {
        // Scripts made executable ("-" before a name: not executable), one
        // change ("add", "rename", "chmod" with its arguments), the changes the update reports
        // and the names after it.
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("a new script between two")
            << QStringList{"a.sh", "c.sh"} << QStringList{"add", "B.sh"}
            << QStringList{"insert 1-1"} << QStringList{"a.sh", "B.sh", "c.sh"};
        QTest::newRow("a renamed script moves to its new place")
            << QStringList{"a.sh", "b.sh", "c.sh"} << QStringList{"rename", "a.sh", "z.sh"}
            << QStringList{"rename to z.sh", "move 1 to 0", "move 2 to 1"}
            << QStringList{"b.sh", "c.sh", "z.sh"};
        QTest::newRow("made executable")
            << QStringList{"-a.sh", "b.sh"} << QStringList{"chmod", "a.sh", "755"}
            << QStringList{"change a.sh"} << QStringList{"a.sh", "b.sh"};
    }

    void aChangeTakesItsPlaceByName()
    {
        QFETCH(QStringList, made);
        QFETCH(QStringList, change);
        QFETCH(QStringList, changes);
        QFETCH(QStringList, names);
        const QString folder = m_dir.path() + u'/';
        const auto make = [&](const QString &name) {
            if (name.startsWith(u'-'))
                return writeFile(folder + name.mid(1), "#!/bin/sh\n");
            return writeFile(folder + name, "#!/bin/sh\n", true);
        };
        for (const QString &name : made)
            QVERIFY(make(name));
        auto root = FileSystemItem::rootItemWithPath(m_dir.path());
        QCOMPARE(root->numberOfChildren(), made.size());

        if (change[0] == "add")
            QVERIFY(make(change[1]));
        else if (change[0] == "rename")
            QVERIFY(QFile::rename(folder + change[1], folder + change[2]));
        else
            QCOMPARE(::chmod(QFile::encodeName(folder + change[1]).constData(),
                             mode_t(change[2].toUInt(nullptr, 8))),
                     0);
        RecordingObserver observer;
        QVERIFY(root->updateChildren(observer));
        QCOMPARE(observer.changes, changes);
        QCOMPARE(childNames(root.get()), names);
        if (change[0] == "chmod")
            QCOMPARE(root->readChildNamed(change[1])->lacksExecuteBit(), change[2] == "644");
    }

    void anEntryThatChangedKindIsReplaced()
    {
        const QString folder = m_dir.path();
        QVERIFY(makeFolder(folder + QStringLiteral("/x")));
        QVERIFY(writeFile(folder + QStringLiteral("/x/inner.sh")));
        auto root = FileSystemItem::rootItemWithPath(folder);
        FileSystemItem *x = root->childAtIndex(0);
        QCOMPARE(x->numberOfChildren(), 1);

        QVERIFY(QDir(folder + QStringLiteral("/x")).removeRecursively());
        QVERIFY(writeFile(folder + QStringLiteral("/x")));
        RecordingObserver observer;
        QVERIFY(root->updateChildren(observer));
        QCOMPARE(observer.changes, (QStringList{"remove 0-0", "insert 0-0"}));
        QCOMPARE(root->childAtIndex(0)->numberOfChildren(), -1);
    }

    void theBrowserShowsChangesAndKeepsOpenRowsAndSelection()
    {
        QVERIFY(makeFolder(scriptsFolder(QStringLiteral("Open/Deeper"))));
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Open/Deeper/chosen.sh"))));
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Open/old.sh"))));
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("top.sh"))));
        Browser browser;
        browser.view.expand(browser.indexOf(scriptsFolder()));
        browser.view.expand(browser.indexOf(scriptsFolder(QStringLiteral("Open"))));
        browser.view.expand(browser.indexOf(scriptsFolder(QStringLiteral("Open/Deeper"))));
        browser.view.selectionModel()->select(
            browser.indexOf(scriptsFolder("Open/Deeper/chosen.sh")),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // The user's folder, Open and Deeper; /Library/Scripts does not exist, so the folder
        // above it is watched for it to be made.
        QTRY_COMPARE_WITH_TIMEOUT(browser.ds.watchedFolders().size(), 4, 10000);

        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Open/new $1 ü.sh"))));
        QTRY_VERIFY_WITH_TIMEOUT(browser.shows(scriptsFolder(QStringLiteral("Open/new $1 ü.sh"))),
                                 10000);
        QVERIFY(QFile::remove(scriptsFolder(QStringLiteral("Open/old.sh"))));
        QVERIFY(QFile::remove(scriptsFolder(QStringLiteral("top.sh"))));
        QTRY_VERIFY_WITH_TIMEOUT(!browser.shows(scriptsFolder(QStringLiteral("Open/old.sh"))),
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!browser.shows(scriptsFolder(QStringLiteral("top.sh"))), 10000);
        QVERIFY(
            browser.view.isExpanded(browser.indexOf(scriptsFolder(QStringLiteral("Open/Deeper")))));
        QCOMPARE(browser.selectedPath(), scriptsFolder(QStringLiteral("Open/Deeper/chosen.sh")));

        // A renamed open folder stays open, and the selection inside it follows it.
        QVERIFY(QFile::rename(scriptsFolder(QStringLiteral("Open/Deeper")),
                              scriptsFolder(QStringLiteral("Open/Moved"))));
        QTRY_VERIFY_WITH_TIMEOUT(browser.shows(scriptsFolder(QStringLiteral("Open/Moved"))), 10000);
        QVERIFY(
            browser.view.isExpanded(browser.indexOf(scriptsFolder(QStringLiteral("Open/Moved")))));
        QCOMPARE(browser.selectedPath(), scriptsFolder(QStringLiteral("Open/Moved/chosen.sh")));
        QTRY_VERIFY_WITH_TIMEOUT(browser.ds.watchedFolders().contains(scriptsFolder("Open/Moved")),
                                 10000);
        QVERIFY(
            !browser.ds.watchedFolders().contains(scriptsFolder(QStringLiteral("Open/Deeper"))));
        // The folder is followed under its new name.
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Open/Moved/later.sh"))));
        QTRY_VERIFY_WITH_TIMEOUT(
            browser.shows(scriptsFolder(QStringLiteral("Open/Moved/later.sh"))), 10000);
    }

    void aMissingRootShowsOnceMadeAndAgainWhenGone()
    {
        QVERIFY(QDir(scriptsFolder()).removeRecursively());
        Browser browser;
        const auto userRow = [&] {
            return browser.ds.model()->index(0, 0);
        };
        QCOMPARE(userRow().data().toString(), QString("~/Library/Scripts (missing)"));
        QVERIFY(userRow().data(Qt::ForegroundRole).isValid());
        browser.view.expand(userRow());
        QTRY_VERIFY_WITH_TIMEOUT(
            browser.ds.watchedFolders().contains(QDir::homePath() + QStringLiteral("/Library")),
            10000);

        QVERIFY(makeFolder(scriptsFolder()));
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("new.sh"))));
        QTRY_VERIFY_WITH_TIMEOUT(browser.shows(scriptsFolder(QStringLiteral("new.sh"))), 10000);
        QCOMPARE(userRow().data().toString(), QString("~/Library/Scripts"));
        QVERIFY(!userRow().data(Qt::ForegroundRole).isValid());

        QVERIFY(QDir(scriptsFolder()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(userRow().data().toString(),
                                  QString("~/Library/Scripts (missing)"), 10000);
        QCOMPARE(browser.ds.model()->rowCount(userRow()), 0);
    }

    void aClosedFolderIsNotWatchedAndIsCurrentWhenItOpens()
    {
        QVERIFY(makeFolder(scriptsFolder(QStringLiteral("Sub"))));
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Sub/a.sh"))));
        Browser browser;
        browser.view.expand(browser.indexOf(scriptsFolder()));
        const QModelIndex sub = browser.indexOf(scriptsFolder(QStringLiteral("Sub")));
        browser.view.expand(sub);
        QTRY_VERIFY_WITH_TIMEOUT(browser.ds.watchedFolders().contains(scriptsFolder("Sub")), 10000);
        // Only what is shown: the second root does not exist, so only the folder above it is.
        QCOMPARE(browser.ds.watchedFolders().size(), 3);

        browser.view.collapse(sub);
        QTRY_VERIFY_WITH_TIMEOUT(!browser.ds.watchedFolders().contains(scriptsFolder("Sub")),
                                 10000);
        QVERIFY(writeFile(scriptsFolder(QStringLiteral("Sub/b.sh"))));
        QVERIFY(QFile::remove(scriptsFolder(QStringLiteral("Sub/a.sh"))));
        browser.view.expand(sub);
        QTRY_VERIFY_WITH_TIMEOUT(browser.shows(scriptsFolder(QStringLiteral("Sub/b.sh"))), 10000);
        QVERIFY(!browser.shows(scriptsFolder(QStringLiteral("Sub/a.sh"))));
    }
};

TRUNDLE_TEST_MAIN(TestFollowingTheDisk)
#include "test_followingthedisk.moc"
