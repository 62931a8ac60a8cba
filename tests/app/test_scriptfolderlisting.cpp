// One level of a script folder as the tray menu lists it: the file system's order, the verdict
// for every entry, and the chain of folders that stops a submenu from leading back up.

#include "scriptfolderlisting.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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

    static FolderIdentity identityOf(const QString &folder)
    {
        struct stat info;
        if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
            return {};
        return {info.st_dev, info.st_ino};
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
        };
        QCOMPARE(kindsByName(listing), expected);
    }

    void theChainCutsLinksToAnyFolderAbove()
    {
        touch(QStringLiteral("A/B/deep.sh"));
        QVERIFY(QFile::link(m_dir.path(), path(QStringLiteral("A/B/to-root"))));
        QVERIFY(QFile::link(path(QStringLiteral("A/B")), path(QStringLiteral("A/B/to-self"))));
        QVERIFY(QFile::link(path(QStringLiteral("A")), path(QStringLiteral("A/B/to-A"))));

        // Filled one submenu at a time, as the menu does, each with the chain of the one above.
        const ScriptFolderListing root = listScriptFolder(m_dir.path(), {});
        QCOMPARE(root.chain, FolderChain{identityOf(m_dir.path())});
        const ScriptFolderListing a = listScriptFolder(path(QStringLiteral("A")), root.chain);
        const ScriptFolderListing b = listScriptFolder(path(QStringLiteral("A/B")), a.chain);
        QCOMPARE(b.chain, (FolderChain{identityOf(m_dir.path()), identityOf(path("A")),
                                       identityOf(path("A/B"))}));
        const QHash<QString, Kind> expected = {{QStringLiteral("deep.sh"), Kind::Script},
                                               {QStringLiteral("to-root"), Kind::LeadsBack},
                                               {QStringLiteral("to-self"), Kind::LeadsBack},
                                               {QStringLiteral("to-A"), Kind::LeadsBack}};
        QCOMPARE(kindsByName(b), expected);
        // Without the chain above it the same folder would lead on, round and round.
        QCOMPARE(kindsByName(listScriptFolder(path(QStringLiteral("A/B")), {}))
                     .value(QStringLiteral("to-A")),
                 Kind::Folder);
    }

    void aFolderThatCannotBeListedHasNoEntries()
    {
        const ScriptFolderListing missing =
            listScriptFolder(path(QStringLiteral("missing")), FolderChain{{1, 2}});
        QVERIFY(missing.entries.isEmpty());
        QCOMPARE(missing.chain, (FolderChain{{1, 2}}));

        touch(QStringLiteral("file.sh"));
        QVERIFY(listScriptFolder(path(QStringLiteral("file.sh")), {}).entries.isEmpty());

        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        touch(QStringLiteral("Locked/secret.sh"));
        QFile::setPermissions(path(QStringLiteral("Locked")), QFile::WriteOwner);
        const ScriptFolderListing locked = listScriptFolder(path(QStringLiteral("Locked")), {});
        QFile::setPermissions(path(QStringLiteral("Locked")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(locked.entries.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptFolderListing)
#include "test_scriptfolderlisting.moc"
