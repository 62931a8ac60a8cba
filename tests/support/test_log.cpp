// SPDX-License-Identifier: GPL-3.0-or-later
// The debug log: silent without a switch, exact line layout, percent signs kept, "%@" values.

#include "log.h"
#include "logcapture.h"

#include <QTest>

static bool switchOn = false;
static int switchReads = 0;
static bool readSwitch()
{
    ++switchReads;
    return switchOn;
}

// An argument whose description must never be computed while the log is off.
static int descriptionsComputed = 0;
static QString costlyDescription()
{
    ++descriptionsComputed;
    return QStringLiteral("costly");
}

class TestLog : public QObject
{
    Q_OBJECT

private slots:
    void silentWithoutSwitchHook()
    {
        setLogSwitchHook(nullptr);
        LogCapture capture(nullptr);
        setLogSwitchHook(nullptr); // no store yet: the capture's own hook is taken away again
        logWithMethodName("executeScriptAndCollectOutput", 634, "x");
        QVERIFY(capture.lines().isEmpty());
    }

    void silentWhileSwitchIsOffAndNothingFormatted()
    {
        switchOn = false;
        switchReads = 0;
        descriptionsComputed = 0;
        LogCapture capture(&readSwitch);
        setLogSwitchHook(&readSwitch);
        QZLog("value: %@", costlyDescription());
        logWithMethodName("f", 1, "%@", PlistValue(QStringLiteral("y")));
        QVERIFY(capture.lines().isEmpty());
        QCOMPARE(descriptionsComputed, 0);
        QVERIFY(switchReads >= 2); // read afresh on every call
    }

    void exactLineLayout()
    {
        LogCapture capture;
        logWithMethodName("executeScriptAndCollectOutput", 634, "x");
        const auto lines = capture.lines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].method, QStringLiteral("executeScriptAndCollectOutput"));
        QCOMPARE(lines[0].line, 634);
        QCOMPARE(lines[0].message, QStringLiteral("x"));
    }

    void switchTakesEffectWithTheNextCall()
    {
        switchOn = true;
        LogCapture capture(&readSwitch);
        setLogSwitchHook(&readSwitch);
        logWithMethodName("f", 1, "first");
        switchOn = false;
        logWithMethodName("f", 2, "second");
        switchOn = true;
        logWithMethodName("f", 3, "third");
        QCOMPARE(capture.messages(), (QStringList{"first", "third"}));
    }

    void formats_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("actual");
        QTest::newRow("percent inside a value")
            << "file: 100% sure.sh"
            << stringWithFormat("file: %@", {QStringLiteral("100% sure.sh")});
        QTest::newRow("literal percent") << "50% done" << stringWithFormat("50%% done", {});
        QTest::newRow("integers") << "-5 7 42"
                                  << stringWithFormat("%d %i %li", {-5, 7u, qint64(42)});
        QTest::newRow("width and C string") << "  7 abc" << stringWithFormat("%3d %s", {7, "abc"});
        QTest::newRow("real") << "11.000000" << stringWithFormat("%f", {11.0});
        QTest::newRow("dictionary description")
            << "shortcuts: { 5 = /home/u/a.sh; }"
            << stringWithFormat("shortcuts: %@",
                                {PlistValue::newDictionary(
                                    {{QStringLiteral("5"), QStringLiteral("/home/u/a.sh")}})});
        QTest::newRow("missing argument") << "a (missing)" << stringWithFormat("a %@", {});
        QTest::newRow("trailing lone percent") << "abc%" << stringWithFormat("abc%", {});
        QTest::newRow("null value") << "(null)" << stringWithFormat("%@", {PlistValue()});
        // A conversion given an argument of another kind shows the argument, never its bytes.
        const QString text = QStringLiteral("Grüße");
        QTest::newRow("text for %d") << "Grüße" << stringWithFormat("%d", {text});
        QTest::newRow("text for %5i, padded")
            << "  abc" << stringWithFormat("%5i", {QStringLiteral("abc")});
        QTest::newRow("text for %-4u, left-aligned")
            << "ab  |" << stringWithFormat("%-4u|", {QStringLiteral("ab")});
        QTest::newRow("text for %x, %f, %c")
            << "a b c" << stringWithFormat("%x %f %c", {"a", QStringLiteral("b"), "c"});
        QTest::newRow("list for %ld")
            << "( a, b )" << stringWithFormat("%ld", {QStringList{"a", "b"}});
        QTest::newRow("number for %s and %p")
            << "42 -1" << stringWithFormat("%s %p", {42, qint64(-1)});
        QTest::newRow("real for %d, integer for %e")
            << "3 2.000000e+00" << stringWithFormat("%d %e", {3.9, 2});
    }

    void formats()
    {
        QFETCH(QString, expected);
        QFETCH(QString, actual);
        QCOMPARE(actual, expected);
    }

    void methodNames_data()
    {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("name");
        QTest::newRow("member") << "void QZPreferencesDictionary::load()"
                                << "QZPreferencesDictionary::load";
        QTest::newRow("free function with template return")
            << "std::optional<QList<QString> > executeScriptAndCollectOutput(const QString&)"
            << "executeScriptAndCollectOutput";
        QTest::newRow("lambda") << "QZAppDelegate::installEventMonitors()::<lambda(const "
                                   "platform::InputEvent&)>"
                                << "QZAppDelegate::installEventMonitors";
        QTest::newRow("plain name") << "isIPv4AddressString"
                                    << "isIPv4AddressString";
        QTest::newRow("pointer return") << "QObject* Foo::make(int)"
                                        << "Foo::make";
    }

    void methodNames()
    {
        QFETCH(QString, signature);
        QFETCH(QString, name);
        QCOMPARE(methodNameFromSignature(signature.toUtf8().constData()), name);
    }

    void callSiteMacroNamesTheFunction()
    {
        LogCapture capture;
        QZLog("from the macro %d", 1);
        const auto lines = capture.lines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].method, QStringLiteral("TestLog::callSiteMacroNamesTheFunction"));
        QCOMPARE(lines[0].message, QStringLiteral("from the macro 1"));
    }

    void processLogIgnoresTheSwitch()
    {
        switchOn = false;
        LogCapture capture(&readSwitch);
        setLogSwitchHook(&readSwitch);
        processLog("ds waking!");
        QCOMPARE(capture.messages(), QStringList{"ds waking!"});
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "test_log.moc"
