// SPDX-License-Identifier: GPL-3.0-or-later
// One level of a script folder as the tray menu lists it: sorted by name, and the verdict for
// every entry. How submenus use it, and the chain of folders across fills, is
// tested with the menu (test_statusmenu).

#include "scriptfolderlisting.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Kind = ScriptFolderEntry::Kind;

class TestScriptFolderListing : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    void touch(const QString &relative) const
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    static QStringList namesOf(const ScriptFolderListing &listing)
    {
        QStringList names;
        for (const ScriptFolderEntry &entry : listing.entries)
            names.append(entry.name);
        return names;
    }

    static QHash<QString, Kind> kindsByName(const ScriptFolderListing &listing)
    {
        QHash<QString, Kind> kinds;
        for (const ScriptFolderEntry &entry : listing.entries)
            kinds.insert(entry.name, entry.kind);
        return kinds;
    }

private slots:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void everyEntryGetsItsVerdictSortedByName()
    {
        touch(QStringLiteral("b.scpt"));
        touch(QStringLiteral(".DS_Store"));
        touch(QStringLiteral(".hidden/x.sh"));
        touch(QStringLiteral("Mail/x.applescript"));
        touch(QStringLiteral("Café \"$(x)\" `y`.sh"));
        QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling"))));
        QVERIFY(QFile::link(path(QStringLiteral("self")), path(QStringLiteral("self"))));
        QVERIFY(QFile::link(path(QStringLiteral("Mail")), path(QStringLiteral("to-Mail"))));
        QVERIFY(QFile::link(path(QStringLiteral("b.scpt")), path(QStringLiteral("to-file"))));
        QVERIFY(QFile::link(m_dir.path(), path(QStringLiteral("here"))));

        const ScriptFolderListing listing = listScriptFolder(m_dir.path(), {});
        for (const ScriptFolderEntry &entry : listing.entries)
            QCOMPARE(entry.fullPath, m_dir.path() + u'/' + entry.name);
        // Folders among the files, capitals among the small letters.
        QCOMPARE(namesOf(listing),
                 (QStringList{".DS_Store", ".hidden", "b.scpt", "Café \"$(x)\" `y`.sh", "dangling",
                              "here", "Mail", "self", "to-file", "to-Mail"}));

        const QHash<QString, Kind> expected = {
            {QStringLiteral("b.scpt"), Kind::Script},
            {QStringLiteral(".DS_Store"), Kind::DotFile},
            {QStringLiteral(".hidden"), Kind::DotFile},
            {QStringLiteral("Mail"), Kind::Folder},
            {QStringLiteral("Café \"$(x)\" `y`.sh"), Kind::Script},
            {QStringLiteral("dangling"), Kind::LinkToNothing},
            {QStringLiteral("self"), Kind::LinkToNothing},
            // A link to a sibling folder is a folder like any other.
            {QStringLiteral("to-Mail"), Kind::Folder},
            {QStringLiteral("to-file"), Kind::Script},
            // The listed folder is the last of the chain: a link to it leads back.
            {QStringLiteral("here"), Kind::LeadsBack},
        };
        QCOMPARE(kindsByName(listing), expected);
    }

    void entriesAreSortedByName_data()
    {
        // Entries made in this order, and the order listed.
        QTest::addColumn<QStringList>("made");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("numbers by value")
            << QStringList{"script 10.sh", "script 2.sh", "script 1.sh", "script 02b.sh"}
            << QStringList{"script 1.sh", "script 2.sh", "script 02b.sh", "script 10.sh"};
        QTest::newRow("accents sort with their letter")
            << QStringList{"zebra.sh", "Éclair.sh", "echo.sh"}
            << QStringList{"echo.sh", "Éclair.sh", "zebra.sh"};
        QTest::newRow("names equal but for case keep one order")
            << QStringList{"a.sh", "A.sh", "b.sh", "B.sh"}
            << QStringList{"A.sh", "a.sh", "B.sh", "b.sh"};
    }

    void entriesAreSortedByName()
    {
        QFETCH(QStringList, made);
        QFETCH(QStringList, listed);
        for (const QString &name : made)
            touch(name);
        QCOMPARE(namesOf(listScriptFolder(m_dir.path(), {})), listed);
    }
};

QTEST_GUILESS_MAIN(TestScriptFolderListing)
#include "test_scriptfolderlisting.moc"
