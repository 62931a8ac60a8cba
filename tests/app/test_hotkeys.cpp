// SPDX-License-Identifier: GPL-3.0-or-later
// Hot-key dispatch: which releases become which shortcut IDs, what the debug log says on the
// way, what an unbound or unusable binding does, that a release handed over by either event
// monitor reaches the bound script exactly once, and that a locked session runs nothing.
//
// Every ID from -3 to 19 is bound to "/bound/<id>" and the controller has no data source, so a
// release that reaches a binding shows as the log line "Launching script: /bound/<id>" and
// runs nothing; one case gives it a data source and runs a real script.

#include "apptestsupport.h"

#include "fakeinput.h"
#include "filebrowserdatasource.h"
#include "inputevent.h"
#include "logcapture.h"
#include "scriptrunner.h"
#include "shell.h"

#include <QDir>
#include <QSignalSpy>
#include <QTranslator>

#include <optional>

using namespace platform;

namespace {

QString boundPath(qint64 id)
{
    return QStringLiteral("/bound/%1").arg(id);
}

// The paths of every launch in the captured lines, in order.
QStringList launches(const QStringList &messages)
{
    const QString prefix = QStringLiteral("Launching script: ");
    QStringList paths;
    for (const QString &message : messages) {
        if (message.startsWith(prefix))
            paths.append(message.mid(prefix.size()));
    }
    return paths;
}

// Stands in for the text table's entry "HotKeyFirstMouseButtonID" while it is installed; every
// other text falls through to the real table.
class FirstMouseButtonIDOverride : public QTranslator
{
public:
    explicit FirstMouseButtonIDOverride(const QString &value) : m_value(value)
    {
        QCoreApplication::installTranslator(this);
    }
    ~FirstMouseButtonIDOverride() override { QCoreApplication::removeTranslator(this); }

    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(sourceText, "HotKeyFirstMouseButtonID") == 0)
            return m_value;
        return {};
    }
    bool isEmpty() const override { return false; }

private:
    QString m_value;
};

InputEvent eventOfType(int type)
{
    InputEvent event;
    event.type = type;
    return event;
}

} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void functionKeys_data();
    void functionKeys();
    void mouseButtons_data();
    void mouseButtons();
    void firstMouseButtonIDIsReadOnEveryRelease_data();
    void firstMouseButtonIDIsReadOnEveryRelease();
    void otherEventTypesAreIgnored_data();
    void otherEventTypesAreIgnored();
    void eventTraceLines();
    void unboundReleaseStopsAfterTheLookup_data();
    void unboundReleaseStopsAfterTheLookup();
    void unusableTableRunsNothing_data();
    void unusableTableRunsNothing();
    void tableIsReadAfreshOnEveryRelease();
    void releasesReachTheDispatchOnceFromEitherMonitor_data();
    void releasesReachTheDispatchOnceFromEitherMonitor();
    void boundScriptRunsThroughTheDataSource();
    void lockedSessionRunsNothing_data();
    void lockedSessionRunsNothing();
    void onlyBoundReleasesAskTheSessionLock_data();
    void onlyBoundReleasesAskTheSessionLock();

private:
    void bindEverything();
    QStringList dispatch(const InputEvent &event);

    std::unique_ptr<LaunchedController> m_launched;
};

void TestHotKeys::initTestCase()
{
    m_launched = std::make_unique<LaunchedController>();
    QVERIFY(appGlobals);
}

void TestHotKeys::init()
{
    bindEverything();
    m_launched->sessionLock.setReason(std::nullopt);
    m_launched->sessionLock.clearQuestions();
}

void TestHotKeys::bindEverything()
{
    PlistDictionary table;
    for (qint64 id = -3; id <= 19; ++id)
        table.insert(QString::number(id), boundPath(id));
    appGlobals->setObject(PlistValue::newDictionary(table), kShortcutsSettingKey);
}

QStringList TestHotKeys::dispatch(const InputEvent &event)
{
    LogCapture capture;
    m_launched->delegate.handleMouseAndKeyEvents(event);
    return capture.messages();
}

void TestHotKeys::functionKeys_data()
{
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<QString>("launched"); // empty: nothing
    QTest::addColumn<bool>("whatKey");     // whether "What key is this??" is written

    constexpr quint64 everyModifier =
        shiftModifierFlag | controlModifierFlag | alternateModifierFlag | commandModifierFlag;
    QTest::newRow("F1") << functionKeyReleaseForTesting(1) << boundPath(1) << false;
    QTest::newRow("F5") << functionKeyReleaseForTesting(5) << boundPath(5) << false;
    QTest::newRow("F10") << functionKeyReleaseForTesting(10) << boundPath(10) << false;
    QTest::newRow("F12") << functionKeyReleaseForTesting(12) << boundPath(12) << false;
    QTest::newRow("Shift-F5") << functionKeyReleaseForTesting(5, shiftModifierFlag) << boundPath(5)
                              << false;
    QTest::newRow("every modifier with F5")
        << functionKeyReleaseForTesting(5, everyModifier) << boundPath(5) << false;
    QTest::newRow("F13") << functionKeyReleaseForTesting(13) << QString() << true;
    QTest::newRow("F35") << functionKeyReleaseForTesting(35) << QString() << true;
    QTest::newRow("letter a") << textKeyReleaseForTesting(QStringLiteral("a")) << QString() << true;
    QTest::newRow("Shift-a") << textKeyReleaseForTesting(QStringLiteral("A"), shiftModifierFlag)
                             << QString() << true;
    // The function-key range is U+F704..U+F70F; its neighbours are other keys.
    QTest::newRow("U+F703, right arrow")
        << textKeyReleaseForTesting(QString(QChar(0xF703))) << QString() << true;
    QTest::newRow("U+F710, F13's character")
        << textKeyReleaseForTesting(QString(QChar(0xF710))) << QString() << true;
    // Only the first character counts.
    QTest::newRow("F5's character then a letter")
        << textKeyReleaseForTesting(QString(QChar(0xF708)) + u'x') << boundPath(5) << false;
    QTest::newRow("a letter then F5's character")
        << textKeyReleaseForTesting(u'x' + QString(QChar(0xF708))) << QString() << true;
    // A dead key types nothing; it has no first character and is no hot key.
    QTest::newRow("no characters") << textKeyReleaseForTesting(QString()) << QString() << true;
}

void TestHotKeys::functionKeys()
{
    QFETCH(InputEvent, event);
    QFETCH(QString, launched);
    QFETCH(bool, whatKey);

    QCOMPARE(event.type, keyUpType);
    const QStringList messages = dispatch(event);
    QCOMPARE(launches(messages), launched.isEmpty() ? QStringList() : QStringList{launched});
    QCOMPARE(messages.contains(QStringLiteral("What key is this??")), whatKey);
    // Function keys look their number up directly; the mouse's search line is not theirs.
    QVERIFY(!messages.join(u'\n').contains(QStringLiteral("Searching for key")));
}

void TestHotKeys::mouseButtons_data()
{
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<int>("expectedType");
    QTest::addColumn<qint64>("shortcutID");

    // With the shipped text table, HotKeyFirstMouseButtonID is 13.
    QTest::newRow("left") << buttonReleaseForTesting(0) << leftMouseUpType << qint64(13);
    QTest::newRow("right") << buttonReleaseForTesting(1) << rightMouseUpType << qint64(14);
    QTest::newRow("middle") << buttonReleaseForTesting(2) << otherMouseUpType << qint64(15);
    QTest::newRow("back") << buttonReleaseForTesting(3) << otherMouseUpType << qint64(16);
    QTest::newRow("forward") << buttonReleaseForTesting(4) << otherMouseUpType << qint64(17);
    QTest::newRow("sixth") << buttonReleaseForTesting(5) << otherMouseUpType << qint64(18);
    QTest::newRow("Shift-right") << buttonReleaseForTesting(1, shiftModifierFlag)
                                 << rightMouseUpType << qint64(14);
    QTest::newRow("Control-Alt-left")
        << buttonReleaseForTesting(0, controlModifierFlag | alternateModifierFlag)
        << leftMouseUpType << qint64(13);
    // The button number decides, whichever of the three mouse types the event has.
    InputEvent leftTypeButtonThree = buttonReleaseForTesting(2);
    leftTypeButtonThree.type = leftMouseUpType;
    QTest::newRow("type 2 with button 2") << leftTypeButtonThree << leftMouseUpType << qint64(15);
}

void TestHotKeys::mouseButtons()
{
    QFETCH(InputEvent, event);
    QFETCH(int, expectedType);
    QFETCH(qint64, shortcutID);

    QCOMPARE(event.type, expectedType);
    const QStringList messages = dispatch(event);
    QCOMPARE(
        messages.filter(QStringLiteral("Searching for key")),
        QStringList{QStringLiteral("Searching for key (ShortCut ID Number): %1").arg(shortcutID)});
    QCOMPARE(launches(messages), QStringList{boundPath(shortcutID)});
    QVERIFY(!messages.contains(QStringLiteral("What key is this??")));
}

void TestHotKeys::firstMouseButtonIDIsReadOnEveryRelease_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<qint64>("leftID");

    QTest::newRow("another number") << QStringLiteral("3") << qint64(3);
    QTest::newRow("leading blanks") << QStringLiteral("  7") << qint64(7);
    QTest::newRow("negative") << QStringLiteral("-3") << qint64(-3);
    QTest::newRow("trailing text") << QStringLiteral("9 buttons") << qint64(9);
    QTest::newRow("not a number") << QStringLiteral("many") << qint64(0);
    // A table without the entry yields its key, whose integer value is 0: the right button then
    // looks up 1, F1's key.
    QTest::newRow("missing") << QStringLiteral("HotKeyFirstMouseButtonID") << qint64(0);
}

void TestHotKeys::firstMouseButtonIDIsReadOnEveryRelease()
{
    QFETCH(QString, entry);
    QFETCH(qint64, leftID);

    {
        FirstMouseButtonIDOverride override(entry);
        QCOMPARE(launches(dispatch(buttonReleaseForTesting(0))), QStringList{boundPath(leftID)});
        QCOMPARE(launches(dispatch(buttonReleaseForTesting(1))),
                 QStringList{boundPath(leftID + 1)});
        QCOMPARE(launches(dispatch(buttonReleaseForTesting(2))),
                 QStringList{boundPath(leftID + 2)});
    }
    // The shipped entry is back with the very next release.
    QCOMPARE(launches(dispatch(buttonReleaseForTesting(0))), QStringList{boundPath(13)});
}

void TestHotKeys::otherEventTypesAreIgnored_data()
{
    QTest::addColumn<int>("type");

    QTest::newRow("left button down") << 1;
    QTest::newRow("right button down") << 3;
    QTest::newRow("key down") << 10;
    QTest::newRow("other button down") << 25;
    QTest::newRow("flags changed") << 12;
    QTest::newRow("none") << 0;
    QTest::newRow("negative") << -1;
}

void TestHotKeys::otherEventTypesAreIgnored()
{
    QFETCH(int, type);

    InputEvent event = eventOfType(type);
    event.charactersIgnoringModifiers = QString(QChar(0xF708)); // F5's, were it a key-up
    const QStringList messages = dispatch(event);
    QVERIFY(launches(messages).isEmpty());
    QVERIFY(messages.contains(
        QStringLiteral("Warning: I do not know how to handle events of type: %1").arg(type)));
}

void TestHotKeys::eventTraceLines()
{
    const InputEvent key = functionKeyReleaseForTesting(5, shiftModifierFlag);
    QStringList messages = dispatch(key);
    QVERIFY(!messages.isEmpty());
    QVERIFY(messages.first().startsWith(QStringLiteral("theEvent: ")));
    QVERIFY(messages.contains(QStringLiteral("eventType (2=mouse up, 11=key up): 11")));
    QVERIFY(
        messages.contains(QStringLiteral("charactersIgnoringModifiers: %1").arg(QChar(0xF708))));
    QVERIFY(messages.contains(QStringLiteral("keyCode                    : %1").arg(key.keyCode)));
    QVERIFY(messages.contains(
        QStringLiteral("modifierFlags              : %1").arg(shiftModifierFlag)));

    messages = dispatch(buttonReleaseForTesting(1));
    QVERIFY(messages.contains(QStringLiteral("eventType (2=mouse up, 11=key up): 4")));
    // The one-based number: the right button is 2.
    QVERIFY(messages.contains(QStringLiteral("buttonNumber               : 2")));
    QVERIFY(messages.contains(QStringLiteral("modifierFlags              : 0")));
}

void TestHotKeys::unboundReleaseStopsAfterTheLookup_data()
{
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<QString>("unbound");

    QTest::newRow("middle button") << buttonReleaseForTesting(2) << QStringLiteral("15");
    QTest::newRow("F5") << functionKeyReleaseForTesting(5) << QStringLiteral("5");
}

void TestHotKeys::unboundReleaseStopsAfterTheLookup()
{
    QFETCH(InputEvent, event);
    QFETCH(QString, unbound);

    appGlobals->objectForKey(kShortcutsSettingKey).dictionary()->remove(unbound);
    const QStringList messages = dispatch(event);
    QVERIFY(launches(messages).isEmpty());
    QVERIFY(!messages.isEmpty());
    // The table is the last thing written: nothing after the lookup.
    QVERIFY2(messages.last().startsWith(QStringLiteral("shortcuts: ")),
             qPrintable(messages.last()));
}

void TestHotKeys::unusableTableRunsNothing_data()
{
    QTest::addColumn<PlistValue>("table"); // stored under the shortcuts key; null removes it

    QTest::newRow("no table") << PlistValue();
    QTest::newRow("a text instead of a table") << PlistValue(QStringLiteral("/bound/5"));
    QTest::newRow("empty table") << PlistValue::newDictionary();
    QTest::newRow("a number bound instead of a path")
        << PlistValue::newDictionary({{QStringLiteral("5"), PlistValue(qint64(42))},
                                      {QStringLiteral("15"), PlistValue(qint64(42))}});
    QTest::newRow("a list bound instead of a path")
        << PlistValue::newDictionary({{QStringLiteral("5"), PlistValue::newArray()},
                                      {QStringLiteral("15"), PlistValue::newArray()}});
    // Kept from an older version that let folders have keys: kept in the file, never armed.
    QTest::newRow("folders bound")
        << PlistValue::newDictionary({{QStringLiteral("5"), PlistValue(QDir::tempPath())},
                                      {QStringLiteral("15"), PlistValue(QStringLiteral("/"))}});
    QTest::newRow("keys with leading zeros or blanks")
        << PlistValue::newDictionary({{QStringLiteral("05"), PlistValue(boundPath(5))},
                                      {QStringLiteral(" 5"), PlistValue(boundPath(5))},
                                      {QStringLiteral("015"), PlistValue(boundPath(15))}});
}

void TestHotKeys::unusableTableRunsNothing()
{
    QFETCH(PlistValue, table);

    appGlobals->setObject(table, kShortcutsSettingKey);
    QVERIFY(launches(dispatch(functionKeyReleaseForTesting(5))).isEmpty());
    QVERIFY(launches(dispatch(buttonReleaseForTesting(2))).isEmpty());
}

void TestHotKeys::tableIsReadAfreshOnEveryRelease()
{
    QCOMPARE(launches(dispatch(functionKeyReleaseForTesting(5))), QStringList{boundPath(5)});
    // Changed in place, as the preferences window changes it.
    const PlistDictionaryRef table = appGlobals->objectForKey(kShortcutsSettingKey).dictionary();
    QVERIFY(table);
    table->insert(QStringLiteral("5"), QStringLiteral("/rebound/5"));
    QCOMPARE(launches(dispatch(functionKeyReleaseForTesting(5))),
             QStringList{QStringLiteral("/rebound/5")});
    table->remove(QStringLiteral("5"));
    QVERIFY(launches(dispatch(functionKeyReleaseForTesting(5))).isEmpty());
}

void TestHotKeys::releasesReachTheDispatchOnceFromEitherMonitor_data()
{
    QTest::addColumn<bool>("toOwnApplication");
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<QString>("launched");

    for (const bool own : {false, true}) {
        const char *where = own ? "to Trundle" : "to another application";
        QTest::addRow("F5 %s", where) << own << functionKeyReleaseForTesting(5) << boundPath(5);
        QTest::addRow("right button %s", where)
            << own << buttonReleaseForTesting(1) << boundPath(14);
    }
}

void TestHotKeys::releasesReachTheDispatchOnceFromEitherMonitor()
{
    QFETCH(bool, toOwnApplication);
    QFETCH(InputEvent, event);
    QFETCH(QString, launched);

    LogCapture capture;
    injectEventForTesting(event, toOwnApplication);
    const QStringList messages = capture.messages();
    QCOMPARE(launches(messages), QStringList{launched});
    QCOMPARE(messages.filter(QStringLiteral("incomingEvent: ")).size(), 1);
}

void TestHotKeys::boundScriptRunsThroughTheDataSource()
{
    const QString folder = QDir::homePath() + QStringLiteral("/Library/Scripts");
    const QString journal = QDir::homePath() + QStringLiteral("/journal.txt");
    const QString script = folder + QStringLiteral("/hot key $5.sh"); // blank and dollar: quoted
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho ran >> " + shellQuoted(journal).toUtf8() + "\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
    appGlobals->objectForKey(kShortcutsSettingKey)
        .dictionary()
        ->insert(QStringLiteral("5"), script);

    // Another application in front: it is asked to come to the front again before the run.
    const RunningApplication editor{4242, QStringLiteral("org.example.Editor"), 0x1200007};
    m_launched->workspace.addRunningApplication(editor);
    m_launched->workspace.setActiveApplication(editor);
    m_launched->workspace.clearActivationRequests();

    FileBrowserDataSource ds; // no window: the run goes without the panel
    m_launched->delegate.setDs(&ds);
    QSignalSpy started(&ds, &FileBrowserDataSource::scriptRunStarted);
    QSignalSpy finished(&ds, &FileBrowserDataSource::scriptRunFinished);
    injectEventForTesting(functionKeyReleaseForTesting(5), false);
    m_launched->delegate.setDs(nullptr);

    QVERIFY(finished.wait(30000));
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toString(), script);
    QFile written(journal);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("ran\n"));
    QCOMPARE(m_launched->workspace.activationRequests(), QList<qint64>{4242});
    m_launched->workspace.setActiveApplication(std::nullopt);
}

void TestHotKeys::lockedSessionRunsNothing_data()
{
    QTest::addColumn<bool>("toOwnApplication");
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<qint64>("id");

    for (const bool own : {false, true}) {
        const char *where = own ? "to Trundle" : "to another application";
        QTest::addRow("F5 %s", where) << own << functionKeyReleaseForTesting(5) << qint64(5);
        QTest::addRow("right button %s", where) << own << buttonReleaseForTesting(1) << qint64(14);
    }
}

void TestHotKeys::lockedSessionRunsNothing()
{
    QFETCH(bool, toOwnApplication);
    QFETCH(InputEvent, event);
    QFETCH(qint64, id);

    FileBrowserDataSource ds;
    m_launched->delegate.setDs(&ds);
    QSignalSpy started(&ds, &FileBrowserDataSource::scriptRunStarted);
    QSignalSpy finished(&ds, &FileBrowserDataSource::scriptRunFinished);
    const QString reason = QStringLiteral("the session is locked (for the test)");
    FakeSessionLock &lock = m_launched->sessionLock;

    lock.setReason(reason);
    QStringList messages;
    {
        LogCapture capture;
        injectEventForTesting(event, toOwnApplication);
        messages = capture.messages();
    }
    QCOMPARE(lock.questionsAsked(), 1);
    // One line says which script was held back and why; the launch line is not written.
    const QStringList withheld = messages.filter(QStringLiteral("withheld"));
    QCOMPARE(withheld.size(), 1);
    QVERIFY2(withheld.first().contains(boundPath(id)) && withheld.first().contains(reason),
             qPrintable(withheld.first()));
    QVERIFY(launches(messages).isEmpty());

    // Unlocked, the very next release runs. It is bound anew first: runs go one at a time in
    // order, so a run of the locked release would show before it, under the old path.
    const QString rebound = QStringLiteral("/rebound/%1").arg(id);
    appGlobals->objectForKey(kShortcutsSettingKey)
        .dictionary()
        ->insert(QString::number(id), rebound);
    lock.setReason(std::nullopt);
    injectEventForTesting(event, toOwnApplication);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    m_launched->delegate.setDs(nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(!ScriptRunner::shared()->isRunning(), 30000);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toString(), rebound);
    QCOMPARE(lock.questionsAsked(), 2);
}

void TestHotKeys::onlyBoundReleasesAskTheSessionLock_data()
{
    QTest::addColumn<InputEvent>("event");
    QTest::addColumn<QString>("unbind"); // removed from the table first; empty: nothing

    QTest::newRow("unbound F5") << functionKeyReleaseForTesting(5) << QStringLiteral("5");
    QTest::newRow("unbound middle button") << buttonReleaseForTesting(2) << QStringLiteral("15");
    QTest::newRow("F13") << functionKeyReleaseForTesting(13) << QString();
    QTest::newRow("letter a") << textKeyReleaseForTesting(QStringLiteral("a")) << QString();
    QTest::newRow("a key-down") << eventOfType(10) << QString();
}

void TestHotKeys::onlyBoundReleasesAskTheSessionLock()
{
    QFETCH(InputEvent, event);
    QFETCH(QString, unbind);

    if (!unbind.isEmpty())
        appGlobals->objectForKey(kShortcutsSettingKey).dictionary()->remove(unbind);
    m_launched->sessionLock.setReason(QStringLiteral("locked"));
    const QStringList messages = dispatch(event);
    QCOMPARE(m_launched->sessionLock.questionsAsked(), 0);
    QVERIFY(messages.filter(QStringLiteral("withheld")).isEmpty());
}

TRUNDLE_TEST_MAIN(TestHotKeys)
#include "test_hotkeys.moc"
