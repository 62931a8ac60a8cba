// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Texts and files the program reads by name: the localized text table (which also carries the
// numeric hot-key parameters), images, the credits document and the sample scripts.

#include <QString>

// Loads the English text table, and over it the one of the user's language when there is one.
// Call once after the application object exists; lookups before that yield their keys.
void installTextTable();

// The text under key; a key without an entry yields the key itself.
QString localizedString(const QString &key);
// The integer reading of localizedString(key) (so a missing key gives 0).
int localizedInt(const QString &key);
qint64 localizedInteger(const QString &key);

// Qt resource path of an image shipped with the program ("Icon_coloured.png" ...), or an empty
// text when there is none by that name.
QString imageResourcePath(const QString &fileName);

// Path of a bundled document by name and type ("Credits", "rtf"), or empty when missing.
QString documentResourcePath(const QString &name, const QString &type);

// The folder that holds the sample scripts copied into the user's own script folder: beside an
// installed program under share/trundle/Scripts, or the source tree's copy in the build tree.
// The environment variable TRUNDLE_SCRIPTS_DIR overrides both (used by the tests and benches).
QString sampleScriptsFolderPath();

// Version and copyright line of this build.
QString bundleInfoString();

// Stands in for the application's bundle identifier, as the class of its windows.
QString ownBundleIdentifier();
