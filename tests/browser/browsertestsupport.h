#pragma once

// Shared by the browser tests: a throw-away home, the settings store with a fresh shortcut table,
// standard-error capture (where the logs go), and small helpers for building folder trees.

#include "plistvalue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at a fresh temporary folder that lives until
// the process ends. Called first thing in main, before anything reads them.
void useThrowAwayHome();
QString throwAwayHomePath();

// Creates appGlobals (once) and gives it an empty shortcut table and no open rows; the debug
// log's switch follows debugLogging.
void resetSettings(bool debugLogging = false);

// Collects what the process writes to standard error between construction and text(). With a
// path, standard error is appended to that file (a journal other writers append to as well).
class StandardErrorCapture
{
public:
    explicit StandardErrorCapture(const QString &path = {});
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;
    // Stops capturing (once) and returns what was written.
    QString text();

private:
    int m_savedDescriptor = -1;
    QByteArray m_path;
    bool m_ownFile = true;
    QString m_text;
};

// Waits until the process's script runner has nothing running or waiting; false after the
// timeout (a generous limit against hangs).
bool waitUntilScriptsHaveRun(int timeoutMs = 30000);

// Appends one line to a journal file.
void appendToJournal(const QString &path, const QString &line);
QStringList journalLines(const QString &path);

// File-tree helpers; each returns false (and the test fails) when the file system refuses.
bool makeFolder(const QString &path);
bool writeFile(const QString &path, const QByteArray &contents = {}, bool executable = false);
bool makeSymlink(const QString &target, const QString &linkPath);

// The entry names of a folder in the order the file system lists them, dot entries and "." and
// ".." left out.
QStringList listingOrder(const QString &folder);

#define TRUNDLE_BROWSER_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        useThrowAwayHome();                                                                        \
        QApplication app(argc, argv);                                                              \
        app.setQuitOnLastWindowClosed(false);                                                      \
        installTextTable();                                                                        \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
