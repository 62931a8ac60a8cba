#pragma once

// Shared by the window tests: a throw-away home for every test process, the program's text table
// with chosen keys taken out, standard-error capture, and a recorder for opened web pages.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTranslator>
#include <QUrl>

class QWidget;

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR at a fresh temporary folder that lives until
// the process ends. Call first thing in main, before anything reads them (the settings file
// remembers its path on first use).
void useThrowAwayHome();
QString throwAwayHomePath();

// The English text table, minus the keys in missing: those yield their keys, as any key without
// an entry does. Install it instead of installTextTable().
class TextTableWithGaps : public QTranslator
{
public:
    TextTableWithGaps();
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override;

    // The text of key in the full table, for comparison.
    QString fullText(const QString &key) const;
    QSet<QString> missing;

private:
    QTranslator m_english;
};

// Collects what the process writes to standard error between construction and text().
class StandardErrorCapture
{
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    // Stops capturing (once) and returns what was written.
    QString text();

private:
    int m_savedDescriptor = -1;
    QString m_path;
    QString m_text;
};

// Receives the addresses that QDesktopServices::openUrl hands to the web browser.
class OpenedPages : public QObject
{
    Q_OBJECT

public:
    OpenedPages();
    ~OpenedPages() override;
    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

// The settings file as it is on disk: the dictionary under "PreferencesGlobals", or an empty
// dictionary when there is no file.
class PlistValue;
PlistValue settingsOnDisk();
bool settingsFileExists();

// Puts the test process's main() around a test class: throw-away home, application, text table.
#define TRUNDLE_WINDOW_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        useThrowAwayHome();                                                                        \
        QApplication app(argc, argv);                                                              \
        app.setQuitOnLastWindowClosed(false);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
