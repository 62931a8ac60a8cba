// SPDX-License-Identifier: GPL-3.0-or-later
// The shared value type: containers shared by reference, readings, descriptions.

#include "plistvalue.h"

#include <QTest>

#include <limits>

class TestPlistValue : public QObject
{
    Q_OBJECT

private slots:
    void containersAreSharedByReference()
    {
        const PlistValue table = PlistValue::newDictionary();
        // A second holder of the same table: the copy is what the test is about.
        PlistValue holder = table; // NOLINT(performance-unnecessary-copy-initialization)
        holder.dictionary()->insert(QStringLiteral("5"), QStringLiteral("/a.sh"));
        QCOMPARE(table.dictionary()->value(QStringLiteral("5")).stringValue(),
                 QStringLiteral("/a.sh"));

        const PlistValue copy = table.deepCopy();
        copy.dictionary()->insert(QStringLiteral("6"), QStringLiteral("/b.sh"));
        QVERIFY(!table.dictionary()->contains(QStringLiteral("6")));
    }

    void deepCopyCopiesNestedContainers()
    {
        const PlistValue inner = PlistValue::newArray({QStringLiteral("x")});
        const PlistValue outer = PlistValue::newDictionary({{QStringLiteral("list"), inner}});
        const PlistValue copy = outer.deepCopy();
        QCOMPARE(copy, outer);
        copy.dictionary()->value(QStringLiteral("list")).array()->append(QStringLiteral("y"));
        QCOMPARE(inner.array()->size(), 1);
    }

    void boolReadings_data()
    {
        QTest::addColumn<PlistValue>("value");
        QTest::addColumn<bool>("reading");
        QTest::newRow("true") << PlistValue(true) << true;
        QTest::newRow("false") << PlistValue(false) << false;
        QTest::newRow("integer 2") << PlistValue(2) << true;
        QTest::newRow("integer 0") << PlistValue(0) << false;
        QTest::newRow("real 0.5") << PlistValue(0.5) << true;
        QTest::newRow("text YES") << PlistValue("YES") << true;
        QTest::newRow("text true") << PlistValue("true") << true;
        QTest::newRow("text  007") << PlistValue("  007") << true;
        QTest::newRow("text no") << PlistValue("no") << false;
        QTest::newRow("text 0") << PlistValue("0") << false;
        QTest::newRow("empty text") << PlistValue("") << false;
        QTest::newRow("array") << PlistValue::newArray({true}) << false;
        QTest::newRow("null") << PlistValue() << false;
    }

    void boolReadings()
    {
        QFETCH(PlistValue, value);
        QFETCH(bool, reading);
        QCOMPARE(value.boolValue(), reading);
    }

    void integerReadingsOfText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value64");
        QTest::addColumn<int>("value32");
        QTest::newRow("plain") << "13" << qint64(13) << 13;
        QTest::newRow("leading blanks and sign") << "  -42abc" << qint64(-42) << -42;
        QTest::newRow("plus") << "+7" << qint64(7) << 7;
        QTest::newRow("letters first") << "HotKeyFirstMouseButtonID" << qint64(0) << 0;
        QTest::newRow("empty") << "" << qint64(0) << 0;
        QTest::newRow("above 32 bits") << "4294967296" << qint64(4294967296) << INT_MAX;
        QTest::newRow("below 32 bits") << "-4294967296" << qint64(-4294967296) << INT_MIN;
        QTest::newRow("far too large")
            << "99999999999999999999999" << std::numeric_limits<qint64>::max() << INT_MAX;
        QTest::newRow("64-bit minimum")
            << "-9223372036854775808" << std::numeric_limits<qint64>::min() << INT_MIN;
    }

    void integerReadingsOfText()
    {
        QFETCH(QString, text);
        QFETCH(qint64, value64);
        QFETCH(int, value32);
        QCOMPARE(integerValueOfText(text), value64);
        QCOMPARE(intValueOfText(text), value32);
    }

    void descriptions_data()
    {
        QTest::addColumn<PlistValue>("value");
        QTest::addColumn<QString>("description");
        QTest::newRow("empty dictionary") << PlistValue::newDictionary() << "{ }";
        QTest::newRow("dictionary")
            << PlistValue::newDictionary(
                   {{QStringLiteral("PreferencesDebugLoggingSettingKey"), false},
                    {QStringLiteral("b key"), QStringLiteral("x y")}})
            << "{ PreferencesDebugLoggingSettingKey = 0; \"b key\" = \"x y\"; }";
        QTest::newRow("array") << PlistValue::newArray({1, QStringLiteral("/a/b")})
                               << "( 1, /a/b )";
        QTest::newRow("text by itself") << PlistValue("say \"hi\"") << "say \"hi\"";
        QTest::newRow("quote inside a text in an array")
            << PlistValue::newArray({QStringLiteral("say \"hi\"")}) << "( \"say \\\"hi\\\"\" )";
        QTest::newRow("null") << PlistValue() << "(null)";
    }

    void descriptions()
    {
        QFETCH(PlistValue, value);
        QFETCH(QString, description);
        QCOMPARE(value.description(), description);
    }

    void propertyListCheck()
    {
        QObject object;
        QVERIFY(PlistValue::newDictionary({{QStringLiteral("a"), 1}}).isPropertyList());
        QVERIFY(!PlistValue(&object).isPropertyList());
        QVERIFY(!PlistValue::newArray({PlistValue(&object)}).isPropertyList());
        QVERIFY(!PlistValue().isPropertyList());
    }
};

QTEST_GUILESS_MAIN(TestPlistValue)
#include "test_plistvalue.moc"
