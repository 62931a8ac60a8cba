// SPDX-License-Identifier: GPL-3.0-or-later
// The hot-key table: one script per ID, one ID per script after an assignment, lookups by text.

#include "logcapture.h"
#include "preferencesdictionary.h"
#include "resources.h"
#include "shortcuttable.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestShortcutTable : public QObject
{
    Q_OBJECT

    const QString a = QStringLiteral("/home/u/Library/Scripts/a.sh");
    const QString b = QStringLiteral("/home/u/Library/Scripts/b.sh");

    PlistDictionaryRef table() { return shortcutTable(); }

private slots:
    void initTestCase() { installTextTable(); }

    void init()
    {
        appGlobals = QZPreferencesDictionary::dictionary();
        appGlobals->plausibilitaetsTest(); // an empty table, as after a first start
    }

    void emptyTableBindsNothing()
    {
        QCOMPARE(shortcutIDForFullPath(a), qint64(defaultShortcutID()));
        QCOMPARE(scriptPathForShortcutID(5), QString());
    }

    void idMovesToTheNewScriptWithoutRemovingLine()
    {
        QSignalSpy changes(ShortcutTableChanges::instance(), &ShortcutTableChanges::changed);
        assignShortcut(5, a);
        LogCapture capture;
        assignShortcut(5, b);
        QCOMPARE(changes.count(), 2); // after each assignment, as the portal must rebind
        QCOMPARE(table()->keys(), QStringList{"5"});
        QCOMPARE(scriptPathForShortcutID(5), b);
        QCOMPARE(shortcutIDForFullPath(a), qint64(defaultShortcutID()));
        QVERIFY(capture.messages().filter(QStringLiteral("Removing:")).isEmpty());
    }

    void scriptMovesToTheNewIdWithOneRemovingLine()
    {
        assignShortcut(5, a);
        LogCapture capture;
        assignShortcut(7, a);
        QCOMPARE(table()->keys(), QStringList{"7"});
        QCOMPARE(capture.messages().filter(QStringLiteral("Removing:")),
                 QStringList{QStringLiteral("Removing: 5 (key), %1 (object)").arg(a)});
    }

    void sameAssignmentTwiceKeepsOneEntry()
    {
        assignShortcut(5, a);
        assignShortcut(5, a);
        QCOMPARE(table()->size(), 1);
        QCOMPARE(scriptPathForShortcutID(5), a);
    }

    void restoredDuplicatesStayUntilReassigned()
    {
        table()->insert(QStringLiteral("3"), a);
        table()->insert(QStringLiteral("9"), a);
        QCOMPARE(scriptPathForShortcutID(3), a);
        QCOMPARE(scriptPathForShortcutID(9), a);
        QCOMPARE(shortcutIDForFullPath(a), qint64(3)); // first in the table's order

        LogCapture capture;
        assignShortcut(4, a);
        QCOMPARE(table()->keys(), QStringList{"4"});
        QCOMPARE(capture.messages().filter(QStringLiteral("Removing:")).size(), 2);
    }

    void defaultIdIsStoredLikeAnyOther()
    {
        assignShortcut(0, a);
        QCOMPARE(scriptPathForShortcutID(0), a);
        assignShortcut(0, b);
        QCOMPARE(scriptPathForShortcutID(0), b);
        QCOMPARE(shortcutIDForFullPath(a), qint64(defaultShortcutID()));
    }

    void pathsCompareExactly_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::newRow("letter case") << "/home/u/Library/Scripts/A.sh";
        QTest::newRow("trailing slash") << "/home/u/Library/Scripts/a.sh/";
        QTest::newRow("decomposed accent") << QString::fromUtf8("/x/Cafe\u0301.sh");
    }

    void pathsCompareExactly()
    {
        QFETCH(QString, probe);
        assignShortcut(6, a);
        assignShortcut(8, QString::fromUtf8("/x/Caf\u00e9.sh"));
        QCOMPARE(shortcutIDForFullPath(probe), qint64(defaultShortcutID()));
    }

    void handEditedKeysAndValues()
    {
        table()->insert(QStringLiteral("abc"), a); // no leading digits: reads as 0
        table()->insert(QStringLiteral("12"), 42); // not a text: never matches, never runs
        QCOMPARE(shortcutIDForFullPath(a), qint64(0));
        QCOMPARE(scriptPathForShortcutID(12), QString());
    }

    void reverseLookupLogLines()
    {
        assignShortcut(5, a);
        LogCapture capture;
        shortcutIDForFullPath(a);
        shortcutIDForFullPath(b);
        const QStringList said = capture.messages();
        QVERIFY(said.contains(QStringLiteral("Found for key (==Shortcut-ID): 5")));
        QVERIFY(said.contains(QStringLiteral("Found nothing for key!")));
    }

    void idTitles()
    {
        QCOMPARE(titleForShortcutID(5), QStringLiteral("F5"));
        QCOMPARE(titleForShortcutID(14), QStringLiteral("Right Button"));
        QCOMPARE(titleForShortcutID(0), QStringLiteral("None"));
        QCOMPARE(titleForShortcutID(99), QStringLiteral("HotKey99")); // no entry: the key itself
        QCOMPARE(hotKeyCount(), 20);
        QCOMPARE(firstMouseButtonID(), qint64(13));
        QCOMPARE(noShortcutTitle(), QStringLiteral("None"));
    }

    // No folder takes a key, a link to one neither; an older file's folder key is kept and
    // named for the user until a script takes the key.
    void foldersAreNeverBound()
    {
        QTemporaryDir root;
        const QString dir = root.filePath("dir"), link = root.filePath("link");
        QVERIFY(QDir().mkdir(dir) && QFile::link(dir, link));
        assignShortcut(6, a);
        QSignalSpy changes(ShortcutTableChanges::instance(), &ShortcutTableChanges::changed);
        QVERIFY(!assignShortcut(6, dir) && !assignShortcut(7, link) && changes.isEmpty());
        QCOMPARE(table()->keys(), QStringList{"6"});
        table()->insert(QStringLiteral("14"), dir); // as an older version left it
        table()->insert(QStringLiteral("0"), link); // no key: nothing to say
        QCOMPARE(folderBindings(), (QList<QPair<qint64, QString>>{{14, dir}}));
        QCOMPARE(folderBindingNotes().join('|').section(" and does", 0, 0),
                 QStringLiteral("Right Button is bound to the folder %1").arg(dir));
        assignShortcut(14, b);
        QVERIFY(folderBindingNotes().isEmpty());
    }

    void noTableMeansNothingBound()
    {
        appGlobals->removeObjectForKey(kShortcutsSettingKey);
        QCOMPARE(scriptPathForShortcutID(5), QString());
        assignShortcut(5, a); // nowhere to store it, and no crash
        QCOMPARE(shortcutIDForFullPath(a), qint64(defaultShortcutID()));
    }
};

QTEST_GUILESS_MAIN(TestShortcutTable)
#include "test_shortcuttable.moc"
