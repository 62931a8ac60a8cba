// SPDX-License-Identifier: GPL-3.0-or-later
// The record of the application activated last, as the workspace's notifications reach the
// started controller: which activations are recorded and in what form, that deactivations and
// the session's end never touch it, and the trace lines of the three handlers.

#include "apptestsupport.h"

#include "logcapture.h"

#include <optional>
#include <unistd.h>

using namespace platform;

namespace {

struct Record
{
    PlistValue pid;
    PlistValue identifier;
};

Record currentRecord()
{
    return {appGlobals->objectForKey(kPreviousApplicationPIDKey),
            appGlobals->objectForKey(kPreviousApplicationNameKey)};
}

void setRecord(const std::optional<RunningApplication> &app)
{
    appGlobals->setObject(app ? PlistValue(app->processIdentifier) : PlistValue(),
                          kPreviousApplicationPIDKey);
    appGlobals->setObject(app ? PlistValue(app->bundleIdentifier) : PlistValue(),
                          kPreviousApplicationNameKey);
}

const RunningApplication before{111, QStringLiteral("org.example.Before"), 0x1000001};
const RunningApplication editor{4242, QStringLiteral("org.example.Editor"), 0x1200007};

} // namespace

Q_DECLARE_METATYPE(std::optional<RunningApplication>)

class TestWorkspaceRecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void activation_data();
    void activation();
    void ownProgramIsRecordedLikeAnyOther();
    void lastOtherApplicationOutlivesTheProgramsOwnActivation();
    void deactivationAndSessionEndNeverChangeTheRecord_data();
    void deactivationAndSessionEndNeverChangeTheRecord();
    void traceLines();

private:
    std::unique_ptr<LaunchedController> m_launched;
};

void TestWorkspaceRecord::initTestCase()
{
    m_launched = std::make_unique<LaunchedController>();
    QVERIFY(appGlobals);
}

void TestWorkspaceRecord::init()
{
    // Nothing in front, nothing recorded: every case starts from a restart's state.
    m_launched->workspace.setActiveApplication(std::nullopt);
    setRecord(std::nullopt);
}

void TestWorkspaceRecord::activation_data()
{
    QTest::addColumn<std::optional<RunningApplication>>("earlier"); // the record beforehand
    QTest::addColumn<RunningApplication>("activated");
    QTest::addColumn<bool>("recorded");

    const std::optional<RunningApplication> none;
    for (const auto &earlier : {none, std::optional<RunningApplication>(before)}) {
        const char *start = earlier ? "over a record" : "with no record";
        QTest::addRow("an application %s", start) << earlier << editor << true;
        QTest::addRow("process ID 0 %s", start)
            << earlier << RunningApplication{0, QStringLiteral("org.example.Zero"), 0x2} << true;
        QTest::addRow("unknown process ID %s", start)
            << earlier << RunningApplication{-1, QStringLiteral("org.example.NoPid"), 0x3} << false;
        QTest::addRow("negative process ID %s", start)
            << earlier << RunningApplication{-42, QStringLiteral("org.example.Odd"), 0x4} << false;
        QTest::addRow("no identifier %s", start)
            << earlier << RunningApplication{777, QString(), 0x5} << false;
        QTest::addRow("empty identifier %s", start)
            << earlier << RunningApplication{777, QStringLiteral(""), 0x6} << false;
    }
}

void TestWorkspaceRecord::activation()
{
    QFETCH(std::optional<RunningApplication>, earlier);
    QFETCH(RunningApplication, activated);
    QFETCH(bool, recorded);

    setRecord(earlier);
    m_launched->workspace.simulateActivation(activated);

    const Record record = currentRecord();
    const std::optional<RunningApplication> expected =
        recorded ? std::optional<RunningApplication>(activated) : earlier;
    if (!expected) {
        QVERIFY(record.pid.isNull());
        QVERIFY(record.identifier.isNull());
        return;
    }
    // The process ID as an integer number, the identifier as text, both of one application.
    QVERIFY(record.pid.isNumber());
    QCOMPARE(record.pid.kind(), PlistValue::Kind::Integer);
    QCOMPARE(record.pid.integerValue(), expected->processIdentifier);
    QVERIFY(record.identifier.isString());
    QCOMPARE(record.identifier.stringValue(), expected->bundleIdentifier);
}

void TestWorkspaceRecord::ownProgramIsRecordedLikeAnyOther()
{
    m_launched->workspace.simulateActivation(editor);
    const RunningApplication own{qint64(getpid()), Workspace::ownBundleIdentifier(), 0x3000003};
    m_launched->workspace.simulateActivation(own);
    QCOMPARE(currentRecord().pid.integerValue(), qint64(getpid()));
    QCOMPARE(currentRecord().identifier.stringValue(), Workspace::ownBundleIdentifier());
}

void TestWorkspaceRecord::lastOtherApplicationOutlivesTheProgramsOwnActivation()
{
    // A click into the browser makes this program the last active one; the double click then
    // brings back the application before it.
    const RunningApplication own{qint64(getpid()), Workspace::ownBundleIdentifier(), 0x3000003};
    m_launched->workspace.simulateActivation(editor);
    m_launched->workspace.simulateActivation(own);
    QCOMPARE(appGlobals->objectForKey(kPreviousOtherApplicationPIDKey).integerValue(),
             editor.processIdentifier);
    QCOMPARE(appGlobals->objectForKey(kPreviousOtherApplicationNameKey).stringValue(),
             editor.bundleIdentifier);
    m_launched->workspace.simulateActivation(before);
    QCOMPARE(appGlobals->objectForKey(kPreviousOtherApplicationNameKey).stringValue(),
             before.bundleIdentifier);
}

void TestWorkspaceRecord::deactivationAndSessionEndNeverChangeTheRecord_data()
{
    QTest::addColumn<std::optional<RunningApplication>>("earlier");
    QTest::addColumn<QString>("notification");

    for (const auto &earlier :
         {std::optional<RunningApplication>(), std::optional<RunningApplication>(before)}) {
        const char *start = earlier ? "over a record" : "with no record";
        QTest::addRow("another application deactivated %s", start)
            << earlier << QStringLiteral("deactivate other");
        QTest::addRow("the recorded application deactivated %s", start)
            << earlier << QStringLiteral("deactivate recorded");
        QTest::addRow("the session resigned %s", start) << earlier << QStringLiteral("session");
    }
}

void TestWorkspaceRecord::deactivationAndSessionEndNeverChangeTheRecord()
{
    QFETCH(std::optional<RunningApplication>, earlier);
    QFETCH(QString, notification);

    setRecord(earlier);
    Workspace &workspace = m_launched->workspace;
    if (notification == QLatin1String("deactivate other"))
        emit workspace.didDeactivateApplication(editor);
    else if (notification == QLatin1String("deactivate recorded"))
        emit workspace.didDeactivateApplication(before);
    else
        m_launched->workspace.simulateSessionResignActive();

    const Record record = currentRecord();
    if (earlier) {
        QCOMPARE(record.pid.integerValue(), earlier->processIdentifier);
        QCOMPARE(record.identifier.stringValue(), earlier->bundleIdentifier);
    } else {
        QVERIFY(record.pid.isNull());
        QVERIFY(record.identifier.isNull());
    }
}

void TestWorkspaceRecord::traceLines()
{
    LogCapture activation;
    m_launched->delegate.appActivate(editor);
    QCOMPARE(activation.messages(), (QStringList{QStringLiteral("Some APP has been activated..."),
                                                 QStringLiteral("n: ") + editor.description(),
                                                 QStringLiteral("processID: 4242"),
                                                 QStringLiteral("bundleID: org.example.Editor")}));

    LogCapture deactivation;
    m_launched->delegate.appDeactivate(editor);
    QCOMPARE(deactivation.messages(),
             QStringList{QStringLiteral("Some APP has been deactivated...")});

    LogCapture session;
    m_launched->delegate.sessionDeactivate();
    const QStringList lines = session.messages();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("Some SESSION has been deactivated..."));
    QVERIFY(lines.last().startsWith(QStringLiteral("n: ")));
}

TRUNDLE_TEST_MAIN(TestWorkspaceRecord)
#include "test_workspacerecord.moc"
