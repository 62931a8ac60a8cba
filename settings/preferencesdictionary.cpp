// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferencesdictionary.h"

#include "log.h"
#include "settingsfile.h"

#include <QMutexLocker>

QZPreferencesDictionary *appGlobals = nullptr;

// The debug log asks the store of the running program for the switch on every call, so a
// change made in the preferences window takes effect with the very next line.
static bool debugLoggingSwitch()
{
    QZPreferencesDictionary *store = appGlobals;
    return store && store->objectForKey(kDebugLoggingSettingKey).boolValue();
}

QZPreferencesDictionary *QZPreferencesDictionary::dictionary()
{
    setLogSwitchHook(&debugLoggingSwitch);
    // Stores live until the process ends, even one that appGlobals no longer names (tests make
    // several): they stay listed here, so nothing is lost and a leak checker sees them held.
    static auto *stores = new QList<QZPreferencesDictionary *>;
    stores->append(new QZPreferencesDictionary);
    return stores->last();
}

QZPreferencesDictionary::QZPreferencesDictionary() : _dict(std::make_shared<PlistDictionary>()) {}

PlistValue QZPreferencesDictionary::objectForKey(const QString &key)
{
    QMutexLocker locker(&_lock);
    return _dict->value(key);
}

void QZPreferencesDictionary::setObject(const PlistValue &value, const QString &key)
{
    QMutexLocker locker(&_lock);
    // Storing nothing removes the entry, so readers never find a null value.
    if (value.isNull())
        _dict->remove(key);
    else
        _dict->insert(key, value);
}

void QZPreferencesDictionary::removeObjectForKey(const QString &key)
{
    QMutexLocker locker(&_lock);
    _dict->remove(key);
}

QZPreferencesDictionary *
QZPreferencesDictionary::addEntriesFromDictionary(const PlistDictionary &entries)
{
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        _dict->insert(it.key(), it.value());
    return this;
}

QString QZPreferencesDictionary::description() const
{
    return PlistValue(_dict).description();
}

bool QZPreferencesDictionary::isPersistentKey(const QString &key)
{
    return key.contains(QLatin1String("Setting"), Qt::CaseSensitive);
}

void QZPreferencesDictionary::load()
{
    SettingsFile::standard().removeLeftoverTemporaryFiles();
    load(SettingsFile::standard().objectForKey(kPreferencesGlobalsKey));
}

void QZPreferencesDictionary::load(const PlistValue &dictToLoad)
{
    QZLog("Loading _dict (complete global): %@", PlistValue(_dict));
    QZLog("Loading dictToLoad: %@", dictToLoad);

    if (const PlistDictionaryRef stored = dictToLoad.dictionary()) {
        for (auto it = stored->cbegin(); it != stored->cend(); ++it) {
            if (isPersistentKey(it.key()))
                _dict->insert(it.key(), it.value());
        }
    } else if (!dictToLoad.isNull()) {
        SettingsFile::standard().keepCopyAsCorrupt(
            QStringLiteral("holds no dictionary under %1").arg(kPreferencesGlobalsKey));
    }
    plausibilitaetsTest();

    QZLog("Loading dictToLoad: %@", dictToLoad);
    QZLog("Loading _dict (globals): %@", PlistValue(_dict));
}

void QZPreferencesDictionary::plausibilitaetsTest()
{
    QZLog("1 _dict: %@", description());
    const PlistValue debug = _dict->value(kDebugLoggingSettingKey);
    if (!debug.boolValue())
        _dict->insert(kDebugLoggingSettingKey, false);

    const PlistValue shortcuts = _dict->value(kShortcutsSettingKey);
    if (shortcuts.isNull()) {
        _dict->insert(kShortcutsSettingKey, PlistValue::newDictionary());
    } else if (!shortcuts.isDictionary()) {
        // A table of the wrong kind can bind nothing and would be replaced at the next save;
        // the file is kept as it was so that nothing the user wrote is lost.
        SettingsFile::standard().keepCopyAsCorrupt(
            QStringLiteral("holds a hot-key table that is not a dictionary"));
        _dict->insert(kShortcutsSettingKey, PlistValue::newDictionary());
    }
    QZLog("2 _dict: %@", description());
    QZLog("foo");
}

void QZPreferencesDictionary::save()
{
    QZLog("Saving dict. Complete global _dict: %@", PlistValue(_dict));
    PlistDictionary dictToSave;
    for (auto it = _dict->cbegin(); it != _dict->cend(); ++it) {
        if (isPersistentKey(it.key()) && it.value().isPropertyList())
            dictToSave.insert(it.key(), it.value());
    }
    const PlistValue saved = PlistValue::newDictionary(std::move(dictToSave));
    SettingsFile::standard().setObject(saved, kPreferencesGlobalsKey);
    QZLog("Saving dictToSave: %@", saved);
}
