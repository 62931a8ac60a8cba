// SPDX-License-Identifier: GPL-3.0-or-later
#include "log.h"
#include "logcapture.h"
#include "network.h"

#include <QHostAddress>
#include <QTest>

namespace {

const char *const illegalCharacters =
    "Addressstring: %@ is no valid IPv4 address, illegal characters.";
const char *const invalidCharacters =
    "Addressstring: %@ is no valid IPv4 address, invalid characters.";
const char *const wrongCountOfDots =
    "Addressstring: %@ is no valid IPv4 address, wrong count of dots.";
const char *const invalidNumericComponent =
    "Addressstring: %@ is no valid IPv4 address, invalid numeric component.";
const char *const isOk = "Addressstring %@ is OK!";

// The messages the check writes for text: the formats filled in the way the log fills "%@"
// (a null text prints as "(null)").
QStringList expectedMessages(const QString &text, const QByteArrayList &formats)
{
    const PlistValue shown = text.isNull() ? PlistValue() : PlistValue(text);
    QStringList messages;
    for (const QByteArray &format : formats)
        messages.append(stringWithFormat(format.constData(), {LogArgument(shown)}));
    return messages;
}

// What isIPv4AddressString logs for text on its own.
QStringList messagesOfCheck(const QString &text)
{
    LogCapture capture;
    isIPv4AddressString(text);
    return capture.messages();
}

} // namespace

using Formats = QByteArrayList;

class TestNetwork : public QObject
{
    Q_OBJECT

private slots:
    void isIPv4AddressStringChecksAndExplains_data();
    void isIPv4AddressStringChecksAndExplains();
    void getAllIPv4AddressesChecksFromTheLastEntry_data();
    void getAllIPv4AddressesChecksFromTheLastEntry();
    void getPrimaryAddressTakesTheFirstEntry_data();
    void getPrimaryAddressTakesTheFirstEntry();
    void addressesOfThisMachine();
};

void TestNetwork::isIPv4AddressStringChecksAndExplains_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<Formats>("messages");

    QTest::newRow("private address") << "192.168.0.1" << true << Formats{isOk};
    QTest::newRow("all zero") << "0.0.0.0" << true << Formats{isOk};
    QTest::newRow("all 255") << "255.255.255.255" << true << Formats{isOk};
    QTest::newRow("leading zeros") << "001.002.003.004" << true << Formats{isOk};
    QTest::newRow("256 first") << "256.1.1.1" << false << Formats{invalidNumericComponent};
    QTest::newRow("256 last") << "1.1.1.256" << false << Formats{invalidNumericComponent};
    QTest::newRow("saturated piece")
        << "99999999999.1.1.1" << false << Formats{invalidNumericComponent};
    QTest::newRow("empty piece inside") << "1..2.3" << true << Formats{isOk};
    QTest::newRow("empty piece first") << ".1.2.3" << true << Formats{isOk};
    QTest::newRow("empty piece last") << "1.2.3." << true << Formats{isOk};
    QTest::newRow("three dots only") << "..." << true << Formats{isOk};
    QTest::newRow("five pieces") << "1.2.3.4.5" << false << Formats{wrongCountOfDots};
    QTest::newRow("three pieces") << "1.2.3" << false << Formats{wrongCountOfDots};
    QTest::newRow("empty") << "" << false << Formats{wrongCountOfDots};
    QTest::newRow("IPv6 loopback")
        << "::1" << false << Formats{invalidCharacters, wrongCountOfDots};
    QTest::newRow("IPv6 with scope")
        << "fe80::1%lo" << false << Formats{invalidCharacters, wrongCountOfDots};
    QTest::newRow("IPv6 with three dots")
        << "::ffff:1.2.3.4" << false << Formats{invalidCharacters};
    QTest::newRow("minus sign") << "-1.2.3.4" << false << Formats{invalidCharacters};
    QTest::newRow("blank before") << " 1.2.3.4" << false << Formats{invalidCharacters};
    QTest::newRow("letter after") << "1.2.3.4a" << false << Formats{invalidCharacters};
    QTest::newRow("host name") << "localhost" << false
                               << Formats{invalidCharacters, wrongCountOfDots};
    QTest::newRow("null") << QString() << false << Formats{illegalCharacters};
    QTest::newRow("non-ASCII digit")
        << QString::fromUtf8("1.2.3.\u0664") << false << Formats{illegalCharacters};
    QTest::newRow("accented letter")
        << QString::fromUtf8("1.2.3.\u00e9") << false << Formats{illegalCharacters};
    QTest::newRow("NUL inside") << QString::fromLatin1("1.2.3.4\0.5", 10) << false
                                << Formats{illegalCharacters};
    // 255 characters still fit the 256-byte buffer with the NUL; the long last piece is 1.
    QTest::newRow("255 characters")
        << QStringLiteral("1.1.1.") + QString(248, u'0') + u'1' << true << Formats{isOk};
    QTest::newRow("256 characters") << QStringLiteral("1.1.1.") + QString(249, u'0') + u'1' << false
                                    << Formats{illegalCharacters};
}

void TestNetwork::isIPv4AddressStringChecksAndExplains()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(Formats, messages);

    LogCapture capture;
    QCOMPARE(isIPv4AddressString(text), valid);
    QCOMPARE(capture.messages(), expectedMessages(text, messages));
    for (const CapturedLogLine &line : capture.lines())
        QCOMPARE(line.method, QStringLiteral("isIPv4AddressString"));
}

void TestNetwork::getAllIPv4AddressesChecksFromTheLastEntry_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QStringList>("ipv4");

    QTest::newRow("mixed") << QStringList{"fe80::1%eth0", "127.0.0.1", "::1", "10.0.0.1"}
                           << QStringList{"127.0.0.1", "10.0.0.1"};
    QTest::newRow("IPv4 only") << QStringList{"10.0.0.2", "10.0.0.1"}
                               << QStringList{"10.0.0.2", "10.0.0.1"};
    QTest::newRow("IPv6 only") << QStringList{"::1", "fe80::1"} << QStringList{};
    QTest::newRow("empty") << QStringList{} << QStringList{};
    // Equal failing entries before the one being checked must not shift the walk past the end.
    QTest::newRow("failing duplicates around a good one")
        << QStringList{"::1", "1.2.3.4", "::1"} << QStringList{"1.2.3.4"};
    QTest::newRow("failing duplicates at the end")
        << QStringList{"1.2.3.4", "::1", "::1", "::1"} << QStringList{"1.2.3.4"};
    QTest::newRow("good duplicates stay")
        << QStringList{"1.2.3.4", "::1", "1.2.3.4"} << QStringList{"1.2.3.4", "1.2.3.4"};
}

void TestNetwork::getAllIPv4AddressesChecksFromTheLastEntry()
{
    QFETCH(QStringList, addresses);
    QFETCH(QStringList, ipv4);

    // Each entry is checked once, from the last to the first.
    QStringList expected;
    for (qsizetype i = addresses.size() - 1; i >= 0; --i)
        expected += messagesOfCheck(addresses[i]);

    LogCapture capture;
    QCOMPARE(getAllIPv4Addresses(addresses), ipv4);
    QCOMPARE(capture.messages(), expected);
}

void TestNetwork::getPrimaryAddressTakesTheFirstEntry_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("primary");

    QTest::newRow("IPv6 first") << QStringList{"::1", "127.0.0.1"} << "::1";
    QTest::newRow("IPv4 first") << QStringList{"127.0.0.1", "::1"} << "127.0.0.1";
    QTest::newRow("no address") << QStringList{} << QString();
}

void TestNetwork::getPrimaryAddressTakesTheFirstEntry()
{
    QFETCH(QStringList, addresses);
    QFETCH(QString, primary);

    const QString actual = getPrimaryAddress(addresses);
    QCOMPARE(actual, primary);
    QCOMPARE(actual.isNull(), primary.isNull());
}

void TestNetwork::addressesOfThisMachine()
{
    const QStringList all = getAllAddresses();
    QStringList expectedIPv4;
    for (const QString &text : all) {
        // Every entry is an address in a textual form that Qt reads back.
        const QHostAddress address(text);
        QVERIFY2(!address.isNull(), qPrintable(text));
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            expectedIPv4.append(text);
    }
    QCOMPARE(getAllIPv4Addresses(), expectedIPv4);
    if (all.isEmpty())
        QVERIFY(getPrimaryAddress().isNull());
    else
        QCOMPARE(getPrimaryAddress(), all.first());
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "test_network.moc"
