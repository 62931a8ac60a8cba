// SPDX-License-Identifier: GPL-3.0-or-later
#include "collections.h"
#include "log.h"
#include "logcapture.h"

#include <QTest>

#include <cstring>
#include <functional>

namespace {

PlistValue array(PlistArray items = {})
{
    return PlistValue::newArray(std::move(items));
}

PlistValue dictionary(PlistDictionary entries = {})
{
    return PlistValue::newDictionary(std::move(entries));
}

// Whether copy has the same contents as original and no container of copy is a container of
// original, all the way down (why in *reason when not).
bool isSeparateEqualCopy(const PlistValue &original, const PlistValue &copy, QString *reason)
{
    if (original != copy) {
        *reason = original.description() + QStringLiteral(" != ") + copy.description();
        return false;
    }
    if (const PlistArrayRef a = original.array()) {
        const PlistArrayRef b = copy.array();
        if (a == b) {
            *reason = QStringLiteral("shared array ") + original.description();
            return false;
        }
        for (qsizetype i = 0; i < a->size(); ++i) {
            if (!isSeparateEqualCopy(a->at(i), b->at(i), reason))
                return false;
        }
    }
    if (const PlistDictionaryRef a = original.dictionary()) {
        const PlistDictionaryRef b = copy.dictionary();
        if (a == b) {
            *reason = QStringLiteral("shared dictionary ") + original.description();
            return false;
        }
        for (auto it = a->cbegin(); it != a->cend(); ++it) {
            if (!isSeparateEqualCopy(it.value(), b->value(it.key()), reason))
                return false;
        }
    }
    return true;
}

// The message the log writes for format with one value: what the log makes of "%@" is the
// log's business, the words around it are ours.
QString logged(const char *format, const PlistValue &value)
{
    return stringWithFormat(format, {LogArgument(value)});
}

} // namespace

class TestCollections : public QObject
{
    Q_OBJECT

private slots:
    void percentEncodingRoundTrip_data();
    void percentEncodingRoundTrip();
    void urldecodeReadsEscapes_data();
    void urldecodeReadsEscapes();
    void urldecodeRefusesBadEscapes_data();
    void urldecodeRefusesBadEscapes();
    void urlencodeRefusesTextWithoutUtf8Form_data();
    void urlencodeRefusesTextWithoutUtf8Form();

    void getCStringFitsAsciiWithItsNul_data();
    void getCStringFitsAsciiWithItsNul();
    void getCStringWithoutBufferLogs();

    void withoutString_data();
    void withoutString();
    void withoutStringContaining_data();
    void withoutStringContaining();
    void filtersLogEachElementAndOtherKinds_data();
    void filtersLogEachElementAndOtherKinds();
    void filtersOfNullArrayGiveEmptyArray();

    void mutableCopyOfArrayCopiesContainers_data();
    void mutableCopyOfArrayCopiesContainers();
    void mutableCopyOfArrayTracesEveryArray();
    void makeAllContainedDictionaryObjectsMutableReplacesInPlace();
    void selfContainingContainersAreKept();
    void nullContainers();
};

// ---- Percent encoding ----------------------------------------------------------------------

void TestCollections::percentEncodingRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");

    QTest::newRow("blank and ampersand") << "a b&c"
                                         << "a%20b%26c";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("left as they are") << "AZaz09-_.!~*'();/?:@=+$,"
                                      << "AZaz09-_.!~*'();/?:@=+$,";
    QTest::newRow("percent sign") << "100%"
                                  << "100%25";
    QTest::newRow("fragment mark") << "a#b"
                                   << "a%23b";
    QTest::newRow("unwise characters") << "<>\"{}|\\^`[]"
                                       << "%3C%3E%22%7B%7D%7C%5C%5E%60%5B%5D";
    QTest::newRow("control characters") << "\t\n\x7f"
                                        << "%09%0A%7F";
    QTest::newRow("two-byte letter") << QString::fromUtf8("caf\u00e9") << "caf%C3%A9";
    QTest::newRow("three-byte sign") << QString::fromUtf8("\u20ac 5") << "%E2%82%AC%205";
    QTest::newRow("outside the BMP") << QString::fromUtf8("\U0001F600") << "%F0%9F%98%80";
    QTest::newRow("NUL") << QString(QChar(0)) << "%00";
    // Found by fuzzing: a byte-order mark was taken for one and dropped while encoding.
    QTest::newRow("byte-order mark") << QString(QChar(0xFEFF)) << "%EF%BB%BF";
    QTest::newRow("byte-order mark inside")
        << (u'a' + QString(QChar(0xFEFF)) + u'b') << "a%EF%BB%BFb";
}

void TestCollections::percentEncodingRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    const QString actual = urlencode(text);
    QVERIFY(!actual.isNull());
    QCOMPARE(actual, encoded);
    const QString decoded = urldecode(actual);
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded, text);
}

void TestCollections::urldecodeReadsEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("lower-case hex") << "%c3%a9%2f" << QString::fromUtf8("\u00e9/");
    QTest::newRow("plus stays") << "a+b"
                                << "a+b";
    QTest::newRow("escaped ASCII letters") << "%41%62"
                                           << "Ab";
    QTest::newRow("unescaped non-ASCII passes")
        << QString::fromUtf8("\u00e9%20\u00e9") << QString::fromUtf8("\u00e9 \u00e9");
    QTest::newRow("escaped percent is not decoded twice") << "%2541"
                                                          << "%41";
    QTest::newRow("escapes between letters")
        << "x%E2%82%ACy%20z" << QString::fromUtf8("x\u20acy z");
    QTest::newRow("largest code point") << "%F4%8F%BF%BF" << QString::fromUcs4(U"\U0010FFFF");
}

void TestCollections::urldecodeReadsEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QCOMPARE(urldecode(text), decoded);
}

void TestCollections::urldecodeRefusesBadEscapes_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("lone percent") << "%";
    QTest::newRow("percent at the end") << "abc%";
    QTest::newRow("one hex digit") << "abc%4";
    QTest::newRow("not hex") << "%G0";
    QTest::newRow("not hex second") << "%0x";
    QTest::newRow("non-ASCII after percent") << QString::fromUtf8("%\u00e9\u00e9");
    QTest::newRow("cut-off sequence") << "%C3";
    QTest::newRow("sequence cut by a letter") << "%C3a%A9";
    QTest::newRow("stray continuation byte") << "%A9";
    QTest::newRow("bad continuation") << "%C3%28";
    QTest::newRow("overlong slash") << "%C0%AF";
    QTest::newRow("overlong three bytes") << "%E0%80%AF";
    QTest::newRow("encoded surrogate") << "%ED%A0%80";
    QTest::newRow("past U+10FFFF") << "%F4%90%80%80";
    QTest::newRow("byte FF") << "%FF";
}

void TestCollections::urldecodeRefusesBadEscapes()
{
    QFETCH(QString, text);
    LogCapture capture;
    QVERIFY(urldecode(text).isNull());
    const QStringList messages = capture.messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(logged("%@", text)), qPrintable(messages.first()));
}

void TestCollections::urlencodeRefusesTextWithoutUtf8Form_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("null") << QString();
    QTest::newRow("lone high surrogate") << QString(QChar(0xD83D));
    QTest::newRow("high surrogate then letter") << (QString(QChar(0xD83D)) + u'a');
    QTest::newRow("lone low surrogate") << (u'a' + QString(QChar(0xDE00)));
}

void TestCollections::urlencodeRefusesTextWithoutUtf8Form()
{
    QFETCH(QString, text);
    LogCapture capture;
    QVERIFY(urlencode(text).isNull());
    QCOMPARE(capture.messages().size(), 1);
}

// ---- C strings -----------------------------------------------------------------------------

void TestCollections::getCStringFitsAsciiWithItsNul_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<bool>("written");

    QTest::newRow("no room for the NUL") << "abc" << 3 << false;
    QTest::newRow("room for the NUL") << "abc" << 4 << true;
    QTest::newRow("more room") << "abc" << 16 << true;
    QTest::newRow("empty text, one byte") << "" << 1 << true;
    QTest::newRow("empty text, no byte") << "" << 0 << false;
    QTest::newRow("negative capacity") << "abc" << -1 << false;
    QTest::newRow("null text") << QString() << 16 << false;
    QTest::newRow("highest ASCII") << "\x7f" << 2 << true;
    QTest::newRow("first non-ASCII") << QString(QChar(0x80)) << 16 << false;
    QTest::newRow("accented letter") << QString::fromUtf8("caf\u00e9") << 16 << false;
    QTest::newRow("NUL inside") << QString::fromLatin1("a\0b", 3) << 16 << false;
}

void TestCollections::getCStringFitsAsciiWithItsNul()
{
    QFETCH(QString, text);
    QFETCH(int, capacity);
    QFETCH(bool, written);

    char buffer[32];
    std::memset(buffer, 'X', sizeof buffer);
    QCOMPARE(getCString(text, buffer, capacity), written);
    if (written) {
        QCOMPARE(QByteArray(buffer), text.toLatin1());
        QCOMPARE(buffer[text.size()], '\0');
        QCOMPARE(buffer[text.size() + 1], 'X');
    } else {
        for (const char c : buffer)
            QCOMPARE(c, 'X');
    }
}

void TestCollections::getCStringWithoutBufferLogs()
{
    LogCapture capture;
    QVERIFY(!getCString(QStringLiteral("abc"), nullptr, 16));
    QCOMPARE(capture.messages().size(), 1);
}

// ---- String filters ------------------------------------------------------------------------

void TestCollections::withoutString_data()
{
    QTest::addColumn<PlistValue>("input");
    QTest::addColumn<QString>("unwanted");
    QTest::addColumn<PlistValue>("expected");

    const QString composed = QString::fromUtf8("\u00e9");
    const QString decomposed = QString::fromUtf8("e\u0301");

    QTest::newRow("two equal strings and another") << array({"a", "a", "b"}) << "a" << array({"b"});
    QTest::newRow("case matters") << array({"a", "A", "b"}) << "a" << array({"A", "b"});
    QTest::newRow("whole strings only") << array({"ab", "a", "ba"}) << "a" << array({"ab", "ba"});
    QTest::newRow("canonically equivalent forms are equal")
        << array({composed, decomposed, "e"}) << composed << array({"e"});
    QTest::newRow("no match keeps order")
        << array({"c", "b", "a"}) << "x" << array({"c", "b", "a"});
    QTest::newRow("other kinds stay")
        << array({1, "x", true, array({"x"}), dictionary({{"x", "x"}}), 2.5}) << "x"
        << array({1, true, array({"x"}), dictionary({{"x", "x"}}), 2.5});
    QTest::newRow("empty string removes empty strings") << array({"a", ""}) << "" << array({"a"});
    QTest::newRow("empty array") << array() << "x" << array();
}

void TestCollections::withoutString()
{
    QFETCH(PlistValue, input);
    QFETCH(QString, unwanted);
    QFETCH(PlistValue, expected);

    const PlistValue before = input.deepCopy();
    const PlistArrayRef result = createNewArrayFromArrayWithoutString(input.array(), unwanted);
    QVERIFY(result);
    QVERIFY(result != input.array());
    QCOMPARE(PlistValue(result), expected);
    QCOMPARE(input, before);
}

void TestCollections::withoutStringContaining_data()
{
    QTest::addColumn<PlistValue>("input");
    QTest::addColumn<QString>("unwanted");
    QTest::addColumn<PlistValue>("expected");

    const QString composed = QString::fromUtf8("caf\u00e9");
    const QString decomposed = QString::fromUtf8("cafe\u0301");

    QTest::newRow("drops strings that contain it")
        << array({"apple", "banana", "cherry"}) << "an" << array({"apple", "cherry"});
    QTest::newRow("occurs nowhere")
        << array({"apple", "banana"}) << "zz" << array({"apple", "banana"});
    QTest::newRow("empty string occurs nowhere")
        << array({"apple", "", "banana"}) << "" << array({"apple", "", "banana"});
    QTest::newRow("case matters") << array({"Apple", "apple"}) << "app" << array({"Apple"});
    QTest::newRow("whole string") << array({"abc", "abcd"}) << "abcd" << array({"abc"});
    QTest::newRow("no match inside an accented letter")
        << array({composed, decomposed, "cafe"}) << "e" << array({composed, decomposed});
    QTest::newRow("canonically equivalent forms match")
        << array({composed, decomposed, "cafe"}) << QString::fromUtf8("e\u0301") << array({"cafe"});
    QTest::newRow("other kinds stay") << array({3.5, "x3.5", 7}) << "3.5" << array({3.5, 7});
}

void TestCollections::withoutStringContaining()
{
    QFETCH(PlistValue, input);
    QFETCH(QString, unwanted);
    QFETCH(PlistValue, expected);

    const PlistValue before = input.deepCopy();
    const PlistArrayRef result =
        createNewArrayFromArrayWithoutStringContaining(input.array(), unwanted);
    QVERIFY(result);
    QVERIFY(result != input.array());
    QCOMPARE(PlistValue(result), expected);
    QCOMPARE(input, before);
}

void TestCollections::filtersLogEachElementAndOtherKinds_data()
{
    QTest::addColumn<PlistValue>("element");
    QTest::addColumn<QString>("kindName");

    QTest::newRow("integer") << PlistValue(42) << "number";
    QTest::newRow("real") << PlistValue(0.5) << "number";
    QTest::newRow("boolean") << PlistValue(false) << "boolean";
    QTest::newRow("array") << array({"x"}) << "array";
    QTest::newRow("dictionary") << dictionary({{"k", "x"}}) << "dictionary";
    QTest::newRow("null") << PlistValue() << "null";
}

void TestCollections::filtersLogEachElementAndOtherKinds()
{
    QFETCH(PlistValue, element);
    QFETCH(QString, kindName);

    const QStringList expected = {
        QStringLiteral("Start!"),
        logged("s: %@", element),
        logged("classname is not NSString, but %@, adding anyway.", kindName),
        logged("s: %@", "x"),
        logged("s: %@", "y"),
        QStringLiteral("Ende!"),
    };
    const PlistValue input = array({element, "x", "y"});
    {
        LogCapture capture;
        const PlistArrayRef result = createNewArrayFromArrayWithoutString(input.array(), "x");
        QCOMPARE(capture.messages(), expected);
        QCOMPARE(PlistValue(result), array({element, "y"}));
    }
    {
        LogCapture capture;
        const PlistArrayRef result =
            createNewArrayFromArrayWithoutStringContaining(input.array(), "x");
        QCOMPARE(capture.messages(), expected);
        QCOMPARE(PlistValue(result), array({element, "y"}));
    }
}

void TestCollections::filtersOfNullArrayGiveEmptyArray()
{
    LogCapture capture;
    const PlistArrayRef a = createNewArrayFromArrayWithoutString(nullptr, "x");
    const PlistArrayRef b = createNewArrayFromArrayWithoutStringContaining(nullptr, "x");
    QVERIFY(a && a->isEmpty());
    QVERIFY(b && b->isEmpty());
    // Start, the reason, Ende for each.
    QCOMPARE(capture.messages().size(), 6);
}

// ---- Deep copies ---------------------------------------------------------------------------

void TestCollections::mutableCopyOfArrayCopiesContainers_data()
{
    QTest::addColumn<PlistValue>("input");

    QTest::newRow("empty") << array();
    QTest::newRow("scalars only") << array({"s", 1, 2.5, true});
    QTest::newRow("nested arrays") << array({array({array({"deep"}), 1}), array()});
    QTest::newRow("array of dictionaries")
        << array({dictionary({{"a", 1}}), dictionary({{"b", array({"x", dictionary()})}})});
    QTest::newRow("dictionary holding a dictionary holding an array")
        << array({dictionary({{"outer", dictionary({{"inner", array({1, 2})}})}})});
    QTest::newRow("mixed with scalars between")
        << array({"first", array({"x"}), 7, dictionary({{"k", "v"}}), "last"});

    // The same inner container twice: each place gets a copy of its own.
    const PlistValue shared = array({"shared"});
    QTest::newRow("one container in two places") << array({shared, dictionary({{"s", shared}})});

    PlistValue deep = array({"bottom"});
    for (int i = 0; i < 64; ++i)
        deep = (i % 2) ? array({deep}) : dictionary({{"next", deep}});
    QTest::newRow("64 levels") << array({deep});
}

void TestCollections::mutableCopyOfArrayCopiesContainers()
{
    QFETCH(PlistValue, input);

    const PlistValue before = input.deepCopy();
    const PlistArrayRef copy = mutableCopyOfArray(input.array());
    QVERIFY(copy);
    QString reason;
    QVERIFY2(isSeparateEqualCopy(input, PlistValue(copy), &reason), qPrintable(reason));
    QCOMPARE(input, before);

    // Changing the copy all the way down leaves the original as it was.
    std::function<void(const PlistValue &)> scribble = [&](const PlistValue &value) {
        if (const PlistArrayRef a = value.array()) {
            for (const PlistValue &item : PlistArray(*a))
                scribble(item);
            a->append("scribbled");
        } else if (const PlistDictionaryRef d = value.dictionary()) {
            for (const PlistValue &item : PlistDictionary(*d))
                scribble(item);
            d->insert("scribbled", true);
        }
    };
    scribble(PlistValue(copy));
    QCOMPARE(input, before);
}

void TestCollections::mutableCopyOfArrayTracesEveryArray()
{
    LogCapture capture;
    mutableCopyOfArray(array({array({1}), dictionary({{"k", array()}})}).array());
    // One pair for the outer array, one for each inner array, nested in copy order.
    QCOMPARE(capture.messages(),
             (QStringList{"Foo...", "Foo...", "...bar", "Foo...", "...bar", "...bar"}));
}

void TestCollections::makeAllContainedDictionaryObjectsMutableReplacesInPlace()
{
    const PlistValue innerArray = array({1, 2});
    const PlistValue innerDictionary = dictionary({{"list", innerArray}, {"n", 3}});
    const PlistValue topArray = array({innerDictionary});
    const PlistValue top =
        dictionary({{"dict", innerDictionary}, {"array", topArray}, {"text", "x"}, {"number", 5}});
    const PlistValue before = top.deepCopy();

    const PlistDictionaryRef result = makeAllContainedDictionaryObjectsMutable(top.dictionary());

    // The same dictionary comes back, with the same keys and contents.
    QCOMPARE(result, top.dictionary());
    QCOMPARE(top, before);
    QCOMPARE(result->keys(), before.dictionary()->keys());
    // Containers it held are replaced by copies of their own...
    QString reason;
    QVERIFY2(isSeparateEqualCopy(innerDictionary, result->value("dict"), &reason),
             qPrintable(reason));
    QVERIFY2(isSeparateEqualCopy(topArray, result->value("array"), &reason), qPrintable(reason));
    // ...and the containers held before are not changed: the inner dictionary still holds the
    // very array it held.
    QCOMPARE(innerDictionary.dictionary()->value("list").array(), innerArray.array());
    QCOMPARE(topArray.array()->first().dictionary(), innerDictionary.dictionary());
    QCOMPARE(innerArray, array({1, 2}));
    // Scalars stay as they were.
    QCOMPARE(result->value("text"), PlistValue("x"));
    QCOMPARE(result->value("number"), PlistValue(5));
}

void TestCollections::selfContainingContainersAreKept()
{
    // An array that holds itself, and a dictionary that holds itself through an array.
    const PlistArrayRef loop = std::make_shared<PlistArray>();
    loop->append("a");
    loop->append(PlistValue(loop));
    const PlistDictionaryRef selfish = std::make_shared<PlistDictionary>();
    selfish->insert("list", array({PlistValue(selfish)}));
    selfish->insert("self", PlistValue(selfish));

    {
        LogCapture capture;
        const PlistArrayRef copy = mutableCopyOfArray(loop);
        QVERIFY(copy != loop);
        QCOMPARE(copy->size(), 2);
        QCOMPARE(copy->at(0), PlistValue("a"));
        QCOMPARE(copy->at(1).array(), loop);
        QVERIFY(capture.messages().size() > 2);
    }
    {
        LogCapture capture;
        const PlistArrayRef oldList = selfish->value("list").array();
        QCOMPARE(makeAllContainedDictionaryObjectsMutable(selfish), selfish);
        QCOMPARE(selfish->value("self").dictionary(), selfish);
        const PlistArrayRef newList = selfish->value("list").array();
        QVERIFY(newList != oldList);
        QCOMPARE(newList->first().dictionary(), selfish);
        QVERIFY(capture.messages().size() > 2);
    }
    // Break the loops so that the containers are freed.
    loop->clear();
    selfish->clear();
}

void TestCollections::nullContainers()
{
    LogCapture capture;
    const PlistArrayRef copy = mutableCopyOfArray(nullptr);
    QVERIFY(copy && copy->isEmpty());
    QVERIFY(!makeAllContainedDictionaryObjectsMutable(nullptr));
    QCOMPARE(capture.messages().size(), 4);
}

QTEST_GUILESS_MAIN(TestCollections)
#include "test_collections.moc"
