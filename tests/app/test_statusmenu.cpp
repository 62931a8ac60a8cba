// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu: its fixed items, the scripts submenu that mirrors the script folders, and
// running a script chosen there.

#include "logcapture.h"
#include "preferencesdictionary.h"
#include "qzappdelegate.h"
#include "resources.h"
#include "scriptfoldermenu.h"
#include "scriptrunner.h"
#include "shortcuttable.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

class TestStatusMenu : public QObject
{
    Q_OBJECT

    const QDir m_home{throwAwayHomePath()};
    QString m_scripts;
    std::unique_ptr<QZAppDelegate> m_delegate;

    QMenu *scriptsMenu() const
    {
        return qobject_cast<QMenu *>(
            appGlobals->objectForKey(kStatusMenuScriptsSubMenuKey).object());
    }

    static QStringList titles(const QMenu *menu)
    {
        QStringList out;
        for (const QAction *action : menu->actions())
            if (action->isVisible())
                out.append(action->isSeparator() ? QStringLiteral("---") : menuItemTitle(action));
        return out;
    }

    static QAction *item(const QMenu *menu, const QString &title)
    {
        for (QAction *action : menu->actions())
            if (menuItemTitle(action) == title)
                return action;
        return nullptr;
    }

    // A submenu as the user finds it when it opens: filled just before it shows.
    static QMenu *opened(QMenu *menu)
    {
        if (menu)
            emit menu->aboutToShow();
        return menu;
    }
    static QMenu *opened(const QAction *folderItem)
    {
        return folderItem ? opened(folderItem->menu()) : nullptr;
    }

    // The submenu of the user's script folder, as it opens now.
    QMenu *userFolderMenu()
    {
        const QList<QAction *> folders = scriptsMenu()->actions();
        return folders.isEmpty() ? nullptr : opened(folders.first()->menu());
    }

    void touch(const QString &relativePath, bool executable = false)
    {
        const QString path = m_scripts + u'/' + relativePath;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho \"ran $0\"\n");
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_home.path().isEmpty());
        m_scripts = m_home.filePath(QStringLiteral("Library/Scripts"));
        appGlobals = QZPreferencesDictionary::dictionary();
        appGlobals->load();
        m_delegate = std::make_unique<QZAppDelegate>();
        m_delegate->initStatusMenu();
        // What the appearance of a tray does; the test has none.
        m_delegate->makeTrayIcon();
    }

    QMenu *statusMenu() const
    {
        return qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuKey).object());
    }
    static QSystemTrayIcon *statusItem()
    {
        return qobject_cast<QSystemTrayIcon *>(appGlobals->objectForKey(kStatusItemKey).object());
    }

    void init()
    {
        QDir(m_scripts).removeRecursively();
        QDir().mkpath(m_scripts);
        m_delegate->updateScriptsMenu();
    }

    void statusMenuHasItsItemsInOrder()
    {
        auto *statusMenu = qobject_cast<QMenu *>(appGlobals->objectForKey(kStatusMenuKey).object());
        QVERIFY(statusMenu);
        QCOMPARE(titles(statusMenu),
                 (QStringList{"Show Script Browser", "---", "Scripts", "---", "Preferences…",
                              "About Trundle", "---", "Quit Trundle"}));
        QCOMPARE(item(statusMenu, QStringLiteral("Scripts"))->menu(), scriptsMenu());
        auto *statusItem =
            qobject_cast<QSystemTrayIcon *>(appGlobals->objectForKey(kStatusItemKey).object());
        QVERIFY(statusItem);
        QCOMPARE(statusItem->contextMenu(), statusMenu);
        QVERIFY(!statusItem->icon().isNull());
    }

    void aHotKeyStandsBesideItsScript_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("shown");
        QTest::newRow("function key") << qint64(5) << "a.sh\tF5";
        QTest::newRow("mouse button") << firstMouseButtonID() + 1 << "a.sh\tRight Button";
    }
    void aHotKeyStandsBesideItsScript()
    {
        QFETCH(qint64, id);
        QFETCH(QString, shown);
        touch(QStringLiteral("a.sh"));
        touch(QStringLiteral("b.sh"));
        assignShortcut(id, m_scripts + QStringLiteral("/a.sh"));
        QMenu *menu = userFolderMenu();
        QCOMPARE(item(menu, QStringLiteral("a.sh"))->text(), shown);
        QCOMPARE(item(menu, QStringLiteral("b.sh"))->text(), QStringLiteral("b.sh"));
        assignShortcut(defaultShortcutID(), m_scripts + QStringLiteral("/a.sh"));
        QCOMPARE(item(userFolderMenu(), QStringLiteral("a.sh"))->text(), QStringLiteral("a.sh"));
    }

    void aRunShowsInTheTrayAndItsStopEndsIt()
    {
        QVERIFY(writeFile(m_scripts + QStringLiteral("/long & slow.sh"),
                          "#!/bin/sh\nexec sleep 60\n", true));
        const qint64 idleImage = statusItem()->icon().cacheKey();
        QSignalSpy started(ScriptRunner::shared(), &ScriptRunner::runStarted);
        QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
        item(userFolderMenu(), QStringLiteral("long & slow.sh"))->trigger();
        // The run may start within trigger(), before the event loop is back.
        QVERIFY(!started.isEmpty() || started.wait(30000));

        QCOMPARE(titles(statusMenu()).mid(0, 2),
                 (QStringList{"Show Script Browser", "Stop long & slow.sh"}));
        QCOMPARE(statusItem()->toolTip(), QStringLiteral("Trundle — running long & slow.sh"));
        QVERIFY(statusItem()->icon().cacheKey() != idleImage);

        item(statusMenu(), QStringLiteral("Stop long & slow.sh"))->trigger();
        QVERIFY(finished.wait(30000));
        QVERIFY(finished.at(0).at(0).value<ScriptRunResult>().stopped);
        QCOMPARE(titles(statusMenu()).first(2), (QStringList{"Show Script Browser", "---"}));
        QCOMPARE(statusItem()->toolTip(), QStringLiteral("Trundle"));
    }

    void scriptsMenuHoldsTheTwoFolders()
    {
        m_delegate->updateScriptsMenu();
        // Titled as the user reads them; /Library/Scripts is listed even where it does not exist,
        // with an empty submenu.
        QCOMPARE(titles(scriptsMenu()), (QStringList{"~/Library/Scripts", "/Library/Scripts"}));
        for (const QAction *folder : scriptsMenu()->actions())
            QVERIFY(folder->menu());
        if (!QFileInfo::exists(QStringLiteral("/Library/Scripts")))
            QVERIFY(opened(scriptsMenu()->actions().last())->actions().isEmpty());
    }

    void folderEntriesBecomeItems()
    {
        touch(QStringLiteral("b.scpt"));
        touch(QStringLiteral(".DS_Store"));
        touch(QStringLiteral("Mail/x.applescript"));
        touch(QStringLiteral(".hidden folder/deep/y.sh"));
        touch(QStringLiteral("notes.txt"));

        QMenu *menu = userFolderMenu();
        QVERIFY(menu);
        QStringList got = titles(menu);
        got.sort();
        QCOMPARE(got, (QStringList{"Mail", "b.scpt", "notes.txt"}));
        QAction *mail = item(menu, QStringLiteral("Mail"));
        QVERIFY(mail->menu());
        QCOMPARE(titles(opened(mail)), QStringList{"x.applescript"});
        QAction *notes = item(menu, QStringLiteral("notes.txt"));
        QVERIFY(!notes->menu());
        QCOMPARE(notes->toolTip(), m_scripts + QStringLiteral("/notes.txt"));
        QCOMPARE(item(mail->menu(), QStringLiteral("x.applescript"))->toolTip(),
                 m_scripts + QStringLiteral("/Mail/x.applescript"));
    }

    void titlesKeepAmpersandsAndOddCharacters()
    {
        touch(QStringLiteral("R&D $x `y` \"z\".sh"));
        QMenu *menu = userFolderMenu();
        QCOMPARE(titles(menu), QStringList{"R&D $x `y` \"z\".sh"});
    }

    void linksThatLoopOrDangleAreLeftOut()
    {
        touch(QStringLiteral("Sub/inner.sh"));
        QVERIFY(QFile::link(m_scripts, m_scripts + QStringLiteral("/Sub/up")));
        QVERIFY(QFile::link(QStringLiteral("Sub"), m_scripts + QStringLiteral("/sideways")));
        QVERIFY(QFile::link(m_home.filePath(QStringLiteral("nowhere")),
                            m_scripts + QStringLiteral("/dangling.sh")));
        QVERIFY(
            QFile::link(m_scripts + QStringLiteral("/self"), m_scripts + QStringLiteral("/self")));

        QMenu *menu = userFolderMenu();
        QStringList got = titles(menu);
        got.sort();
        // A link to a sibling folder is an ordinary folder; only the way back up is cut.
        QCOMPARE(got, (QStringList{"Sub", "sideways"}));
        QCOMPARE(titles(opened(item(menu, QStringLiteral("Sub")))), QStringList{"inner.sh"});
        // The way back up is cut at any depth, whichever way the walk came down.
        QCOMPARE(titles(opened(item(menu, QStringLiteral("sideways")))), QStringList{"inner.sh"});
    }

    void aLoopFurtherDownIsCutWhenItsFolderOpens()
    {
        touch(QStringLiteral("A/B/deep.sh"));
        QVERIFY(
            QFile::link(m_scripts + QStringLiteral("/A"), m_scripts + QStringLiteral("/A/B/to-A")));
        QMenu *a = opened(item(userFolderMenu(), QStringLiteral("A")));
        QMenu *b = opened(item(a, QStringLiteral("B")));
        QCOMPARE(titles(b), QStringList{"deep.sh"});
        // Opened again later, the submenu still knows the folders it is inside.
        QCOMPARE(titles(opened(b)), QStringList{"deep.sh"});
    }

    void nothingBelowTheRootsIsListedUntilItsSubmenuOpens()
    {
        touch(QStringLiteral("Deep/er/x.sh"));
        m_delegate->updateScriptsMenu();
        for (const QAction *folder : scriptsMenu()->actions())
            QVERIFY(folder->menu()->actions().isEmpty());
        QAction *deep = item(userFolderMenu(), QStringLiteral("Deep"));
        QVERIFY(deep && deep->menu());
        // A folder item is a submenu before its folder has been listed.
        QVERIFY(deep->menu()->actions().isEmpty());
        QCOMPARE(titles(opened(deep)), QStringList{"er"});
    }

    void eachOpeningShowsTheFolderAsItIsThen()
    {
        touch(QStringLiteral("a.sh"));
        touch(QStringLiteral("Sub/old.sh"));
        QCOMPARE(titles(opened(item(userFolderMenu(), QStringLiteral("Sub")))),
                 QStringList{"old.sh"});

        touch(QStringLiteral("b.sh"));
        QVERIFY(QFile::rename(m_scripts + QStringLiteral("/Sub/old.sh"),
                              m_scripts + QStringLiteral("/Sub/new.sh")));
        QVERIFY(QFile::remove(m_scripts + QStringLiteral("/a.sh")));
        QMenu *menu = userFolderMenu();
        QStringList got = titles(menu);
        got.sort();
        QCOMPARE(got, (QStringList{"Sub", "b.sh"}));
        QCOMPARE(titles(opened(item(menu, QStringLiteral("Sub")))), QStringList{"new.sh"});
        QCOMPARE(item(menu, QStringLiteral("b.sh"))->toolTip(),
                 m_scripts + QStringLiteral("/b.sh"));
    }

    void unreadableFolderGivesAnEmptySubmenu()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every folder");
        touch(QStringLiteral("Locked/secret.sh"));
        QFile::setPermissions(m_scripts + QStringLiteral("/Locked"), QFile::WriteOwner);
        QMenu *menu = userFolderMenu();
        QVERIFY(opened(item(menu, QStringLiteral("Locked")))->actions().isEmpty());
        QFile::setPermissions(m_scripts + QStringLiteral("/Locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Every item of a filled submenu stands for its own entry: folders carry a submenu of their
    // own folder, scripts their own path and no submenu.
    static void verifyItemsMatch(const QMenu *menu, const QString &folder)
    {
        for (const QAction *action : menu->actions()) {
            const QString path = folder + u'/' + menuItemTitle(action);
            if (auto *submenu = qobject_cast<ScriptFolderMenu *>(action->menu())) {
                QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
                QCOMPARE(submenu->folderPath(), path);
            } else {
                QVERIFY2(!action->menu() && QFileInfo(path).isFile(), qPrintable(path));
                QCOMPARE(action->toolTip(), path);
            }
        }
    }

    void refillingKeepsWhatStayedAndDropsWhatWent()
    {
        for (const char *name : {"a.sh", "Sub/b.sh", "Gone/c.sh", "d.sh", "Later/e.sh", "f.sh"})
            touch(QString::fromUtf8(name));
        QMenu *menu = userFolderMenu();
        verifyItemsMatch(menu, m_scripts);
        const QPointer<QMenu> gone = item(menu, QStringLiteral("Gone"))->menu();

        // Entries shift: items that were folders become scripts and the other way round.
        QVERIFY(QDir(m_scripts + QStringLiteral("/Gone")).removeRecursively());
        QVERIFY(QFile::remove(m_scripts + QStringLiteral("/a.sh")));
        touch(QStringLiteral("New/g.sh"));
        touch(QStringLiteral("h.sh"));
        menu = userFolderMenu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList got = titles(menu);
        got.sort();
        QCOMPARE(got, (QStringList{"Later", "New", "Sub", "d.sh", "f.sh", "h.sh"}));
        verifyItemsMatch(menu, m_scripts);
        QVERIFY(gone.isNull()); // the submenu of a folder that went is not leaked
        QCOMPARE(scriptsMenu()->actions().size(), 2);

        // Filled again unchanged, nothing is replaced.
        QMenu *subNow = item(menu, QStringLiteral("Sub"))->menu();
        menu = userFolderMenu();
        QCOMPARE(item(menu, QStringLiteral("Sub"))->menu(), subNow);
        QCOMPARE(titles(opened(subNow)), QStringList{"b.sh"});
    }

    void choosingAScriptRunsItAndLogsItsOutput()
    {
        const QString name = QStringLiteral("Café $(touch PWNED) `x`.sh");
        touch(name, true);
        QMenu *menu = userFolderMenu();
        QAction *script = item(menu, name);
        QVERIFY(script);
        QDir::setCurrent(m_home.path());

        LogCapture capture;
        QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
        script->trigger();
        QVERIFY(finished.wait(30000));
        const QStringList said =
            capture.messagesFrom(QStringLiteral("QZAppDelegate::scriptMenuItemHit"));
        QCOMPARE(said.value(1), QStringLiteral("Launching script: ") + m_scripts + u'/' + name);
        QCOMPARE(
            capture.messagesFrom(QStringLiteral("QZAppDelegate::scriptMenuItemDidRun")),
            QStringList{QStringLiteral("(Shell-)Script returned this:\n( \"ran %1/%2\", \"\" )")
                            .arg(m_scripts, name)});
        const auto result = finished.at(0).at(0).value<ScriptRunResult>();
        QCOMPARE(result.road, LaunchRoad::Menu);
        QVERIFY(result.succeeded());
        QVERIFY(!QFile::exists(m_home.filePath(QStringLiteral("PWNED"))));
    }

    void appleScriptsGoThroughOsascript()
    {
        touch(QStringLiteral("x.applescript"));
        QAction *script = item(userFolderMenu(), QStringLiteral("x.applescript"));
        LogCapture capture;
        QSignalSpy finished(ScriptRunner::shared(), &ScriptRunner::runFinished);
        script->trigger();
        QVERIFY(finished.wait(30000));
        const QString said =
            capture.messagesFrom(QStringLiteral("QZAppDelegate::scriptMenuItemDidRun")).value(0);
        QVERIFY2(said.startsWith(QStringLiteral("Applescript returned this:\n")), qPrintable(said));
    }
};

TRUNDLE_TEST_MAIN(TestStatusMenu)
#include "test_statusmenu.moc"
