// The text table: every key the program uses has a text, numbers read as numbers, and a
// missing key yields the key.

#include "resources.h"

#include <QFileInfo>
#include <QImage>
#include <QTest>

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
};

QTEST_MAIN(TestResources)
#include "test_resources.moc"
