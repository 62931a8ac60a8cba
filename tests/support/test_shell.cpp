// SPDX-License-Identifier: GPL-3.0-or-later
// The shell funnel and temporary files: output capture, quoting of awkward names, the private
// temporary folder.

#include "shell.h"
#include "tempfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

class TestShell : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;
    QTemporaryDir m_work;

    QString writeScript(const QString &name, const QByteArray &body)
    {
        QString path = m_work.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#!/bin/sh\n" + body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QStringList captureFilesLeft() const
    {
        return QDir(getNewTempFolderPath())
            .entryList({getOurProcessName() + QStringLiteral("_*.tmp")}, QDir::Files);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QVERIFY(m_work.isValid());
        ::chmod(QFile::encodeName(m_runtime.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void tempPathsLiveInThePrivateFolder()
    {
        QCOMPARE(getNewTempFolderPath(), m_runtime.path() + u'/');
        const QString path = getNewTempFilePath(QStringLiteral("Quillbox"));
        QCOMPARE(path,
                 m_runtime.path() + u'/' + getOurProcessName() + QStringLiteral("_Quillbox.tmp"));
        QCOMPARE(getNewTempFilePath(QStringLiteral("Quillbox")), path);
        QVERIFY(!QFile::exists(path)); // naming a path does not create the file
    }

    void privateFolderCheck()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path());
        ::chmod(path.constData(), 0700);
        QVERIFY(isPrivateFolder(dir.path()));
        ::chmod(path.constData(), 0770); // group may write: another user could plant files
        QVERIFY(!isPrivateFolder(dir.path()));
        ::chmod(path.constData(), 0777);
        QVERIFY(!isPrivateFolder(dir.path()));
        ::chmod(path.constData(), 0700);

        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(dir.path(), link)); // a symbolic link is never trusted
        QVERIFY(!isPrivateFolder(link));
        QVERIFY(!isPrivateFolder(dir.filePath(QStringLiteral("missing"))));
    }

    void instanceFolderIsFoundWhateverTheEnvironment_data()
    {
        QTest::addColumn<QString>("runtime"); // what /run/user/<uid> is
        QTest::addColumn<int>("homeMode");
        QTest::addColumn<bool>("sessionElsewhere"); // XDG_RUNTIME_DIR names a folder of its own
        QTest::addColumn<QString>("expected");      // "runtime", "home", "session" or "" (neither)
        QTest::newRow("user's runtime folder") << "0700" << 0700 << false << "runtime";
        QTest::newRow("another session's folder") << "0700" << 0700 << true << "session";
        QTest::newRow("no logind, variable set") << "missing" << 0700 << true << "home";
        QTest::newRow("runtime folder others can enter") << "0755" << 0700 << false << "home";
        QTest::newRow("runtime folder is a link") << "link" << 0700 << false << "home";
        QTest::newRow("runtime folder is a file") << "file" << 0755 << false << "home";
        QTest::newRow("home others may write") << "missing" << 0777 << false << "";
        QTest::newRow("home group may write") << "missing" << 0770 << false << "";
    }

    void instanceFolderIsFoundWhateverTheEnvironment()
    {
        QFETCH(QString, runtime);
        QFETCH(int, homeMode);
        QFETCH(bool, sessionElsewhere);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("run-user"));
        const QString home = dir.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(root));
        QVERIFY(QDir().mkpath(home));
        ::chmod(QFile::encodeName(home).constData(), mode_t(homeMode));
        const QString own = root + u'/' + QString::number(::geteuid());
        if (runtime == QLatin1String("link")) {
            const QString target = dir.filePath(QStringLiteral("elsewhere"));
            QVERIFY(QDir().mkpath(target));
            ::chmod(QFile::encodeName(target).constData(), 0700);
            QVERIFY(QFile::link(target, own));
        } else if (runtime == QLatin1String("file")) {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (runtime != QLatin1String("missing")) {
            QVERIFY(QDir().mkpath(own));
            ::chmod(QFile::encodeName(own).constData(), mode_t(runtime.toInt(nullptr, 8)));
        }

        const QString session = dir.filePath(QStringLiteral("session"));
        QVERIFY(QDir().mkpath(session));
        ::chmod(QFile::encodeName(session).constData(), 0700);
        const QString named = sessionElsewhere ? session : QString();
        const QString found = instanceFolderFor(::geteuid(), root, home, named);
        const QString wanted = expected == QLatin1String("runtime")   ? own + u'/'
                               : expected == QLatin1String("session") ? session + u'/'
                               : expected == QLatin1String("home")
                                   ? home + QStringLiteral("/.cache/trundle/")
                                   : QString();
        QCOMPARE(found, wanted);
        if (!found.isEmpty()) {
            QVERIFY(isPrivateFolder(found));
            // Asked again, the same folder: nothing the first call made changes the choice.
            QCOMPARE(instanceFolderFor(::geteuid(), root, home, named), found);
        }
        ::chmod(QFile::encodeName(home).constData(), 0700);
    }

    void outputLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << "" << QStringList{""};
        QTest::newRow("trailing newline") << "a\n" << QStringList{"a", ""};
        QTest::newRow("crlf gives an empty line") << "a\r\nb" << QStringList{"a", "", "b"};
        QTest::newRow("unicode separators") << QString::fromUtf16(u"a\u2028b\u0085c\u2029d\fe\vf")
                                            << QStringList{"a", "b", "c", "d", "e", "f"};
        QTest::newRow("no separator") << "abc" << QStringList{"abc"};
    }

    void outputLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(::outputLines(text), lines);
    }

    void captureOfOutput_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("output ending in a newline") << "echo hello" << QStringList{"hello", ""};
        QTest::newRow("no output") << "true" << QStringList{""};
        QTest::newRow("standard error too")
            << "sh -c 'echo out; echo err >&2'" << QStringList{"out", "err", ""};
        QTest::newRow("only the last command of a list")
            << "echo first >/dev/null; echo second" << QStringList{"second", ""};
        QTest::newRow("non-ASCII output") << "printf 'Caf\\303\\251'" << QStringList{"Café"};
        QTest::newRow("failing command") << "sh -c 'echo oops; exit 3'" << QStringList{"oops", ""};
    }

    void captureOfOutput()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, lines);
        const std::optional<QStringList> output = executeScriptAndCollectOutput(command);
        QVERIFY(output.has_value());
        QCOMPARE(*output, lines);
        QVERIFY(captureFilesLeft().isEmpty());
    }

    void invalidUtf8OutputGivesNothing()
    {
        QVERIFY(!executeScriptAndCollectOutput(QStringLiteral("printf '\\377\\376'")).has_value());
        QVERIFY(captureFilesLeft().isEmpty());
    }

    // A caller's work while the command runs (the runner brings its panel to the screen there):
    // called once, after the command has started and before it has ended, with the interrupt
    // signal ignored as system() ignores it; the output is captured as without it.
    void awkwardScriptNamesRunExactlyThatScript_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blanks") << "my script.sh";
        QTest::newRow("double quotes") << "say \"hi\".sh";
        QTest::newRow("single quote") << "it's.sh";
        QTest::newRow("dollar") << "cost$HOME.sh";
        QTest::newRow("command substitution") << "a$(touch PWNED).sh";
        QTest::newRow("backquotes") << "a`touch PWNED`.sh";
        QTest::newRow("backslash") << "back\\slash.sh";
        QTest::newRow("newline") << "two\nlines.sh";
        QTest::newRow("non-ASCII") << "Café ünd 日本.sh";
        QTest::newRow("percent") << "100% done.sh";
        QTest::newRow("ampersand and semicolon") << "a & b; c.sh";
    }

    void awkwardScriptNamesRunExactlyThatScript()
    {
        QFETCH(QString, name);
        const QString marker = m_work.filePath(QStringLiteral("ran"));
        QFile::remove(marker);
        const QString path =
            writeScript(name, "echo \"$0\" > '" + QFile::encodeName(marker) + "'\necho done\n");
        QVERIFY(!path.isEmpty());
        QDir::setCurrent(m_work.path());

        const std::optional<QStringList> output =
            executeScriptAndCollectOutput(scriptCommandLine(path));
        QVERIFY(output.has_value());
        QCOMPARE(*output, (QStringList{"done", ""}));
        QFile ran(marker);
        QVERIFY(ran.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(ran.readAll()), path + u'\n');
        QVERIFY(!QFile::exists(m_work.filePath(QStringLiteral("PWNED"))));
        QVERIFY(captureFilesLeft().isEmpty());
    }

    void scriptCommandLines_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("applescript") << "/s/a.applescript"
                                     << "osascript -sh \"/s/a.applescript\"";
        QTest::newRow("scpt") << "/s/b.scpt"
                              << "osascript -sh \"/s/b.scpt\"";
        QTest::newRow("upper-case SCPT is a shell script") << "/s/Test.SCPT"
                                                           << "\"/s/Test.SCPT\"";
        QTest::newRow("further extension") << "/s/a.applescript.txt"
                                           << "\"/s/a.applescript.txt\"";
        QTest::newRow("no extension") << "/s/run"
                                      << "\"/s/run\"";
        QTest::newRow("escaped") << "/s/$x`y`\"z\\.sh"
                                 << "\"/s/\\$x\\`y\\`\\\"z\\\\.sh\"";
    }

    void scriptCommandLines()
    {
        QFETCH(QString, path);
        QFETCH(QString, commandLine);
        QCOMPARE(scriptCommandLine(path), commandLine);
    }

    void createFolderOutcomes()
    {
        const QString folder = m_work.filePath(QStringLiteral("new $folder"));
        const std::optional<QStringList> created = createFolder(folder);
        QVERIFY(created.has_value());
        QCOMPARE(*created, QStringList{""});
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!createFolder(folder).has_value()); // exists already: mkdir never runs

        const std::optional<QStringList> failed =
            createFolder(m_work.filePath(QStringLiteral("missing/child")));
        QVERIFY(failed.has_value());
        QVERIFY(failed->size() >= 2);
        QVERIFY(failed->first().contains(QStringLiteral("mkdir")));
        QCOMPARE(failed->last(), QString());
    }

    void deleteFileAtPathRemovesOnlyRegularFiles()
    {
        const QString file = m_work.filePath(QStringLiteral("doomed $(x).txt"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(deleteFileAtPath(file), 0);
        QVERIFY(!QFile::exists(file));
        QVERIFY(deleteFileAtPath(file) != 0);
        QVERIFY(deleteFileAtPath(m_work.path()) != 0);
        QVERIFY(QFileInfo(m_work.path()).isDir());
    }

    void tempFileWithContentIsUtf16WithByteOrderMark()
    {
        const QString path =
            createTempFileWithContentString(QStringLiteral("Hé"), QStringLiteral("t"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 6);
        const char16_t *units = reinterpret_cast<const char16_t *>(bytes.constData());
        QCOMPARE(units[0], char16_t(0xFEFF));
        QCOMPARE(units[1], char16_t(u'H'));
        QCOMPARE(units[2], char16_t(u'é'));
        file.remove();
    }

    void fileContents()
    {
        QVERIFY(!fileContentsAsString(m_work.filePath(QStringLiteral("none"))).has_value());
        const QString empty = m_work.filePath(QStringLiteral("empty"));
        QFile f(empty);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(fileContentsAsString(empty), std::optional<QString>(QString()));
    }

    void userFolder()
    {
        const QString folder = getUserFolder(QStringLiteral("/home/%@/Library"));
        QVERIFY(folder.startsWith(QStringLiteral("/home/")));
        QVERIFY(!folder.contains(QStringLiteral("%@")));
        QVERIFY(folder.endsWith(QStringLiteral("/Library")));
    }
};

QTEST_GUILESS_MAIN(TestShell)
#include "test_shell.moc"
