// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Temporary files of the process, kept in a folder that only this user can enter, and the few
// facts about the process and user that their names are made of.

#include <QString>

#include <optional>

#include <sys/types.h>

// The per-user private temporary folder, ending in "/": $XDG_RUNTIME_DIR when it is set and safe
// (a folder owned by this user that nobody else can write), else /tmp/trundle-<uid> created with
// mode 0700 and checked for owner and mode. When neither can be had safely, a fresh folder made
// with mkdtemp. "/tmp/" only when even that fails.
QString getNewTempFolderPath();

// The folder of the single-instance lock and of the socket a second start talks to, ending in
// "/". Every start of the user must find the same one, whatever its environment says. Where
// /run/user/<uid> is a private folder of the user (owner, mode 0700, not a link), logind's: that
// folder, or XDG_RUNTIME_DIR when it names another private folder of the user's (a session kept
// apart on purpose). Else <home>/.cache/trundle, created with mode 0700, under a home that only
// the user can write, whatever XDG_RUNTIME_DIR says. The temporary folder only when neither can
// be had.
QString instanceFolderPath();
// The choice above for a given user, home folder and XDG_RUNTIME_DIR (empty when unset);
// runtimeRoot stands for "/run/user". Creates the folder under home when needed. Exposed for the
// tests.
QString instanceFolderFor(uid_t user, const QString &runtimeRoot, const QString &home,
                          const QString &sessionRuntime = {});

// <temp folder>/<process name>_<prefix>.tmp; the same prefix always yields the same path within
// one process. Naming a path does not create the file.
QString getNewTempFilePath(const QString &prefix);

// Writes content as UTF-16 (machine order, with a byte-order mark) to the temporary file for
// prefix and returns its path, whether or not the write worked (failures are logged).
QString createTempFileWithContentString(const QString &content, const QString &prefix);

// The whole file decoded as UTF-8; nothing for a missing or unreadable file or invalid UTF-8.
std::optional<QString> fileContentsAsString(const QString &path);

// The name of the running executable.
QString getOurProcessName();

// format with its one "%@" replaced by the login name of the current user.
QString getUserFolder(const QString &format);

// Whether path is a folder that only the current user can write: owned by the user, not a
// symbolic link, no write or search rights for group and others. Exposed for the tests.
bool isPrivateFolder(const QString &path);
