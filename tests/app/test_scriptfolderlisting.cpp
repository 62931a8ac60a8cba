// SPDX-License-Identifier: GPL-3.0-or-later
// One level of a script folder as the tray menu lists it: the file system's order and the
// verdict for every entry. How submenus use it, and the chain of folders across fills, is
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

    void everyEntryGetsItsVerdictInTheFileSystemsOrder()
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
        QStringList listedOrder;
        for (QDirIterator it(m_dir.path(),
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
             it.hasNext();)
            listedOrder.append(it.nextFileInfo().fileName());
        QStringList names;
        for (const ScriptFolderEntry &entry : listing.entries) {
            names.append(entry.name);
            QCOMPARE(entry.fullPath, m_dir.path() + u'/' + entry.name);
        }
        QCOMPARE(names, listedOrder);

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
};

QTEST_GUILESS_MAIN(TestScriptFolderListing)
#include "test_scriptfolderlisting.moc"
