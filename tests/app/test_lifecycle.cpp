// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's life: start-up in order, the two windows and the menu items they disable,
// and termination saving the open rows and the settings.

#include "browserwindow.h"
#include "fakeworkspace.h"
#include "maininterface.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "settingsfile.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QWidget>

class TestLifecycle : public QObject
{
    Q_OBJECT

    const QDir m_home{throwAwayHomePath()};
    platform::FakeWorkspace m_workspace;

    static QAction *command(const QString &titleKey, QObject *parent)
    {
        auto *action = new QAction(localizedString(titleKey), parent);
        setKeyEquivalent(action, QString());
        return action;
    }

    // Lets queued will-close notifications reach the controller.
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_home.path().isEmpty());
        platform::Workspace::setSharedForTesting(&m_workspace);
    }

    void cleanupTestCase() { platform::Workspace::setSharedForTesting(nullptr); }

    void startUpFillsTheStoreAndTerminationSavesOpenRows()
    {
        QZAppDelegate delegate;
        const MainInterface ui = loadMainInterface(&delegate);
        QVERIFY(
            QFileInfo(m_home.filePath(QStringLiteral("Library/Scripts/Trundle Scripts"))).isDir());
        delegate.applicationDidFinishLaunching();

        QVERIFY(appGlobals);
        for (const QString &key :
             {kStatusMenuKey, kStatusMenuScriptsSubMenuKey, kGlobalHandlerKey, kLocalHandlerKey})
            QVERIFY2(appGlobals->objectForKey(key).object(), qPrintable(key));
        // The tray icon waits for a tray to appear; the test has none.
        QVERIFY(!appGlobals->objectForKey(kStatusItemKey).object());
        delegate.makeTrayIcon();
        QVERIFY(appGlobals->objectForKey(kStatusItemKey).object());
        QVERIFY(ui.window->isVisible());

        // The workspace's notifications reach the record.
        m_workspace.simulateActivation({4242, QStringLiteral("XTerm"), 7});
        QCOMPARE(appGlobals->objectForKey(kPreviousApplicationPIDKey), PlistValue(4242));
        QCOMPARE(appGlobals->objectForKey(kPreviousApplicationNameKey), PlistValue("XTerm"));

        delegate.applicationWillTerminate();
        const PlistDictionaryRef saved =
            SettingsFile::standard().objectForKey(kPreferencesGlobalsKey).dictionary();
        QVERIFY(saved);
        QCOMPARE(saved->keys(), (QStringList{kDebugLoggingSettingKey, kExpandedItemsSettingKey,
                                             kShortcutsSettingKey}));
        QVERIFY(saved->value(kExpandedItemsSettingKey).isArray());
        delete ui.window;
    }

    void validationFollowsTheOpenWindows()
    {
        appGlobals = QZPreferencesDictionary::dictionary();
        appGlobals->load();
        QZAppDelegate delegate;
        QObject owner;
        QAction *preferences = command(QStringLiteral("MenuPreferences"), &owner);
        QAction *about = command(QStringLiteral("MenuAbout"), &owner);
        QAction *quit = command(QStringLiteral("MenuQuit"), &owner);
        auto enabled = [&] {
            return QList<bool>{delegate.validateMenuItem(preferences),
                               delegate.validateMenuItem(about), delegate.validateMenuItem(quit)};
        };
        QCOMPARE(enabled(), (QList<bool>{true, true, true}));

        delegate.openPreferencesWindow();
        QVERIFY(delegate.isPreferencesWindowOpen());
        QCOMPARE(enabled(), (QList<bool>{false, true, false}));

        delegate.openAboutWindow();
        QCOMPARE(enabled(), (QList<bool>{false, false, false}));

        QVERIFY(appGlobals->objectForKey(kDebugLoggingSettingKey).isBoolean());
        // Closing the windows, any way, enables the items again.
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->isVisible())
                window->close();
        settle();
        QVERIFY(!delegate.isPreferencesWindowOpen());
        QVERIFY(!delegate.isAboutWindowOpen());
        QCOMPARE(enabled(), (QList<bool>{true, true, true}));
    }

    void otherItemsByKeyEquivalent_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("print, key p") << "Print…"
                                      << "p" << false;
        QTest::newRow("other key") << "Print…"
                                   << "P" << true;
        QTest::newRow("script item") << "hello.sh"
                                     << "" << true;
        QTest::newRow("title compared whole") << "Quit Trundle now"
                                              << "" << true;
    }

    void otherItemsByKeyEquivalent()
    {
        QFETCH(QString, title);
        QFETCH(QString, key);
        QFETCH(bool, enabled);
        QZAppDelegate delegate;
        QAction action(title);
        setKeyEquivalent(&action, key);
        QCOMPARE(delegate.validateMenuItem(&action), enabled);
    }

    void aboutWindowCanBeOpenedAgainAfterClosing()
    {
        QZAppDelegate delegate;
        delegate.openAboutWindow();
        QVERIFY(delegate.isAboutWindowOpen());
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->isVisible())
                window->close();
        settle();
        QVERIFY(!delegate.isAboutWindowOpen());
        delegate.openAboutWindow();
        QVERIFY(delegate.isAboutWindowOpen());
    }
};

TRUNDLE_TEST_MAIN(TestLifecycle)
#include "test_lifecycle.moc"
