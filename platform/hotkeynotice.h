// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the user is told about hot keys: the line above the preferences window's hot-key column
// (whether they work in this session, and through what, or why not), and the desktop
// notification sent once per run when they do not work. The process log has its line from the
// input backend already.

#include <QString>

namespace platform {

class InputBackend;

// The preferences window's line: how hot keys reach Trundle, that it is still asking the
// desktop, or why they do not work. For backend, or the shared one when null.
QString hotKeyStatusText(const InputBackend *backend = nullptr);

// The text that says hot keys do not work and what is missing; empty when they work or while
// the backend is still finding out.
QString hotKeysUnavailableText(const InputBackend *backend = nullptr);

// Sends the notification through Notifier::shared() the first time it is called while hot
// keys do not work; true when it sent it now.
bool announceHotKeysUnavailableOnce();
// The same once the shared backend knows whether it works (at once for most of them; the
// shortcuts portal answers later).
void announceHotKeysUnavailableWhenKnown();
// Lets the next announceHotKeysUnavailableOnce() send again.
void resetHotKeyNoticeForTesting();

} // namespace platform
