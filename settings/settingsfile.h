// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The per-user settings file, standing in for the platform's user defaults: one XML property
// list at $XDG_CONFIG_HOME/Trundle/Trundle.plist (default ~/.config/Trundle/Trundle.plist)
// whose top-level dictionary maps keys to values.
//
// Reading never loses data: a file that cannot be used (not a property list, truncated, of the
// wrong shape, too large, nested too deeply, or holding more values than libplist reads
// quickly) is moved aside as Trundle.plist.corrupt-<time> with one line on standard error,
// and the program starts from the defaults. Writing is atomic
// (temporary file, flush, rename), so a crash leaves the old file or the new one, never a mix.

#include "plistvalue.h"

#include <QString>

#include <optional>

class SettingsFile
{
public:
    explicit SettingsFile(QString path);

    // The file of the current user.
    static SettingsFile &standard();
    static QString standardPath();

    QString path() const { return m_path; }

    // The value under key in the file, or null when the file or the key is missing.
    PlistValue objectForKey(const QString &key);
    // Replaces the value under key and writes the file at once. False (and a log line) when the
    // file could not be written; the previous file is then untouched.
    bool setObject(const PlistValue &value, const QString &key);

    // Limits past which a file is refused as corrupt rather than parsed.
    static constexpr qint64 maximumFileSize = qint64{16} * 1024 * 1024;
    static constexpr int maximumNestingDepth = 64;
    // Reading and writing back 500,000 values take libplist and the conversions about 0.25 s,
    // and a file is read again before every save; libplist's dictionaries (a fixed table of
    // 4096 buckets, duplicate keys removed by walking the list) take about 0.4 s for 10,000
    // entries and 10 s for 40,000. A settings file holds a few dozen of either.
    static constexpr qint64 maximumValueCount = 200000;
    static constexpr qint64 maximumDictionaryEntries = 5000;
    // Bytes libplist moves to decode the character references of texts: it shifts the rest
    // of a text once per reference (1 GiB is about 0.05 s).
    static constexpr qint64 maximumEntityDecodingWork = qint64{1} << 30;

    // Parses property-list bytes (XML or binary) into a value; nothing when they are not a
    // property list this program can use. error receives the reason.
    static std::optional<PlistValue> parse(const QByteArray &bytes, QString *error = nullptr);
    // The XML form of a value (which must be a property list).
    static QByteArray serialize(const PlistValue &value);

    // Keeps a copy of the file beside it as Trundle.plist.corrupt-<time>, for a file that parses
    // but holds settings of a shape this program cannot use (they would be replaced at the next
    // save). Says so on standard error.
    void keepCopyAsCorrupt(const QString &reason);

    // Removes what an interrupted save left beside the file: the temporary files of an atomic
    // write ("Trundle.plist.saving-XXXXXX") that never got renamed, and nothing else. Only one
    // Trundle runs per user, so at start-up no save is under way.
    void removeLeftoverTemporaryFiles();
    // The QTemporaryFile template of a save's temporary file, and whether a name beside the
    // file is one made from it.
    QString temporaryFileTemplate() const;
    bool isLeftoverTemporaryFileName(const QString &name) const;

private:
    // The file's dictionary (empty when there is no file), or nothing when the file holds
    // something that must not be overwritten.
    std::optional<PlistDictionaryRef> readContents();
    bool moveAsideAsCorrupt(const QString &reason);

    QString m_path;
};
