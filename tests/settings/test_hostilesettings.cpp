// SPDX-License-Identifier: GPL-3.0-or-later
// Settings files built to crash or stall libplist: nesting hidden from a plain count of tags,
// binary graphs that are deep, cyclic or expand when shared, broken binary structure, and
// sizes that make libplist slow. Each must be kept aside with its message while the program
// starts from the defaults; files that are merely unusual must still load.

#include "logcapture.h"
#include "plistprescan.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <plist/plist.h>

namespace {

const QByteArray header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
const QByteArray footer = "\n</plist>\n";

QByteArray xml(const QByteArray &body)
{
    return header + body + footer;
}

QByteArray withShortcut(const QByteArray &path)
{
    return "<dict><key>PreferencesGlobals</key><dict>"
           "<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict><key>5</key><string>" +
           path + "</string></dict></dict></dict>";
}

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes(size, '\0');
    for (int i = size - 1; i >= 0; --i, value >>= 8)
        bytes[i] = char(value & 0xff);
    return bytes;
}

// A binary property list of encoded objects whose references are `referenceSize` bytes wide.
QByteArray bplist(const QList<QByteArray> &objects, int referenceSize = 1)
{
    QByteArray body = "bplist00";
    QList<int> offsets;
    for (const QByteArray &object : objects) {
        offsets.append(int(body.size()));
        body += object;
    }
    const int table = int(body.size());
    for (const int offset : offsets)
        body += bigEndian(quint64(offset), 4);
    body += QByteArray(6, '\0') + char(4) + char(referenceSize);
    return body + bigEndian(quint64(objects.size()), 8) + bigEndian(0, 8) +
           bigEndian(quint64(table), 8);
}

// Object i is an array holding object i + 1, `depth` times, around a true.
QByteArray binaryChain(int depth)
{
    QList<QByteArray> objects;
    for (int i = 0; i < depth; ++i)
        objects.append(QByteArray("\xa1") + bigEndian(quint64(i) + 1, 4));
    objects.append("\x09");
    return bplist(objects, 4);
}

struct Shape
{
    int depth = 0;     // containers on the deepest path
    qint64 values = 0; // dictionary keys included
};

// The shape of a small tree.
Shape shapeOf(plist_t node)
{
    Shape shape{0, 1};
    int below = 0;
    const auto add = [&](plist_t child) {
        const Shape inner = shapeOf(child);
        below = std::max(below, inner.depth);
        shape.values += inner.values;
    };
    if (plist_get_node_type(node) == PLIST_ARRAY) {
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            add(plist_array_get_item(node, i));
    } else if (plist_get_node_type(node) == PLIST_DICT) {
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (plist_t value = nullptr;;) {
            plist_dict_next_item(node, iter, nullptr, &value);
            if (!value)
                break;
            ++shape.values;
            add(value);
        }
        free(iter);
    } else {
        return shape;
    }
    shape.depth = below + 1;
    return shape;
}

} // namespace

class TestHostileSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QString m_path;

    QDir folder() const { return QFileInfo(m_path).dir(); }

    QStringList corruptCopies() const
    {
        return folder().entryList({QStringLiteral("Trundle.plist.corrupt-*")}, QDir::Files);
    }

    void writeSettings(const QByteArray &contents)
    {
        QDir().mkpath(folder().path());
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(contents), contents.size());
    }

    QByteArray readFile(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        m_path = SettingsFile::standardPath();
    }

    void init()
    {
        if (folder().exists())
            QVERIFY(QDir(folder()).removeRecursively());
    }

    void hostileFilesAreKeptAsideAndDefaultsUsed_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        const QString deep = QStringLiteral("is nested more than 64 levels deep");
        const QString notAPlist = QStringLiteral("is not a property list");
        const QString tooManyValues =
            QStringLiteral("holds more than %1 values").arg(SettingsFile::maximumValueCount);
        const int n = 200000;

        QTest::newRow("XML, newline inside the tags")
            << xml(QByteArray("<array\n>").repeated(n)) << deep;
        QTest::newRow("XML, tabs and CR-LF inside the tags, closed again")
            << xml(QByteArray("<dict\t><key>k</key><array\r\n>").repeated(n / 2) +
                   QByteArray("</array></dict>").repeated(n / 2))
            << deep;
        QTest::newRow("XML, attributes holding '>'")
            << xml(QByteArray("<array a=\">\" b=\"/>\">").repeated(n)) << deep;
        QTest::newRow("XML, after an empty root element")
            << xml("<array/></plist>" + QByteArray("<array>").repeated(n)) << deep;
        QTest::newRow("openings inside a comment")
            << xml("<array><!--" + QByteArray("<array>").repeated(n) + "--></array>") << deep;
        QTest::newRow("openings inside CDATA")
            << xml("<array><string><![CDATA[" + QByteArray("<dict>").repeated(n) +
                   "]]></string></array>")
            << deep;
        QTest::newRow("openings inside a processing instruction")
            << xml("<?pi \"?>\"" + QByteArray("<array>").repeated(n) + "?><array/>") << deep;
        QTest::newRow("openings inside the DOCTYPE's internal subset")
            << "<!DOCTYPE plist [<!ENTITY e \"" + QByteArray("<array>").repeated(n) +
                   "\">]>\n<plist><dict/></plist>"
            << deep;
        QTest::newRow("binary, nested arrays") << binaryChain(n) << deep;
        QTest::newRow("binary, one level past the limit") << binaryChain(65) << deep;
        QTest::newRow("binary, a cycle of two arrays")
            << bplist({"\xa1\x01", QByteArray("\xa1\x00", 2)})
            << QStringLiteral("is a binary property list whose values contain themselves");
        QTest::newRow("binary, an array holding itself")
            << bplist({QByteArray("\xa2\x01\x00", 3), "\x09"})
            << QStringLiteral("is a binary property list whose values contain themselves");
        {
            // Forty arrays each holding the next twice: 2^40 values once expanded.
            QList<QByteArray> objects;
            for (int i = 0; i < 40; ++i)
                objects.append(QByteArray("\xa2") + char(i + 1) + char(i + 1));
            objects.append("\x09");
            QTest::newRow("binary, shared arrays that expand") << bplist(objects) << tooManyValues;
        }
        QTest::newRow("binary, reference past the objects")
            << bplist({"\xa1\x05", "\x09"}) << notAPlist;
        QByteArray farOffset = bplist({"\xa1\x01", "\x09"});
        farOffset[farOffset.size() - 32 - 1] = char(0x7f); // the true's offset, into the table
        QTest::newRow("binary, offset past the objects") << farOffset << notAPlist;
        QTest::newRow("binary, truncated trailer")
            << bplist({"\xa1\x01", "\x09"}).chopped(9) << notAPlist;
        QTest::newRow("binary, dictionary keyed by an array")
            << bplist({"\xd1\x01\x02", "\xa1\x02", "\x09"}) << notAPlist;
        QTest::newRow("binary, array longer than the file")
            << bplist({"\xaf\x12\x7f\xff\xff\xff"}) << notAPlist;

        QByteArray keys;
        for (int i = 0; i <= SettingsFile::maximumDictionaryEntries; ++i)
            keys += "<key>k" + QByteArray::number(i) + "</key><true/>";
        QTest::newRow("too many dictionary entries")
            << xml("<dict>" + keys + "</dict>")
            << QStringLiteral("holds more than 5000 dictionary entries");
        QTest::newRow("too many values")
            << xml("<array>" + QByteArray("<true/>").repeated(SettingsFile::maximumValueCount) +
                   "</array>")
            << tooManyValues;
        QTest::newRow("a long text full of character references")
            << xml(withShortcut(QByteArray("&amp;").repeated(1100) + QByteArray(1 << 20, 'x')))
            << QStringLiteral("holds texts with too many character references to decode");
    }

    void hostileFilesAreKeptAsideAndDefaultsUsed()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        writeSettings(contents);

        LogCapture capture;
        QZPreferencesDictionary *store = QZPreferencesDictionary::dictionary();
        appGlobals = store;
        store->load();
        store->save();
        const QStringList said = capture.messages().filter(QStringLiteral("The settings file "));

        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().contains(message), qPrintable(said.first()));
        QCOMPARE(store->objectForKey(kDebugLoggingSettingKey), PlistValue(false));
        QVERIFY(store->objectForKey(kShortcutsSettingKey).dictionary()->isEmpty());
        const QStringList copies = corruptCopies();
        QCOMPARE(copies.size(), 1);
        QVERIFY(readFile(folder().filePath(copies.first())) == contents);
        QVERIFY(SettingsFile::parse(readFile(m_path)).has_value()); // the new file is whole
    }

    void unusualButValidFilesLoad_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("path");
        QTest::newRow("comments, DOCTYPE subset, CDATA and entities")
            << "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY x \"</dict>\">]>\n"
               "<!-- </dict></dict> --><plist version=\"1.0\">" +
                   withShortcut("<![CDATA[/a <b>]]><!-- </string> -->&amp;&#x20;c.sh") + footer
            << QStringLiteral("/a <b>& c.sh");
        QTest::newRow("whitespace and attributes inside tags")
            << header +
                   "<dict\n><key\t>PreferencesGlobals</key\r\n><dict a=\"></dict>\">"
                   "<key>PreferencesShortcutsAndScriptPathsSettingKey</key>"
                   "<dict  ><key>5</key><string>/x.sh</string ></dict></dict></dict >" +
                   footer
            << QStringLiteral("/x.sh");
        // The top dictionary and 63 arrays.
        QByteArray nested =
            QByteArray("<array>").repeated(63) + "<true/>" + QByteArray("</array>").repeated(63);
        QTest::newRow("nested to the limit, beside the settings")
            << xml("<dict><key>Deep</key>" + nested + withShortcut("/deep.sh").mid(6))
            << QStringLiteral("/deep.sh");
        QTest::newRow("as many values as allowed")
            << xml(withShortcut("/many.sh").chopped(7) + "<key>Many</key><array>" +
                   QByteArray("<true/>").repeated(SettingsFile::maximumValueCount - 10) +
                   "</array></dict>")
            << QStringLiteral("/many.sh");
        // Binary: one path object shared by two hot keys, as writers that unique their objects
        // store it.
        const QList<QByteArray> shared = {
            "\xd1\x01\x02",
            "\x5f\x10\x12PreferencesGlobals",
            "\xd1\x03\x04",
            "\x5f\x10\x2cPreferencesShortcutsAndScriptPathsSettingKey",
            "\xd2\x05\x06\x07\x07",
            "\x51\x35",
            "\x51\x36",
            "\x56/s.ksh"};
        QTest::newRow("binary with shared objects") << bplist(shared) << QStringLiteral("/s.ksh");
        // Objects that nothing refers to cost libplist nothing and do not count as values.
        QList<QByteArray> padded = shared;
        for (qint64 i = 0; i < SettingsFile::maximumValueCount; ++i)
            padded.append("\x08");
        QTest::newRow("binary listing more objects than values allowed")
            << bplist(padded) << QStringLiteral("/s.ksh");
    }

    void unusualButValidFilesLoad()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, path);
        writeSettings(contents);
        QZPreferencesDictionary *store = QZPreferencesDictionary::dictionary();
        appGlobals = store;
        store->load();
        QCOMPARE(store->objectForKey(kShortcutsSettingKey).dictionary()->value(QStringLiteral("5")),
                 PlistValue(path));
        QVERIFY(corruptCopies().isEmpty());
    }

    // The XML scan never reports less nesting or fewer values than libplist builds, whatever
    // the markup. The rows are spellings where libplist's tree is not what a count of tags
    // suggests.
    void xmlScanBoundsWhatLibplistBuilds_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("depth"); // what libplist builds, as read from its source
        QTest::newRow("plain") << xml("<dict><key>a</key><array><dict/></array></dict>") << 3;
        QTest::newRow("an empty root keeps taking values")
            << xml("<array/><array><array/></array>") << 3;
        QTest::newRow("plist elements inside values")
            << xml("<array><plist><array><true/></array></plist></array>") << 2;
        QTest::newRow("closing tags in comments do not close")
            << xml("<array><!-- </array> --><array><array/></array></array>") << 3;
        QTest::newRow("a closing tag with a slash before '>'")
            << xml("<array><array></array/><array><array/></array></array>") << 3;
        QTest::newRow("'/' before '>' after attributes makes an element empty")
            << xml("<array><array x/><array / ><array/></array></array>") << 3;
        QTest::newRow("an unknown key in an array is a string")
            << xml("<array><key>k</key><array/></array>") << 2;
        // libplist copies tag names with strncpy: a NUL ends the name, and a text's closing tag
        // must repeat the opening one's bytes up to its NUL.
        QByteArray cut = "<plist~junk><array~x><string~q>a</string~q><array~><true/></array>"
                         "<dict~/></array></plist>";
        cut.replace('~', '\0');
        QTest::newRow("NUL bytes inside tag names") << cut << 2;
    }

    void xmlScanBoundsWhatLibplistBuilds()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, depth);
        plist_t root = nullptr;
        plist_from_xml(contents.constData(), uint32_t(contents.size()), &root);
        QVERIFY(root);
        const Shape built = shapeOf(root);
        plist_free(root);
        QCOMPARE(built.depth, depth);
        const PlistPrescan::Result scan = PlistPrescan::scanXml(
            contents.constData(), size_t(contents.size()), {64, 1000, 1000, 1000});
        QCOMPARE(scan.verdict, PlistPrescan::Verdict::Acceptable);
        QVERIFY2(scan.depth >= built.depth, qPrintable(QString::number(scan.depth)));
        QVERIFY2(scan.values >= built.values,
                 qPrintable(QStringLiteral("%1 < %2").arg(scan.values).arg(built.values)));
    }
};

QTEST_GUILESS_MAIN(TestHostileSettings)
#include "test_hostilesettings.moc"
