// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the settings loader: the bytes of a settings file go in, the store's
// state comes out.
//
// Each input takes the path a settings file takes at start-up and at the next save:
//   1. SettingsFile::parse, as on reading the file (XML or binary property list);
//   2. the store's load logic with its repairs, over the value under "PreferencesGlobals";
//   3. a save to a real settings file (in a private folder under /dev/shm when it exists, so
//      the disk is not what is measured), read back and compared with the store;
//   4. the hot-key table's lookups and one binding, over whatever the file held.
// Before all that, whenever the pre-scan lets bytes through to libplist, what libplist then
// builds must lie within the scan's bounds: nesting depth and number of values.
// A broken property aborts, which libFuzzer keeps as a crash with the input. The debug log is
// on whenever the input switches it on, so its formatting is fuzzed as well; run with
// -close_fd_mask=2 (see run_fuzz_settings.sh) to send the log's lines to /dev/null.

#include "log.h"
#include "plistprescan.h"
#include "plistvalue.h"
#include "preferencesdictionary.h"
#include "settingsfile.h"
#include "shortcuttable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <plist/plist.h>

#include <utility>
#include <vector>

// libFuzzer closes standard error under -close_fd_mask=2; a copy taken before it does keeps
// the message of a broken property beside the crash report.
static const int reportFd = dup(STDERR_FILENO);

static void checkProperty(bool condition, int line)
{
    if (!condition) {
        dprintf(reportFd, "Property broken at line %d\n", line);
        std::abort();
    }
}
#define check(condition) checkProperty((condition), __LINE__)

// Equality that a round trip through the file must keep: the same kind all the way down (a
// boolean is not the number 1 here), reals by value with NaN equal to NaN. (The file keeps
// every real exactly except the sign of zero: libplist writes -0.0 as 0.0.)
static bool sameValue(const PlistValue &a, const PlistValue &b)
{
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case PlistValue::Kind::Real: {
        const double x = a.realValue(), y = b.realValue();
        if (std::isnan(x) || std::isnan(y))
            return std::isnan(x) && std::isnan(y);
        return x == y;
    }
    case PlistValue::Kind::Array: {
        const PlistArray &x = *a.array(), &y = *b.array();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!sameValue(x[i], y[i]))
                return false;
        return true;
    }
    case PlistValue::Kind::Dictionary: {
        const PlistDictionary &x = *a.dictionary(), &y = *b.dictionary();
        if (x.size() != y.size())
            return false;
        for (auto i = x.cbegin(), j = y.cbegin(); i != x.cend(); ++i, ++j)
            if (i.key() != j.key() || !sameValue(i.value(), j.value()))
                return false;
        return true;
    }
    default:
        return a == b;
    }
}

static QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Containers on the deepest path (the root counted) and the number of values of a tree, dictionary
// keys included, walked with a stack of its own.
static std::pair<int, std::int64_t> treeShape(plist_t root)
{
    struct Level
    {
        plist_t node;
        void *iter;
    };
    std::vector<Level> path;
    int deepest = 0;
    std::int64_t values = 0;
    const auto enter = [&](plist_t node) {
        ++values;
        const plist_type type = plist_get_node_type(node);
        if (type != PLIST_ARRAY && type != PLIST_DICT)
            return;
        void *iter = nullptr;
        if (type == PLIST_ARRAY)
            plist_array_new_iter(node, &iter);
        else
            plist_dict_new_iter(node, &iter);
        path.push_back({node, iter});
        deepest = std::max(deepest, int(path.size()));
    };
    enter(root);
    while (!path.empty()) {
        plist_t child = nullptr;
        const Level level = path.back();
        if (plist_get_node_type(level.node) == PLIST_ARRAY) {
            plist_array_next_item(level.node, level.iter, &child);
        } else {
            plist_dict_next_item(level.node, level.iter, nullptr, &child);
            if (child)
                ++values; // the key
        }
        if (child) {
            enter(child);
        } else {
            std::free(level.iter);
            path.pop_back();
        }
    }
    return {deepest, values};
}

// What libplist builds from bytes the pre-scan accepts stays within the scan's figures.
static void checkPrescanBounds(const QByteArray &bytes)
{
    if (bytes.isEmpty() || bytes.size() > SettingsFile::maximumFileSize)
        return;
    const PlistPrescan::Limits limits{
        SettingsFile::maximumNestingDepth, SettingsFile::maximumValueCount,
        SettingsFile::maximumDictionaryEntries, SettingsFile::maximumEntityDecodingWork};
    const bool binary = plist_is_binary(bytes.constData(), uint32_t(bytes.size()));
    const PlistPrescan::Result scan =
        binary ? PlistPrescan::scanBinary(bytes.constData(), size_t(bytes.size()), limits)
               : PlistPrescan::scanXml(bytes.constData(), size_t(bytes.size()), limits);
    if (scan.verdict != PlistPrescan::Verdict::Acceptable)
        return;
    plist_t root = nullptr;
    if (binary)
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    else
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    if (!root)
        return;
    const auto [depth, values] = treeShape(root);
    plist_free(root);
    if (depth > scan.depth || values > scan.values)
        dprintf(reportFd, "Pre-scan bounds %d levels, %lld values; libplist built %d, %lld\n",
                scan.depth, static_cast<long long>(scan.values), depth,
                static_cast<long long>(values));
    check(depth <= scan.depth);
    check(values <= scan.values);
}

static QString settingsPath;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A settings folder of this run's own: the loader writes beside its file, and no user's
    // settings may ever be touched.
    char folder[] = "/dev/shm/trundle-fuzz-XXXXXX";
    char fallback[] = "/tmp/trundle-fuzz-XXXXXX";
    const char *made = mkdtemp(folder);
    if (!made)
        made = mkdtemp(fallback);
    if (!made) {
        std::perror("mkdtemp");
        std::abort();
    }
    setenv("XDG_CONFIG_HOME", made, 1);
    settingsPath = SettingsFile::standard().path();
    QDir().mkpath(QDir(made).filePath(QStringLiteral("Trundle")));
    // Installs the store's switch for the debug log; the store itself is made per input.
    delete QZPreferencesDictionary::dictionary();
    std::atexit([] { QDir(QFile::decodeName(getenv("XDG_CONFIG_HOME"))).removeRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    checkPrescanBounds(bytes);

    // 1. Reading the file.
    QString error;
    const std::optional<PlistValue> root = SettingsFile::parse(bytes, &error);
    check(root.has_value() || !error.isEmpty());
    if (root) {
        check(root->isPropertyList());
        // Whatever can be read can be written and read back unchanged, or a save would lose it.
        const QByteArray written = SettingsFile::serialize(*root);
        const std::optional<PlistValue> back = SettingsFile::parse(written);
        check(back.has_value());
        check(sameValue(*back, *root));
    }

    // A file left by the previous input would be copied aside by the repairs.
    QFile::remove(settingsPath);

    // 2. Loading what the file holds under "PreferencesGlobals" (nothing, when the file is
    // refused or holds no dictionary at the top: the program then starts from the defaults).
    PlistValue stored;
    if (root && root->isDictionary())
        stored = root->dictionary()->value(kPreferencesGlobalsKey);

    auto *store = new QZPreferencesDictionary;
    appGlobals = store;
    store->load(stored);

    const PlistValue debug = store->objectForKey(kDebugLoggingSettingKey);
    check(sameValue(debug, PlistValue(false)) || debug.boolValue());
    check(store->objectForKey(kShortcutsSettingKey).isDictionary());
    const PlistDictionaryRef storedEntries = stored.dictionary();
    const QStringList keys = store->keyEnumerator();
    for (const QString &key : keys) {
        check(QZPreferencesDictionary::isPersistentKey(key));
        // Every entry is the file's own, except the two the repairs supply.
        if (key != kDebugLoggingSettingKey && key != kShortcutsSettingKey)
            check(storedEntries && sameValue(storedEntries->value(key), store->objectForKey(key)));
    }
    if (storedEntries) {
        for (auto it = storedEntries->cbegin(); it != storedEntries->cend(); ++it)
            check(QZPreferencesDictionary::isPersistentKey(it.key()) == keys.contains(it.key()));
    }

    // 3. Saving to a fresh file and reading it back: exactly the store's persistent entries.
    QFile::remove(settingsPath);
    store->save();
    const std::optional<PlistValue> saved = SettingsFile::parse(readFile(settingsPath));
    check(saved && saved->isDictionary());
    const PlistDictionaryRef savedGlobals =
        saved->dictionary()->value(kPreferencesGlobalsKey).dictionary();
    check(savedGlobals != nullptr);
    check(savedGlobals->keys() == keys);
    for (auto it = savedGlobals->cbegin(); it != savedGlobals->cend(); ++it)
        check(sameValue(it.value(), store->objectForKey(it.key())));

    // 4. The hot-key table as the dispatch and the browser use it.
    const PlistDictionaryRef table = shortcutTable();
    check(table != nullptr);
    for (auto it = table->cbegin(); it != table->cend(); ++it) {
        if (it.value().isString())
            shortcutIDForFullPath(it.value().stringValue());
    }
    for (qint64 id = 0; id < 20; ++id)
        scriptPathForShortcutID(id);
    const QString path = QStringLiteral("/fuzz/bound.sh");
    assignShortcut(5, path);
    check(scriptPathForShortcutID(5) == path);
    qsizetype bindings = 0;
    for (auto it = table->cbegin(); it != table->cend(); ++it)
        bindings += it.value().isString() && it.value().stringValue() == path;
    check(bindings == 1);

    appGlobals = nullptr;
    delete store;
    QFile::remove(settingsPath);
    return 0;
}
