// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsfile.h"

#include "log.h"
#include "plistprescan.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <plist/plist.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary files of a save: the file's name, this marker, then the six characters that
// QTemporaryFile puts in place of "XXXXXX". Nothing a user names by hand (Trundle.plist.backup,
// .before, .old001) has the marker, so the clean-up after an interrupted save can tell them
// apart; QSaveFile's own names (".XXXXXX" alone) cannot be told from such files.
constexpr QLatin1StringView saveMarker(".saving-");

struct PlistDeleter
{
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

// libplist's getters for texts and keys assert that a text holds no NUL byte and so abort the
// whole program on a file that has one, which both formats can carry. Its XML writer puts such
// bytes out as they are, which finds them without asking a getter. (Such a text could not be
// written back whole either.)
bool holdsNulCharacter(plist_t node)
{
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    const bool found = xml && memchr(xml, '\0', length);
    plist_to_xml_free(xml);
    return found;
}

std::optional<PlistValue> fromNode(plist_t node, int depth, QString *error)
{
    if (depth > SettingsFile::maximumNestingDepth) {
        *error = QStringLiteral("nested more than %1 levels deep")
                     .arg(SettingsFile::maximumNestingDepth);
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PlistValue(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // Integers are stored as their 64-bit pattern: negative numbers come back as such.
        return PlistValue(qint64(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PlistValue(value);
    }
    case PLIST_STRING: {
        // Read in place: plist_get_string_val would abort on a NUL byte (refused above).
        uint64_t length = 0;
        const char *value = plist_get_string_ptr(node, &length);
        return PlistValue(QString::fromUtf8(value ? value : "", qsizetype(value ? length : 0)));
    }
    case PLIST_ARRAY: {
        // Walked with an iterator: arrays read from binary files have no index, and
        // plist_array_get_item would count its way along the list for every item.
        PlistArray items;
        items.reserve(plist_array_get_size(node));
        plist_array_iter iter = nullptr;
        plist_array_new_iter(node, &iter);
        for (;;) {
            plist_t child = nullptr;
            plist_array_next_item(node, iter, &child);
            if (!child)
                break;
            std::optional<PlistValue> item = fromNode(child, depth + 1, error);
            if (!item) {
                free(iter);
                return std::nullopt;
            }
            items.append(*item);
        }
        free(iter);
        return PlistValue::newArray(std::move(items));
    }
    case PLIST_DICT: {
        PlistDictionary entries;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (;;) {
            char *key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                free(key);
                break;
            }
            std::optional<PlistValue> item = fromNode(value, depth + 1, error);
            const QString name = QString::fromUtf8(key ? key : "");
            free(key);
            if (!item) {
                free(iter);
                return std::nullopt;
            }
            entries.insert(name, *item);
        }
        free(iter);
        return PlistValue::newDictionary(std::move(entries));
    }
    default:
        // Data, dates and identifiers never occur in this program's settings. Kept as their
        // description would lose them on the next save; refusing the file keeps it intact.
        *error = QStringLiteral("holds a data, date or identifier value");
        return std::nullopt;
    }
}

plist_t toNode(const PlistValue &value)
{
    switch (value.kind()) {
    case PlistValue::Kind::Boolean:
        return plist_new_bool(value.boolValue() ? 1 : 0);
    case PlistValue::Kind::Integer:
        return plist_new_uint(uint64_t(value.integerValue()));
    case PlistValue::Kind::Real:
        return plist_new_real(value.realValue());
    case PlistValue::Kind::String:
        return plist_new_string(value.stringValue().toUtf8().constData());
    case PlistValue::Kind::Array: {
        plist_t node = plist_new_array();
        for (const PlistValue &item : *value.array())
            if (plist_t child = toNode(item))
                plist_array_append_item(node, child);
        return node;
    }
    case PlistValue::Kind::Dictionary: {
        plist_t node = plist_new_dict();
        const PlistDictionaryRef entries = value.dictionary();
        for (auto it = entries->cbegin(); it != entries->cend(); ++it)
            if (plist_t child = toNode(it.value()))
                plist_dict_set_item(node, it.key().toUtf8().constData(), child);
        return node;
    }
    default:
        // Run-time objects and null have no property-list form; they are left out.
        return nullptr;
    }
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

QString SettingsFile::standardPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Trundle/Trundle.plist");
}

SettingsFile &SettingsFile::standard()
{
    // Never destroyed: the termination may save from an exit handler, after other statics are gone.
    static auto *file = new SettingsFile(standardPath());
    return *file;
}

std::optional<PlistValue> SettingsFile::parse(const QByteArray &bytes, QString *error)
{
    QString reason;
    if (!error)
        error = &reason;
    if (bytes.isEmpty()) {
        *error = QStringLiteral("is empty");
        return std::nullopt;
    }
    if (bytes.size() > maximumFileSize) {
        *error = QStringLiteral("is larger than %1 bytes").arg(maximumFileSize);
        return std::nullopt;
    }
    // libplist recurses once per level when it parses, frees or writes a tree, parses a shared
    // binary object again for every reference to it and slows down quadratically on large
    // dictionaries and on texts full of character references: what it would build is bounded
    // first, on the raw bytes.
    const bool binary = plist_is_binary(bytes.constData(), uint32_t(bytes.size()));
    const PlistPrescan::Limits limits{maximumNestingDepth, maximumValueCount,
                                      maximumDictionaryEntries, maximumEntityDecodingWork};
    const PlistPrescan::Result scan =
        binary ? PlistPrescan::scanBinary(bytes.constData(), size_t(bytes.size()), limits)
               : PlistPrescan::scanXml(bytes.constData(), size_t(bytes.size()), limits);
    switch (scan.verdict) {
    case PlistPrescan::Verdict::Acceptable:
        break;
    case PlistPrescan::Verdict::TooDeep:
        *error = QStringLiteral("is nested more than %1 levels deep").arg(maximumNestingDepth);
        return std::nullopt;
    case PlistPrescan::Verdict::TooManyValues:
        *error = QStringLiteral("holds more than %1 values").arg(maximumValueCount);
        return std::nullopt;
    case PlistPrescan::Verdict::TooManyEntries:
        *error =
            QStringLiteral("holds more than %1 dictionary entries").arg(maximumDictionaryEntries);
        return std::nullopt;
    case PlistPrescan::Verdict::TooManyEntities:
        *error = QStringLiteral("holds texts with too many character references to decode");
        return std::nullopt;
    case PlistPrescan::Verdict::SelfReferential:
        *error = QStringLiteral("is a binary property list whose values contain themselves");
        return std::nullopt;
    case PlistPrescan::Verdict::HoldsNul:
        *error = QStringLiteral("holds a text with a NUL character");
        return std::nullopt;
    case PlistPrescan::Verdict::Malformed:
        *error = QStringLiteral("is not a property list");
        return std::nullopt;
    }
    plist_t raw = nullptr;
    if (binary)
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &raw);
    else
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &raw);
    const PlistNode root(raw);
    if (!root) {
        *error = QStringLiteral("is not a property list");
        return std::nullopt;
    }
    if (holdsNulCharacter(root.get())) {
        *error = QStringLiteral("holds a text with a NUL character");
        return std::nullopt;
    }
    return fromNode(root.get(), 0, error);
}

QByteArray SettingsFile::serialize(const PlistValue &value)
{
    const PlistNode root(toNode(value));
    if (!root)
        return {};
    char *xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    QByteArray bytes(xml, qsizetype(length));
    plist_to_xml_free(xml);
    return bytes;
}

static QString corruptCopyPath(const QString &path)
{
    return path + QStringLiteral(".corrupt-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

void SettingsFile::keepCopyAsCorrupt(const QString &reason)
{
    const QString copy = corruptCopyPath(m_path);
    const bool kept = QFile::copy(m_path, copy);
    processLog("The settings file %@ %@; %@ Starting with the default settings.", m_path, reason,
               kept ? QStringLiteral("a copy was kept as %1.").arg(copy)
                    : QStringLiteral("no copy could be kept."));
}

QString SettingsFile::temporaryFileTemplate() const
{
    return m_path + saveMarker + QStringLiteral("XXXXXX");
}

bool SettingsFile::isLeftoverTemporaryFileName(const QString &name) const
{
    // QTemporaryFile fills the six places with letters (and digits in older versions).
    static const QString pattern = QStringLiteral("[A-Za-z0-9]{6}");
    const QString prefix = QFileInfo(m_path).fileName() + saveMarker;
    return name.startsWith(prefix) &&
           QRegularExpression(QRegularExpression::anchoredPattern(pattern))
               .match(QStringView(name).mid(prefix.size()))
               .hasMatch();
}

void SettingsFile::removeLeftoverTemporaryFiles()
{
    const QFileInfo info(m_path);
    QDir folder = info.dir();
    const QString filter = info.fileName() + saveMarker + u'*';
    for (const QString &name : folder.entryList({filter}, QDir::Files | QDir::Hidden)) {
        if (isLeftoverTemporaryFileName(name) && folder.remove(name))
            processLog("Removed %@, left over from a save that was interrupted.",
                       folder.filePath(name));
    }
}

bool SettingsFile::moveAsideAsCorrupt(const QString &reason)
{
    const QString aside = corruptCopyPath(m_path);
    const bool moved = QFile::rename(m_path, aside);
    processLog("The settings file %@ %@; %@ Starting with the default settings.", m_path, reason,
               moved ? QStringLiteral("it was kept as %1.").arg(aside)
                     : QStringLiteral("it could not be moved aside and is left unchanged."));
    return moved;
}

std::optional<PlistDictionaryRef> SettingsFile::readContents()
{
    QFile file(m_path);
    if (!file.exists())
        return std::make_shared<PlistDictionary>();
    if (!file.open(QIODevice::ReadOnly)) {
        processLog("The settings file %@ cannot be read (%@); it is left unchanged.", m_path,
                   file.errorString());
        return std::nullopt;
    }
    QString error;
    std::optional<PlistValue> value;
    if (file.size() > maximumFileSize) {
        error = QStringLiteral("is larger than %1 bytes").arg(maximumFileSize);
    } else {
        value = parse(file.readAll(), &error);
        if (value && !value->isDictionary()) {
            value.reset();
            error = QStringLiteral("does not hold a dictionary");
        }
    }
    file.close();
    if (value)
        return value->dictionary();
    // Never overwrite what could not be read: keep it beside the new file, or leave it alone.
    if (moveAsideAsCorrupt(error))
        return std::make_shared<PlistDictionary>();
    return std::nullopt;
}

PlistValue SettingsFile::objectForKey(const QString &key)
{
    const std::optional<PlistDictionaryRef> contents = readContents();
    return contents ? (*contents)->value(key) : PlistValue();
}

bool SettingsFile::setObject(const PlistValue &value, const QString &key)
{
    // Read again before writing, so entries that other keys hold in the file are kept.
    const std::optional<PlistDictionaryRef> contents = readContents();
    if (!contents) {
        processLog("Settings are not saved, so that %@ is not overwritten.", m_path);
        return false;
    }
    (*contents)->insert(key, value);
    const QByteArray bytes = serialize(PlistValue(*contents));

    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        processLog("Cannot create the settings folder %@.", info.absolutePath());
        return false;
    }
    // Written under a temporary name, flushed to the disk, then renamed over the file: a crash
    // leaves the old file or the new one. The temporary file goes with this scope unless the
    // rename took it. A settings file that is a symbolic link stays one: its target is written.
    const QString target = info.isSymLink() ? info.symLinkTarget() : m_path;
    QTemporaryFile file(target == m_path ? temporaryFileTemplate()
                                         : target + saveMarker + QStringLiteral("XXXXXX"));
    if (!file.open()) {
        processLog("Cannot write the settings file %@: %@", m_path, file.errorString());
        return false;
    }
    struct stat existing;
    if (::stat(QFile::encodeName(target).constData(), &existing) == 0)
        ::fchmod(file.handle(), existing.st_mode & 07777);
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        processLog("Cannot write the settings file %@: %@", m_path, file.errorString());
        return false;
    }
    if (::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0) {
        processLog("Cannot write the settings file %@: %@", m_path,
                   QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}
