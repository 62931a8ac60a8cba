// SPDX-License-Identifier: GPL-3.0-or-later
#include "filenamebytes.h"

#include <QFile>
#include <QTest>

class TestFileNameBytes : public QObject
{
    Q_OBJECT

private slots:
    // The encoding's edge cases; two names Qt would merge are run end to end.
    void bytesSurviveTheText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("raw");      // whether bytes outside UTF-8 are kept
        QTest::addColumn<QString>("shown"); // as a menu shows it
        QTest::newRow("utf-8") << QByteArray("\xc3\xa4rger.sh") << false
                               << QString::fromUtf8("\xc3\xa4rger.sh");
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf") << true << "a\\xC0\\xAF";
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << true << "\\xED\\xA0\\x80";
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << true << "\\xF4\\x90\\x80\\x80";
        QTest::newRow("cut-off sequence at the end")
            << QByteArray("ab\xe2\x82") << true << "ab\\xE2\\x82";
        // U+10080 is the pair D800 DC80, whose second half looks like a kept byte.
        QTest::newRow("pair ending in DC80")
            << QByteArray("\xf0\x90\x82\x80") << false << QString::fromUtf8("\xf0\x90\x82\x80");
        QTest::newRow("pair then a kept byte")
            << QByteArray("\xf0\x90\x82\x80\x80") << true
            << QString::fromUtf8("\xf0\x90\x82\x80") + QStringLiteral("\\x80");
    }

    void bytesSurviveTheText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, raw);
        QFETCH(QString, shown);
        const QString text = fileNameText(bytes);
        QCOMPARE(fileNameBytes(text), bytes);
        QCOMPARE(holdsRawBytes(text), raw);
        QCOMPARE(displayedFileName(text), shown);
        if (!raw) // plain names are the texts Qt makes of them
            QCOMPARE(text, QFile::decodeName(bytes));
    }
};

QTEST_GUILESS_MAIN(TestFileNameBytes)
#include "test_filenamebytes.moc"
