// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store and its file: defaults, what is persisted, and that no stored settings are
// ever lost to a broken, hand-edited or unreadable file.

#include "logcapture.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <sys/stat.h>

class TestPreferences : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QString m_path;

    QDir settingsFolder() const { return QFileInfo(m_path).dir(); }

    QStringList corruptCopies() const
    {
        return settingsFolder().entryList({QStringLiteral("Trundle.plist.corrupt-*")}, QDir::Files);
    }

    void install(const QString &dataFile)
    {
        QDir().mkpath(settingsFolder().path());
        QFile::remove(m_path);
        QVERIFY(QFile::copy(QStringLiteral(TRUNDLE_TEST_DATA "/") + dataFile, m_path));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    }

    // The persisted dictionary as the file holds it now.
    PlistDictionaryRef persisted() const
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const std::optional<PlistValue> root = SettingsFile::parse(file.readAll());
        if (!root || !root->isDictionary())
            return {};
        return root->dictionary()->value(kPreferencesGlobalsKey).dictionary();
    }

    QByteArray fileBytes(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QZPreferencesDictionary *freshStore()
    {
        appGlobals = QZPreferencesDictionary::dictionary();
        return appGlobals;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        m_path = SettingsFile::standardPath();
        QCOMPARE(m_path, m_config.path() + QStringLiteral("/Trundle/Trundle.plist"));
    }

    void init()
    {
        QDir folder = settingsFolder();
        if (folder.exists())
            QVERIFY(folder.removeRecursively());
    }

    void firstStartGivesDefaultsAndSavesExactlyThem()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load();
        QCOMPARE(store->keyEnumerator(),
                 (QStringList{kDebugLoggingSettingKey, kShortcutsSettingKey}));
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).dictionary()->isEmpty());

        store->save();
        const PlistDictionaryRef saved = persisted();
        QVERIFY(saved);
        QCOMPARE(saved->keys(), (QStringList{kDebugLoggingSettingKey, kShortcutsSettingKey}));
        QVERIFY(corruptCopies().isEmpty());
    }

    void storedSettingsComeBackAndRunTimeKeysAreIgnored()
    {
        install(QStringLiteral("valid.plist"));
        QZPreferencesDictionary *store = freshStore();
        QObject runTimeObject;
        store->setObject(&runTimeObject, kStatusMenuKey);
        store->load();

        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(true));
        const PlistDictionaryRef table = store->objectForKey(kShortcutsSettingKey).dictionary();
        QCOMPARE(table->size(), 2);
        QCOMPARE(store->objectForKey(kExpandedItemsSettingKey),
                 PlistValue::newArray({QStringLiteral("/home/user/Library/Scripts")}));
        // An unknown key with "Setting" in it is kept, one without is not.
        QCOMPARE(store->objectForKey(QStringLiteral("PreferencesFutureSettingKey")),
                 PlistValue(-7));
        QVERIFY(store->objectForKey(kStatusItemKey).isNull());
        // Run-time entries present before the load stay.
        QCOMPARE(store->objectForKey(kStatusMenuKey).object(), &runTimeObject);

        // The restored table is the store's own and can be changed in place.
        table->insert(QStringLiteral("4"), QStringLiteral("/x.sh"));
        QVERIFY(
            store->objectForKey(kShortcutsSettingKey).dictionary()->contains(QStringLiteral("4")));
    }

    void saveWritesOnlyPersistentKeys()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load();
        QObject item;
        store->setObject(&item, kStatusItemKey);
        store->setObject(&item, kGlobalHandlerKey);
        store->setObject(qint64(4242), kPreviousApplicationPIDKey);
        store->setObject(QStringLiteral("xterm"), kPreviousApplicationNameKey);
        store->setObject(QStringLiteral("lower case"),
                         QStringLiteral("PreferencesDebugsettingKey"));
        store->setObject(PlistValue::newArray({QStringLiteral("/a")}), kExpandedItemsSettingKey);
        store->save();

        const PlistDictionaryRef saved = persisted();
        QVERIFY(saved);
        QCOMPARE(saved->keys(), (QStringList{kDebugLoggingSettingKey, kExpandedItemsSettingKey,
                                             kShortcutsSettingKey}));
    }

    void debugSwitchRepair_data()
    {
        QTest::addColumn<PlistValue>("stored");
        QTest::addColumn<PlistValue>("afterLoad");
        QTest::newRow("missing") << PlistValue() << PlistValue(false);
        QTest::newRow("false") << PlistValue(false) << PlistValue(false);
        QTest::newRow("true") << PlistValue(true) << PlistValue(true);
        QTest::newRow("number 0") << PlistValue(0) << PlistValue(false);
        QTest::newRow("number 1 stays") << PlistValue(1) << PlistValue(1);
        QTest::newRow("text YES stays") << PlistValue("YES") << PlistValue("YES");
        QTest::newRow("text no") << PlistValue("no") << PlistValue(false);
        QTest::newRow("an array") << PlistValue::newArray({true}) << PlistValue(false);
    }

    void debugSwitchRepair()
    {
        QFETCH(PlistValue, stored);
        QFETCH(PlistValue, afterLoad);
        PlistDictionary globals;
        if (!stored.isNull())
            globals.insert(kDebugLoggingSettingKey, stored);
        QDir().mkpath(settingsFolder().path());
        SettingsFile(m_path).setObject(PlistValue::newDictionary(globals), kPreferencesGlobalsKey);

        QZPreferencesDictionary *store = freshStore();
        store->load();
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), afterLoad);
    }

    void logFollowsTheStore()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load();
        LogCapture capture(nullptr);
        QZPreferencesDictionary::dictionary(); // installs the store's switch again
        appGlobals = store;
        logWithMethodName("f", 1, "silent");
        store->setObject(true, kDebugLoggingSettingKey);
        logWithMethodName("f", 2, "heard");
        QCOMPARE(capture.messages(), QStringList{"heard"});
    }

    void unusableFilesAreKeptAndDefaultsUsed_data()
    {
        QTest::addColumn<QString>("dataFile");
        QTest::newRow("empty") << "empty.plist";
        QTest::newRow("truncated") << "truncated.plist";
        QTest::newRow("not a property list") << "garbage.plist";
        QTest::newRow("an array at the top") << "wrongshape.plist";
        QTest::newRow("globals not a dictionary") << "globalsnotadict.plist";
        QTest::newRow("holds data values") << "withdata.plist";
    }

    void unusableFilesAreKeptAndDefaultsUsed()
    {
        QFETCH(QString, dataFile);
        install(dataFile);
        const QByteArray original = fileBytes(m_path);

        LogCapture capture;
        QZPreferencesDictionary *store = freshStore();
        store->load();
        store->save();
        const QStringList said = capture.messages();

        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).dictionary()->isEmpty());
        const QStringList copies = corruptCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(fileBytes(settingsFolder().filePath(copies.first())), original);
        QVERIFY(persisted()); // the new file is whole
        QVERIFY(said.filter(QStringLiteral("The settings file ")).size() == 1);
    }

    void absurdlyDeepFileIsRefusedWithoutCrashing()
    {
        QDir().mkpath(settingsFolder().path());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const int depth = 100000;
        file.write("<?xml version=\"1.0\"?><plist version=\"1.0\">");
        file.write(QByteArray("<array>").repeated(depth));
        file.write(QByteArray("</array>").repeated(depth));
        file.write("</plist>");
        file.close();

        LogCapture capture;
        QZPreferencesDictionary *store = freshStore();
        store->load();
        QVERIFY(capture.messages().join(u'\n').contains(QStringLiteral("nested more than")));
        QCOMPARE(corruptCopies().size(), 1);
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
    }

    void wrongTypesAreRepairedWithACopyKept()
    {
        install(QStringLiteral("wrongtypes.plist"));
        LogCapture capture;
        QZPreferencesDictionary *store = freshStore();
        store->load();
        capture.stop();
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue("yes please"));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).isDictionary());
        QCOMPARE(corruptCopies().size(), 1);
        // A list of open rows of the wrong kind is left for the browser to ignore.
        QCOMPARE(store->objectForKey(kExpandedItemsSettingKey), PlistValue(12));
    }

    void binaryPropertyListsAreRead()
    {
        install(QStringLiteral("binary.plist"));
        QZPreferencesDictionary *store = freshStore();
        store->load();
        QCOMPARE(
            store->objectForKey(kShortcutsSettingKey).dictionary()->value(QStringLiteral("14")),
            PlistValue("/srv/scripts/right click.sh"));
        store->save(); // written back as XML
        QVERIFY(fileBytes(m_path).startsWith("<?xml"));
    }

    void unwritableFolderLeavesTheOldFile()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load();
        store->save();
        const QByteArray before = fileBytes(m_path);
        const QByteArray folder = QFile::encodeName(settingsFolder().path());
        ::chmod(folder.constData(), 0500);
        store->setObject(true, kDebugLoggingSettingKey);
        {
            LogCapture capture;
            appGlobals->save();
            if (::geteuid() != 0) // root writes anywhere; the check is for ordinary users
                QVERIFY(capture.messages().join(u'\n').contains(QStringLiteral("Cannot write")));
        }
        ::chmod(folder.constData(), 0700);
        if (::geteuid() != 0)
            QCOMPARE(fileBytes(m_path), before);
        // No temporary files are left beside the settings file either way.
        QCOMPARE(settingsFolder().entryList(QDir::Files), QStringList{"Trundle.plist"});
    }

    void leftoversOfAnInterruptedSaveAreRemoved_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("removed");
        // An empty suffix stands for a name that a save's own QTemporaryFile makes. The user's
        // own neighbours (.backup, .old001, ...) are the hostile-scripts run's.
        QTest::newRow("a save's temporary file") << QString() << true;
        QTest::newRow("digits in the six places") << QStringLiteral(".saving-a1B2c3") << true;
        QTest::newRow("five after the marker") << QStringLiteral(".saving-abcde") << false;
        QTest::newRow("seven after the marker") << QStringLiteral(".saving-abcdefg") << false;
        QTest::newRow("punctuation after the marker") << QStringLiteral(".saving-ab.cde") << false;
        QTest::newRow("kept copy of an unreadable file")
            << QStringLiteral(".corrupt-20260101-120000") << false;
    }

    void leftoversOfAnInterruptedSaveAreRemoved()
    {
        QFETCH(QString, suffix);
        QFETCH(bool, removed);
        QZPreferencesDictionary *store = freshStore();
        store->load();
        store->save();
        QString leftover = m_path + suffix;
        if (suffix.isEmpty()) {
            QTemporaryFile interrupted(SettingsFile(m_path).temporaryFileTemplate());
            QVERIFY(interrupted.open());
            interrupted.setAutoRemove(false);
            leftover = interrupted.fileName();
        }
        QFile file(leftover);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml half a save");
        file.close();

        freshStore()->load();
        QCOMPARE(!QFile::exists(leftover), removed);
        QVERIFY(QFile::exists(m_path));
        QFile::remove(leftover);
    }

    void settingsFileThatIsALinkStaysALink()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load();
        store->save();
        const QString target = settingsFolder().filePath(QStringLiteral("elsewhere.plist"));
        QVERIFY(QFile::rename(m_path, target));
        QVERIFY(QFile::link(target, m_path));
        store->setObject(true, kDebugLoggingSettingKey);
        store->save();
        QVERIFY(QFileInfo(m_path).isSymLink());
        QVERIFY(fileBytes(target).contains("<true/>"));
        QFile::remove(m_path);
        QVERIFY(QFile::rename(target, m_path));
    }

    void roundTripKeepsValues()
    {
        const PlistValue value = PlistValue::newDictionary(
            {{QStringLiteral("negative"), qint64(-9000000000)},
             {QStringLiteral("real"), 2.5},
             {QStringLiteral("text"), QStringLiteral("Café <&> \"quoted\" $x")},
             {QStringLiteral("list"), PlistValue::newArray({true, false})}});
        const std::optional<PlistValue> back = SettingsFile::parse(SettingsFile::serialize(value));
        QVERIFY(back.has_value());
        QCOMPARE(*back, value);
    }

    void storeDescriptionPrintsItsContents()
    {
        QZPreferencesDictionary store;
        store.setObject(true, kDebugLoggingSettingKey);
        QCOMPARE(store.description(), QStringLiteral("{ PreferencesDebugLoggingSettingKey = 1; }"));
        store.setObject(PlistValue(), kDebugLoggingSettingKey); // storing nothing removes
        QCOMPARE(store.description(), QStringLiteral("{ }"));
        store.setObject(1, QStringLiteral("k")); // and the store is still usable
        QCOMPARE(store.objectForKey(QStringLiteral("k")), PlistValue(1));
    }

    // libplist aborts the whole program when asked for a text or key holding a NUL byte; a
    // settings file with one must be kept aside like any other unusable file, not crash.
    void textsWithNulCharactersAreRefusedWithoutCrashing_data()
    {
        const auto globals = [](const QByteArray &entries) {
            return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                              "<dict><key>PreferencesGlobals</key><dict>") +
                   entries + QByteArray("</dict></dict></plist>\n");
        };
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("XML text with a NUL byte")
            << globals(QByteArray("<key>PreferencesShortcutsAndScriptPathsSettingKey</key>"
                                  "<dict><key>5</key><string>/a") +
                       '\0' + QByteArray("b.sh</string></dict>"));
        // A binary property list whose hot-key path "/é\0.sh" is stored as UTF-16.
        QTest::newRow("binary UTF-16 text with a NUL") << QByteArray::fromHex(
            "62706c6973743030d101025f1012507265666572656e636573476c6f62616c73d103045f102c50"
            "7265666572656e63657353686f727463757473416e64536372697074506174687353657474696e"
            "674b6579d10506513566002f00e90000002e00730068080b20235255570000000000000101000000"
            "000000000700000000000000000000000000000064");
        // An ASCII text and key with NUL bytes, which libplist would cut short: "/a\0b.sh" under
        // the key "Nul\0Setting".
        QTest::newRow("binary ASCII text and key with a NUL") << QByteArray::fromHex(
            "62706c6973743030d101025f1012507265666572656e636573476c6f62616c73d103045b4e756c0053"
            "657474696e67572f6100622e7368080b20232f00000000000001010000000000000005000000000000"
            "00000000000000000037");
        // The same in a key: "é\0Setting".
        QTest::newRow("binary UTF-16 key with a NUL") << QByteArray::fromHex(
            "62706c6973743030d101025f1012507265666572656e636573476c6f62616c73d103046900e900"
            "0000530065007400740069006e006709080b2023360000000000000101000000000000000500000"
            "000000000000000000000000037");
    }

    void textsWithNulCharactersAreRefusedWithoutCrashing()
    {
        QFETCH(QByteArray, contents);
        QString error;
        QVERIFY(!SettingsFile::parse(contents, &error));
        QCOMPARE(error, QStringLiteral("holds a text with a NUL character"));

        QDir().mkpath(settingsFolder().path());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        LogCapture capture;
        QZPreferencesDictionary *store = freshStore();
        store->load();
        store->save();
        QVERIFY(capture.messages().join(u'\n').contains(QStringLiteral("NUL character")));
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).dictionary()->isEmpty());
        const QStringList copies = corruptCopies();
        QCOMPARE(copies.size(), 1);
        QCOMPARE(fileBytes(settingsFolder().filePath(copies.first())), contents);
        QVERIFY(persisted());
    }

    // The loading logic driven with a value rather than the file: what the fuzzer uses.
    void loadFromAValueRepairsLikeTheFile()
    {
        QZPreferencesDictionary *store = freshStore();
        store->load(PlistValue::newDictionary({{kShortcutsSettingKey, PlistValue(3)},
                                               {QStringLiteral("StatusItemKey"), true},
                                               {QStringLiteral("OtherSettingKey"), 1.5}}));
        QCOMPARE(store->keyEnumerator(),
                 (QStringList{QStringLiteral("OtherSettingKey"), kDebugLoggingSettingKey,
                              kShortcutsSettingKey}));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).isDictionary());
        QCOMPARE(store->objectForKey(QStringLiteral("OtherSettingKey")), PlistValue(1.5));
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
