// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences window: when it saves the settings, what a click on the debug-logging box
// does, that a binding made while it is open reaches the file when it closes however it is
// closed, and where its titles come from.

#include "fakeinput.h"
#include "qzpreferenceswindowcontroller.h"
#include "windowtestsupport.h"

#include "log.h"
#include "plistvalue.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"
#include "shortcuttable.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeView>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

enum class CloseWay
{
    ControllerWindowClose,
    EscapeKey,
    WindowSystem
};

enum class ClickWay
{
    Mouse,
    SpaceKey
};

QString keyTitle(QZPreferencesWindowController &controller, const QString &key)
{
    QWidget *window = controller.window();
    QAbstractItemModel *model = controller._fileBrowserOutlineView->model();
    const auto header = [&](int column) {
        return model ? model->headerData(column, Qt::Horizontal).toString() : QString();
    };
    if (key == QLatin1String("PreferencesWindowTitle"))
        return window->windowTitle();
    if (key == QLatin1String("PreferencesWindowBoxDeveloper"))
        return controller._developerBox->title();
    if (key == QLatin1String("PreferencesWindowDebugLoggingButtonTitle"))
        return controller._debugLoggingCheckbox->text();
    if (key == QLatin1String("PreferencesWindowBoxShortcuts"))
        return controller._shortcutsBox->title();
    if (key == QLatin1String("PreferencesWindowColumnFolders"))
        return header(QZPreferencesWindowController::_foldersColumn);
    if (key == QLatin1String("PreferencesWindowColumnShortcuts"))
        return header(QZPreferencesWindowController::_shortcutsColumn);
    return QStringLiteral("<no widget for %1>").arg(key);
}

const QStringList titleKeys = {QStringLiteral("PreferencesWindowTitle"),
                               QStringLiteral("PreferencesWindowBoxDeveloper"),
                               QStringLiteral("PreferencesWindowDebugLoggingButtonTitle"),
                               QStringLiteral("PreferencesWindowBoxShortcuts"),
                               QStringLiteral("PreferencesWindowColumnFolders"),
                               QStringLiteral("PreferencesWindowColumnShortcuts")};

} // namespace

Q_DECLARE_METATYPE(CloseWay)
Q_DECLARE_METATYPE(ClickWay)

class TestPreferencesWindow : public QObject
{
    Q_OBJECT

private:
    TextTableWithGaps m_table;

    // The store as a run would have it after loading: debugging as given, one binding, and the
    // file on disk written from it.
    void prepareStore(bool debugLogging)
    {
        for (const QString &key : appGlobals->keyEnumerator())
            appGlobals->removeObjectForKey(key);
        appGlobals->setObject(debugLogging, kDebugLoggingSettingKey);
        appGlobals->setObject(PlistValue::newDictionary(
                                  {{QStringLiteral("3"), QStringLiteral("/opt/scripts/three.sh")}}),
                              kShortcutsSettingKey);
        appGlobals->save();
    }

    std::unique_ptr<QZPreferencesWindowController> openWindow()
    {
        auto controller =
            std::make_unique<QZPreferencesWindowController>(QStringLiteral("QZPreferencesWindow"));
        QWidget *window = controller->window();
        if (window)
            (void)QTest::qWaitForWindowExposed(window);
        return controller;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::installTranslator(&m_table);
        appGlobals = QZPreferencesDictionary::dictionary();
    }

    void init() { m_table.missing.clear(); }

    void openingShowsTheStoredSwitchAndSavesItUnchanged_data()
    {
        QTest::addColumn<bool>("debugLogging");
        QTest::newRow("logging on") << true;
        QTest::newRow("logging off") << false;
    }
    void openingShowsTheStoredSwitchAndSavesItUnchanged()
    {
        QFETCH(bool, debugLogging);
        prepareStore(debugLogging);
        const PlistValue before = settingsOnDisk();
        QCOMPARE(before.dictionary()->value(kDebugLoggingSettingKey), PlistValue(debugLogging));
        // Without the file, its reappearance shows that opening the window wrote it.
        QVERIFY(QFile::remove(SettingsFile::standardPath()));

        StandardErrorCapture log;
        auto controller = openWindow();
        const QString written = log.text();
        QCOMPARE(controller->_debugLoggingCheckbox->isChecked(), debugLogging);
        QVERIFY(settingsFileExists());
        // With logging on, the store reports each save: opening saves exactly once.
        QCOMPARE(written.count(QLatin1String("Saving dictToSave")), debugLogging ? 1 : 0);
        QCOMPARE(settingsOnDisk(), before);
        QCOMPARE(appGlobals->objectForKey(kDebugLoggingSettingKey), PlistValue(debugLogging));
    }

    void clickStoresAndWritesTheNewStateAtOnce_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<ClickWay>("how");
        QTest::newRow("tick with the mouse") << false << ClickWay::Mouse;
        QTest::newRow("clear with the mouse") << true << ClickWay::Mouse;
        QTest::newRow("tick with the space bar") << false << ClickWay::SpaceKey;
        QTest::newRow("clear with the space bar") << true << ClickWay::SpaceKey;
    }
    void readInputDevicesBoxIsSavedOnClick_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("turn on") << false;
        QTest::newRow("turn off") << true;
    }
    void readInputDevicesBoxIsSavedOnClick()
    {
        QFETCH(bool, before);
        prepareStore(false);
        if (before) {
            appGlobals->setObject(PlistValue(true), kReadInputDevicesSettingKey);
            appGlobals->save();
        }
        auto controller = openWindow();
        QCheckBox *box = controller->_readInputDevicesCheckbox;
        QCOMPARE(box->isChecked(), before);
        QVERIFY(box->toolTip().contains(QLatin1String("next start")));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(box->isChecked(), !before);
        QCOMPARE(appGlobals->objectForKey(kReadInputDevicesSettingKey), PlistValue(!before));
        QCOMPARE(settingsOnDisk().dictionary()->value(kReadInputDevicesSettingKey),
                 PlistValue(!before));
        // The debug switch is a box of its own.
        QCOMPARE(appGlobals->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
    }
    void notifyFailedRunsBoxIsTickedUntilClearedAndSavedOnClick()
    {
        prepareStore(false);
        appGlobals->removeObjectForKey(kNotifyFailedRunsSettingKey);
        auto controller = openWindow();
        QCheckBox *box = controller->_notifyFailedRunsCheckbox;
        QVERIFY(box->isChecked()); // never set: on
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(appGlobals->objectForKey(kNotifyFailedRunsSettingKey), PlistValue(false));
        QCOMPARE(settingsOnDisk().dictionary()->value(kNotifyFailedRunsSettingKey),
                 PlistValue(false));
        QTest::keyClick(box, Qt::Key_Space);
        QCOMPARE(settingsOnDisk().dictionary()->value(kNotifyFailedRunsSettingKey),
                 PlistValue(true));
        QCOMPARE(appGlobals->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
    }
    void clickStoresAndWritesTheNewStateAtOnce()
    {
        QFETCH(bool, before);
        QFETCH(ClickWay, how);
        prepareStore(before);
        auto controller = openWindow();
        QCheckBox *box = controller->_debugLoggingCheckbox;
        QCOMPARE(box->isChecked(), before);

        StandardErrorCapture log;
        if (how == ClickWay::Mouse) {
            QStyleOptionButton option;
            option.initFrom(box);
            const QRect indicator =
                box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
        } else {
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Space);
        }
        const QString written = log.text();

        const bool after = !before;
        QCOMPARE(box->isChecked(), after);
        QCOMPARE(appGlobals->objectForKey(kDebugLoggingSettingKey), PlistValue(after));
        QCOMPARE(settingsOnDisk().dictionary()->value(kDebugLoggingSettingKey), PlistValue(after));
        QCOMPARE(isDebugLoggingOn(), after);
        // The switch is read on every line: the store's state before the change is logged only
        // while logging was on, the state after it only once it is on.
        QCOMPARE(written.contains(QLatin1String("appGlobals (vorher)")), before);
        QCOMPARE(written.contains(QLatin1String("appGlobals (nachher)")), after);
    }

    void closingSavesABindingMadeInTheWindow_data()
    {
        QTest::addColumn<CloseWay>("how");
        QTest::newRow("window closed by the program") << CloseWay::ControllerWindowClose;
        QTest::newRow("Escape") << CloseWay::EscapeKey;
        QTest::newRow("window manager's close button") << CloseWay::WindowSystem;
    }
    void closingSavesABindingMadeInTheWindow()
    {
        QFETCH(CloseWay, how);
        prepareStore(false);
        auto controller = openWindow();
        QWidget *window = controller->window();
        QSignalSpy closing(controller.get(),
                           &QZPreferencesWindowController::windowWillCloseNotification);

        const QString script = throwAwayHomePath() + QStringLiteral("/Library/Scripts/seven.sh");
        assignShortcut(7, script);
        QVERIFY(settingsOnDisk().dictionary()->value(kShortcutsSettingKey).dictionary());
        QVERIFY(!settingsOnDisk()
                     .dictionary()
                     ->value(kShortcutsSettingKey)
                     .dictionary()
                     ->contains(QStringLiteral("7")));

        switch (how) {
        case CloseWay::ControllerWindowClose:
            window->close();
            break;
        case CloseWay::EscapeKey:
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window,
                            Qt::Key_Escape);
            break;
        case CloseWay::WindowSystem:
            window->windowHandle()->close();
            break;
        }
        QCoreApplication::processEvents();

        QCOMPARE(closing.count(), 1);
        QVERIFY(!window->isVisible());
        const PlistDictionaryRef table =
            settingsOnDisk().dictionary()->value(kShortcutsSettingKey).dictionary();
        QVERIFY(table);
        QCOMPARE(table->value(QStringLiteral("7")), PlistValue(script));
        QCOMPARE(table->value(QStringLiteral("3")), PlistValue("/opt/scripts/three.sh"));

        // A second close of a closed window announces nothing new.
        window->close();
        QCOMPARE(closing.count(), 1);
    }

    void theTreeFollowsTheDisk()
    {
        prepareStore(false);
        auto controller = openWindow();
        QAbstractItemModel *model = controller->_fileBrowserOutlineView->model();
        const QModelIndex userFolder = model->index(0, 0);
        controller->_fileBrowserOutlineView->expand(userFolder);
        const QString name = QStringLiteral("added while open ü.sh");
        const auto shows = [&] {
            for (int row = 0; row < model->rowCount(userFolder); ++row)
                if (model->index(row, 0, userFolder).data().toString() == name)
                    return true;
            return false;
        };
        QVERIFY(!shows());
        QFile script(throwAwayHomePath() + QStringLiteral("/Library/Scripts/") + name);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.close();
        QTRY_VERIFY_WITH_TIMEOUT(shows(), 10000);
        QVERIFY(controller->_fileBrowserOutlineView->isExpanded(userFolder));
        QVERIFY(script.remove());
        QTRY_VERIFY_WITH_TIMEOUT(!shows(), 10000);
    }

    void titlesComeFromTheTextTable_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("missing");
        for (const QString &key : titleKeys) {
            QTest::newRow(qPrintable(key)) << key << false;
            QTest::newRow(qPrintable(key + QStringLiteral(" missing"))) << key << true;
        }
    }
    void titlesComeFromTheTextTable()
    {
        QFETCH(QString, key);
        QFETCH(bool, missing);
        if (missing)
            m_table.missing.insert(key);
        prepareStore(false);
        auto controller = openWindow();
        const QString expected = missing ? key : m_table.fullText(key);
        QVERIFY(expected != key || missing);
        QCOMPARE(keyTitle(*controller, key), expected);
        // The other titles are untouched by the gap.
        for (const QString &other : titleKeys) {
            if (other != key)
                QCOMPARE(keyTitle(*controller, other), m_table.fullText(other));
        }
    }

    // The line above the hot-key column says whether hot keys work and through what, and
    // follows the backend while the window is open (the portal answers late).
    void theHotKeyLineSaysWhetherHotKeysWork_data()
    {
        QTest::addColumn<int>("obstacle");
        QTest::addColumn<QString>("textKey");
        QTest::newRow("hot keys work")
            << int(platform::HotKeyObstacle::None) << QStringLiteral("HotKeysThroughX11");
        QTest::newRow("Wayland") << int(platform::HotKeyObstacle::WaylandSession)
                                 << QStringLiteral("HotKeysUnavailableWayland");
    }
    void theHotKeyLineSaysWhetherHotKeysWork()
    {
        QFETCH(int, obstacle);
        QFETCH(QString, textKey);
        platform::FakeInputBackend input(platform::HotKeyObstacle(obstacle),
                                         QStringLiteral("no portal"));
        platform::InputBackend::setSharedForTesting(&input);
        prepareStore(false);
        auto controller = openWindow();
        QLabel *line = controller->_hotKeyStatusLabel;
        QVERIFY(line != nullptr);
        QVERIFY(line->isVisibleTo(controller->window()));
        QCOMPARE(line->text(), m_table.fullText(textKey));
        // In the hot-key box, above the browser whose column it is about.
        QCOMPARE(line->parentWidget(), controller->_shortcutsBox);
        QVERIFY(line->geometry().bottom() <= controller->_fileBrowserOutlineView->geometry().top());
        platform::InputBackend::setSharedForTesting(nullptr);
    }
    void theHotKeyLineFollowsThePortal()
    {
        platform::FakeInputBackend portal;
        portal.setSource(platform::HotKeySource::Portal);
        portal.setSettled(false);
        platform::InputBackend::setSharedForTesting(&portal);
        prepareStore(false);
        auto controller = openWindow();
        QLabel *line = controller->_hotKeyStatusLabel;
        QCOMPARE(line->text(), m_table.fullText(QStringLiteral("HotKeysPortalStarting")));
        portal.setSettled(true);
        QCOMPARE(line->text(), m_table.fullText(QStringLiteral("HotKeysThroughPortal")));
        portal.setObstacle(platform::HotKeyObstacle::PortalRefused, QStringLiteral("cancelled"));
        QVERIFY2(line->text().contains(QStringLiteral("cancelled")), qPrintable(line->text()));
        platform::InputBackend::setSharedForTesting(nullptr);
    }

    void bothColumnsFitAndTheWidestHotKeyTitleIsNotClipped()
    {
        prepareStore(false);
        auto controller = openWindow();
        QTreeView *view = controller->_fileBrowserOutlineView;
        QVERIFY(view->model());
        QCOMPARE(view->model()->columnCount(), 2);
        QHeaderView *header = view->header();
        const int columns = header->sectionSize(0) + header->sectionSize(1);
        QVERIFY2(columns <= view->viewport()->width(),
                 qPrintable(QStringLiteral("columns %1 px, view %2 px")
                                .arg(columns)
                                .arg(view->viewport()->width())));
        // A pop-up of the same style holding every title is as wide as the widest needs.
        QComboBox popUp;
        popUp.setFont(view->font());
        for (int shortcutID = 0; shortcutID < hotKeyCount(); ++shortcutID)
            popUp.addItem(titleForShortcutID(shortcutID));
        QVERIFY2(popUp.sizeHint().width() <= header->sectionSize(1),
                 qPrintable(QStringLiteral("the widest title needs %1 px, the column has %2 px")
                                .arg(popUp.sizeHint().width())
                                .arg(header->sectionSize(1))));
    }

    void aHotKeyIsBoundWithTheKeyboardAlone_data()
    {
        QTest::addColumn<int>("openKey");
        QTest::newRow("space bar") << int(Qt::Key_Space);
        QTest::newRow("F2") << int(Qt::Key_F2);
    }
    void aHotKeyIsBoundWithTheKeyboardAlone()
    {
        QFETCH(int, openKey);
        prepareStore(false);
        const QString script = throwAwayHomePath() + QStringLiteral("/Library/Scripts/keyboard.sh");
        QVERIFY(QDir().mkpath(QFileInfo(script).path()));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        auto controller = openWindow();
        QWidget *window = controller->window();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTreeView *view = controller->_fileBrowserOutlineView;

        // Tab leads from the Hot Keys box's check box into the browser, Right opens the home
        // scripts folder, Down walks to the script, the space bar opens its hot-key pop-up.
        QCOMPARE(QApplication::focusWidget(), controller->_readInputDevicesCheckbox);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view);
        QTest::keyClick(view, Qt::Key_Right);
        for (int row = 0; row < 50 && view->currentIndex().data().toString() != "keyboard.sh";
             ++row)
            QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("keyboard.sh"));
        // Escape in the open pop-up closes the pop-up only, not the window.
        QTest::keyClick(view, Qt::Key(openKey));
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(window->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(openKey));
        QTRY_VERIFY(QApplication::activePopupWidget());

        // The pop-up lists the hot keys by ID; five steps down from "None" is ID 5.
        for (int step = 0; step < 5; ++step)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!QApplication::activePopupWidget());

        QCOMPARE(scriptPathForShortcutID(5), script);
        window->close();
        QCOMPARE(settingsOnDisk()
                     .dictionary()
                     ->value(kShortcutsSettingKey)
                     .dictionary()
                     ->value(QStringLiteral("5")),
                 PlistValue(script));
    }

    // A key an older version let a folder have is named as doing nothing, and kept in the
    // file, until a script takes it; a key that moves says so.
    void theHotKeyLineNamesFolderKeysAndMoves()
    {
        prepareStore(false);
        const QString folder = throwAwayHomePath() + QStringLiteral("/Library/Scripts");
        QVERIFY(QDir().mkpath(folder));
        shortcutTable()->insert(QStringLiteral("5"), folder);
        auto controller = openWindow();
        QLabel *line = controller->_hotKeyStatusLabel;
        const QString said = QStringLiteral("F5 is bound to the folder %1 and does").arg(folder);
        QVERIFY2(line->text().contains(said), qPrintable(line->text()));
        const PlistValue saved = settingsOnDisk().dictionary()->value(kShortcutsSettingKey);
        QCOMPARE(saved.dictionary()->value(QStringLiteral("5")), PlistValue(folder));
        assignShortcut(5, QStringLiteral("/opt/scripts/five.sh"));
        assignShortcut(3, QStringLiteral("/opt/scripts/sync.sh"));
        QVERIFY2(!line->text().contains(said) &&
                     line->text().endsWith(QStringLiteral("F3 moved from three.sh to sync.sh.")),
                 qPrintable(line->text()));
    }

    void anUnknownWindowNameIsLoggedAndTheWindowStillOpens()
    {
        prepareStore(false);
        StandardErrorCapture log;
        QZPreferencesWindowController controller(QStringLiteral("NoSuchWindow"));
        QVERIFY(controller.window());
        QVERIFY(log.text().contains(QLatin1String("NoSuchWindow")));
    }

    void withoutAStoreNothingIsSavedAndTheLogSaysSo()
    {
        QZPreferencesDictionary *store = appGlobals;
        appGlobals = nullptr;
        StandardErrorCapture log;
        {
            QZPreferencesWindowController controller(QStringLiteral("QZPreferencesWindow"));
            QVERIFY(controller.window());
            QVERIFY(!controller._debugLoggingCheckbox->isChecked());
            controller.window()->close();
        }
        appGlobals = store;
        QVERIFY(log.text().contains(QLatin1String("no settings store")));
    }
};

TRUNDLE_TEST_MAIN(TestPreferencesWindow)
#include "test_preferenceswindow.moc"
