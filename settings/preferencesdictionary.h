// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The one process-wide store of shared state, `appGlobals`. Keys that contain "Setting" are
// persistent settings, saved to the settings file; every other key lives for the run only.

#include "plistvalue.h"

#include <QMutex>
#include <QString>
#include <QStringList>

// Keys of the persistent settings.
inline const QString kDebugLoggingSettingKey = QStringLiteral("PreferencesDebugLoggingSettingKey");
// Whether hot keys are read from /dev/input (boolean, off when absent); read once at start.
inline const QString kReadInputDevicesSettingKey =
    QStringLiteral("PreferencesReadInputDevicesSettingKey");
// Whether a run that cannot start or fails is told in a notification (boolean, on when absent).
inline const QString kNotifyFailedRunsSettingKey =
    QStringLiteral("PreferencesNotifyFailedRunsSettingKey");
inline const QString kShortcutsSettingKey =
    QStringLiteral("PreferencesShortcutsAndScriptPathsSettingKey");
inline const QString kExpandedItemsSettingKey =
    QStringLiteral("PreferencesExpandedFileSystemItemsPathsSettingKey");
// Keys of run-time entries.
inline const QString kGlobalHandlerKey = QStringLiteral("GlobalHandlerKey");
inline const QString kLocalHandlerKey = QStringLiteral("LocalHandlerKey");
inline const QString kStatusItemKey = QStringLiteral("StatusItemKey");
inline const QString kStatusMenuKey = QStringLiteral("StatusMenuKey");
inline const QString kStatusMenuScriptsSubMenuKey = QStringLiteral("StatusMenuScriptsSubMenuKey");
inline const QString kPreviousApplicationPIDKey =
    QStringLiteral("PreviouslyActiveApplicationProcessIDKey");
inline const QString kPreviousApplicationNameKey =
    QStringLiteral("PreviouslyActiveApplicationProcessNameKey");
// The same for the last application other than Trundle itself: what a double click brings back.
inline const QString kPreviousOtherApplicationPIDKey =
    QStringLiteral("PreviouslyActiveOtherApplicationProcessIDKey");
inline const QString kPreviousOtherApplicationNameKey =
    QStringLiteral("PreviouslyActiveOtherApplicationProcessNameKey");
// The settings file's entry that holds the persistent settings.
inline const QString kPreferencesGlobalsKey = QStringLiteral("PreferencesGlobals");

class QZPreferencesDictionary
{
public:
    // A new store with an empty dictionary. The first store created also becomes the source of
    // the debug log's switch (through appGlobals).
    static QZPreferencesDictionary *dictionary();
    QZPreferencesDictionary();

    PlistValue objectForKey(const QString &key);
    void setObject(const PlistValue &value, const QString &key);
    void removeObjectForKey(const QString &key);
    void lock() { _lock.lock(); }
    void unlock() { _lock.unlock(); }

    QStringList keyEnumerator() const { return _dict->keys(); }
    QZPreferencesDictionary *addEntriesFromDictionary(const PlistDictionary &entries);
    QString description() const;

    // Restores the persistent settings from the settings file and repairs missing ones.
    void load();
    // The same from a value already read: what the file holds under "PreferencesGlobals", or
    // null when it holds nothing. Lets the loading logic be driven without a file.
    void load(const PlistValue &dictToLoad);
    // Writes every persistent entry to the settings file.
    void save();
    // Supplies defaults for the debug switch and the shortcut table.
    void plausibilitaetsTest();

    // Whether a key names a persistent setting: it contains "Setting", case-sensitively.
    static bool isPersistentKey(const QString &key);

private:
    PlistDictionaryRef _dict;
    QMutex _lock;
};

// The store of the running program; null until start-up creates it, then never replaced.
extern QZPreferencesDictionary *appGlobals;
