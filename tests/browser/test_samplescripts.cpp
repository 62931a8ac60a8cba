// SPDX-License-Identifier: GPL-3.0-or-later
// The sample scripts shipped with the program, run with a PATH that holds only the basic tools
// plus stand-ins for the optional ones: each uses the tool that is there, says clearly when none
// is, exits 0 either way, and behaves the same when run twice.

#include "browsertestsupport.h"

#include "resources.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// A stand-in tool that writes its arguments, its folder and its input into <record>/<name>.
QByteArray standIn(const QString &record, const QString &name, int status)
{
    const QString file = record + u'/' + name;
    return "#!/bin/sh\n{ echo \"args: $*\"; echo \"cwd: $(pwd)\"; echo \"stdin: $(cat)\"; } > '" +
           file.toUtf8() + "'\nexit " + QByteArray::number(status) + "\n";
}

} // namespace

class TestSampleScripts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sampleUsesWhatIsThere_data();
    void sampleUsesWhatIsThere();

private:
    QString m_samples;
};

void TestSampleScripts::initTestCase()
{
    m_samples = sampleScriptsFolderPath();
    QVERIFY2(QFileInfo(m_samples).isDir(), qPrintable(m_samples));
}

void TestSampleScripts::sampleUsesWhatIsThere_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("tools"); // stand-ins on the PATH; a "!" prefix: one that fails
    QTest::addColumn<QString>("wayland");   // WAYLAND_DISPLAY, empty for none
    QTest::addColumn<QString>("says");      // in the output
    QTest::addColumn<QStringList>("ran");   // which stand-ins ran
    QTest::addColumn<QString>("recorded");  // in what the last of them recorded

    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    const QString copy = "Copy Date to Clipboard.sh";
    const QString terminal = "Open Terminal in Home.sh";
    QTest::newRow("date, no notify-send") << "Show Date.sh" << QStringList{} << ""
                                          << "notify-send is not installed" << QStringList{} << "";
    QTest::newRow("date, notify-send")
        << "Show Date.sh" << QStringList{"notify-send"} << ""
        << "Shown as a notification" << QStringList{"notify-send"} << "Date and time";
    QTest::newRow("date, notify-send fails")
        << "Show Date.sh" << QStringList{"!notify-send"} << ""
        << "could not show a notification" << QStringList{"notify-send"} << "";
    QTest::newRow("terminal, none") << terminal << QStringList{} << ""
                                    << "No terminal found" << QStringList{} << "";
    QTest::newRow("terminal, xterm only")
        << terminal << QStringList{"xterm"} << ""
        << "Started xterm in" << QStringList{"xterm"} << "cwd: <home>";
    QTest::newRow("terminal, the desktop's choice first")
        << terminal << QStringList{"xterm", "x-terminal-emulator"} << ""
        << "Started x-terminal-emulator" << QStringList{"x-terminal-emulator"} << "cwd: <home>";
    QTest::newRow("clipboard, none") << copy << QStringList{} << ""
                                     << "Nothing copied: install" << QStringList{} << "";
    QTest::newRow("clipboard, xclip")
        << copy << QStringList{"xclip", "xsel"} << ""
        << "Copied " + today + " with xclip" << QStringList{"xclip"} << "stdin: " + today;
    QTest::newRow("clipboard, xsel")
        << copy << QStringList{"xsel"} << ""
        << "with xsel" << QStringList{"xsel"} << "args: --clipboard --input";
    QTest::newRow("clipboard, wayland")
        << copy << QStringList{"xclip", "wl-copy"} << "wayland-0"
        << "with wl-copy" << QStringList{"wl-copy"} << "stdin: " + today;
    QTest::newRow("clipboard, xclip fails, xsel takes over")
        << copy << QStringList{"!xclip", "xsel"} << ""
        << "with xsel" << QStringList{"xclip", "xsel"} << "stdin: " + today;
    QTest::newRow("list, no script folder") << "List Scripts.sh" << QStringList{} << ""
                                            << "There is no script folder" << QStringList{} << "";
    QTest::newRow("list, with scripts") << "List Scripts.sh" << QStringList{"<scripts>"} << ""
                                        << "2 script(s)." << QStringList{} << "";
}

void TestSampleScripts::sampleUsesWhatIsThere()
{
    QFETCH(QString, script);
    QFETCH(QStringList, tools);
    QFETCH(QString, wayland);
    QFETCH(QString, says);
    QFETCH(QStringList, ran);
    QFETCH(QString, recorded);

    QTemporaryDir sandbox;
    const QString bin = sandbox.path() + "/bin";
    const QString home = sandbox.path() + "/home";
    const QString record = sandbox.path() + "/record";
    QVERIFY(makeFolder(bin) && makeFolder(home) && makeFolder(record));
    // Only the basic tools the scripts may rely on.
    for (const char *tool : {"sh", "date", "find", "sort", "cat", "nohup", "pwd", "env"}) {
        const QString found = QStandardPaths::findExecutable(tool);
        QVERIFY2(!found.isEmpty(), tool);
        QVERIFY(makeSymlink(found, bin + u'/' + tool));
    }
    for (QString tool : tools) {
        if (tool == "<scripts>") {
            QVERIFY(makeFolder(home + "/Library/Scripts/sub dir/.hidden"));
            QVERIFY(writeFile(home + "/Library/Scripts/a.sh"));
            QVERIFY(writeFile(home + "/Library/Scripts/sub dir/b *.sh"));
            QVERIFY(writeFile(home + "/Library/Scripts/sub dir/.hidden/c.sh"));
            continue;
        }
        const bool fails = tool.startsWith(u'!');
        if (fails)
            tool.remove(0, 1);
        QVERIFY(writeFile(bin + u'/' + tool, standIn(record, tool, fails ? 1 : 0), true));
    }
    recorded.replace("<home>", home);

    QStringList outputs;
    for (int run = 0; run < 2; ++run) {
        QProcess process;
        QProcessEnvironment environment;
        environment.insert("PATH", bin);
        environment.insert("HOME", home);
        if (!wayland.isEmpty())
            environment.insert("WAYLAND_DISPLAY", wayland);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(sandbox.path());
        process.start(m_samples + u'/' + script, {});
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        const QString output = QString::fromUtf8(process.readAll());
        QVERIFY2(process.exitCode() == 0, qPrintable(output));
        QVERIFY2(output.contains(says), qPrintable(output));
        QVERIFY2(!output.contains("not found"), qPrintable(output));
        outputs.append(output);
    }
    QCOMPARE(outputs.at(1), outputs.at(0));

    // A terminal is started in the background: give it the moment it needs.
    QTRY_COMPARE_WITH_TIMEOUT(QDir(record).entryList(QDir::Files), ran, 10000);
    if (!recorded.isEmpty()) {
        const auto recordText = [&] {
            QFile file(record + u'/' + ran.last());
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(recordText().contains(recorded), qPrintable(recordText()), 10000);
    }
}

TRUNDLE_TEST_MAIN(TestSampleScripts)
#include "test_samplescripts.moc"
