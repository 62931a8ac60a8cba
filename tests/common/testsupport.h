// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every test process shares: a throw-away home, the capture of standard error, small
// file-tree helpers, and the one main() of the tests that run Trundle's windows and objects.
//
//   TRUNDLE_TEST_MAIN(TestClass)         throw-away home, QApplication, English text table
//   useThrowAwayHome() / throwAwayHomePath()
//   StandardErrorCapture capture; ... capture.text()
//   LogCapture (logcapture.h)            the same capture, read as debug-log lines
//   PrivateBus (privatebus.h)            a D-Bus daemon of the test's own

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdio>

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at a fresh temporary folder (with .config and
// a private run folder inside) that lives until the process ends, and returns its path. Call it
// before anything reads them (the settings file remembers its path on first use); later calls
// return the same folder.
QString useThrowAwayHome();
// The folder useThrowAwayHome() made, or an empty text before it.
QString throwAwayHomePath();

// Collects what the process writes to standard error (file descriptor 2, so child processes
// and the C library are caught too) between construction and text(). With a path, standard
// error is appended to that file instead, a journal other writers append to as well, and
// text() returns the whole journal. When the running test has failed, the destructor writes the
// captured text to the real standard error, so that the failure still shows its log.
// Captures do not nest.
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &journal = {});
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;
    // Stops capturing (once) and returns what was written.
    QString text();

private:
    int m_savedDescriptor = -1;
    std::FILE *m_file = nullptr; // the capture's own anonymous file, when there is no journal
    QByteArray m_journal;
    QString m_text;
};

// File-tree helpers; each returns false (and the test fails) when the file system refuses.
bool makeFolder(const QString &path);
bool writeFile(const QString &path, const QByteArray &contents = {}, bool executable = false);
bool makeSymlink(const QString &target, const QString &linkPath);

// The entry names of a folder in the order the browser and the tray show them (natural,
// case-insensitive, equal ones by their characters), dot entries and "." and ".." left out.
QStringList listingOrder(const QString &folder);

// The user's script folder, ~/Library/Scripts under the HOME of now, or the path relative to it.
QString scriptsFolder(const QString &relative = {});

// Appends one line to a journal file; its lines.
void appendToJournal(const QString &path, const QString &line);
QStringList journalLines(const QString &path);

// For TRUNDLE_TEST_MAIN: the process before its application object (throw-away home, English
// as the language of the text table whatever the environment says), and the application after.
void prepareTestProcess();
void prepareTestApplication(QApplication &application);

#define TRUNDLE_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        prepareTestProcess();                                                                      \
        QApplication application(argc, argv);                                                      \
        prepareTestApplication(application);                                                       \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
