// SPDX-License-Identifier: GPL-3.0-or-later
// The text table: every key the program uses has a text, numbers read as numbers, and a
// missing key yields the key. The German table translates every key of the English one and
// keeps the hot-key parameters as they are.

#include "resources.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QTest>
#include <QTranslator>

#include "testsupport.h"

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { installTextTable(); }

    void hotKeyParameters()
    {
        QCOMPARE(localizedInt(QStringLiteral("HotKeyCount")), 20);
        QCOMPARE(localizedInt(QStringLiteral("HotKeyDefaultID")), 0);
        QCOMPARE(localizedInteger(QStringLiteral("HotKeyFirstMouseButtonID")), qint64(13));
        QCOMPARE(localizedString(QStringLiteral("HotKeyPrefix")), QStringLiteral("HotKey"));
        QCOMPARE(localizedString(QStringLiteral("HotKeyNone")), QStringLiteral("None"));
    }

    void everyIdHasItsTitle()
    {
        const QStringList expected = {"None",         "F1",
                                      "F2",           "F3",
                                      "F4",           "F5",
                                      "F6",           "F7",
                                      "F8",           "F9",
                                      "F10",          "F11",
                                      "F12",          "Left Button",
                                      "Right Button", "Middle Button",
                                      "Back Button",  "Forward Button",
                                      "Button 6",     "Button 7"};
        for (int id = 0; id < expected.size(); ++id)
            QCOMPARE(localizedString(QStringLiteral("HotKey%1").arg(id)), expected[id]);
    }

    void everyTitleKeyHasAText()
    {
        const QStringList keys = {"MenuScriptsSubMenu",
                                  "MenuPreferences",
                                  "MenuAbout",
                                  "MenuQuit",
                                  "DefaultPathPlatzhalterDings",
                                  "PreferencesWindowTitle",
                                  "PreferencesWindowBoxDeveloper",
                                  "PreferencesWindowDebugLoggingButtonTitle",
                                  "PreferencesWindowBoxShortcuts",
                                  "PreferencesWindowColumnFolders",
                                  "PreferencesWindowColumnShortcuts",
                                  "AboutWindowWindowTitle",
                                  "AboutWindowGoToHomeButtonTitle",
                                  "AboutWindowDonateButtonTitle"};
        for (const QString &key : keys) {
            const QString text = localizedString(key);
            QVERIFY2(!text.isEmpty() && text != key, qPrintable(key));
        }
    }

    void missingKeyYieldsTheKey()
    {
        QCOMPARE(localizedString(QStringLiteral("NoSuchKey")), QStringLiteral("NoSuchKey"));
        QCOMPARE(localizedInt(QStringLiteral("NoSuchKey")), 0);
    }

    void trayImagesExist()
    {
        for (const QString &name :
             {QStringLiteral("Icon_coloured.png"), QStringLiteral("Icon_coloured_selected.png")}) {
            const QString path = imageResourcePath(name);
            QVERIFY2(!path.isEmpty(), qPrintable(name));
            QVERIFY(!QImage(path).isNull());
        }
        QVERIFY(imageResourcePath(QStringLiteral("missing.png")).isEmpty());
    }

    void sampleScriptsFolder() { QVERIFY(QFileInfo(sampleScriptsFolderPath()).isDir()); }

    // Found the way installTextTable() finds the table of the user's language.
    void germanTableTranslatesEveryKey()
    {
        QTranslator german;
        QVERIFY(german.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("trundle"),
                            QStringLiteral("_"), QStringLiteral(":/i18n")));
        QCOMPARE(german.language(), QStringLiteral("de"));
        QTranslator english;
        QVERIFY(english.load(QStringLiteral(":/i18n/trundle_en.qm")));

        QFile source(QStringLiteral(TRUNDLE_ENGLISH_TS));
        QVERIFY(source.open(QIODevice::ReadOnly));
        static const QRegularExpression idPattern(QStringLiteral("<message id=\"([^\"]+)\">"));
        QStringList keys;
        for (const QRegularExpressionMatch &match :
             idPattern.globalMatch(QString::fromUtf8(source.readAll())))
            keys.append(match.captured(1));
        QVERIFY(keys.size() > 40);

        const QStringList kept = {"HotKeyCount", "HotKeyDefaultID", "HotKeyFirstMouseButtonID",
                                  "HotKeyPrefix"};
        for (const QString &key : keys) {
            const QByteArray id = key.toUtf8();
            const QString inGerman = german.translate(nullptr, id.constData());
            const QString inEnglish = english.translate(nullptr, id.constData());
            QVERIFY2(!inGerman.isEmpty(), qPrintable(key + QStringLiteral(" has no German text")));
            if (kept.contains(key) ||
                QRegularExpression(QStringLiteral("^F\\d+$")).match(inEnglish).hasMatch())
                QCOMPARE(inGerman, inEnglish);
            QCOMPARE(inGerman.contains(QStringLiteral("%1")),
                     inEnglish.contains(QStringLiteral("%1")));
        }
        QCOMPARE(german.translate(nullptr, "MenuQuit"), QStringLiteral("Trundle beenden"));
    }
};

TRUNDLE_TEST_MAIN(TestResources)
#include "test_resources.moc"
