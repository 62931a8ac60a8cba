// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the user is told about hot keys: the line above the preferences window's hot-key column
// (whether they work in this session, and through what, or why not), and the desktop
// notification sent once per run when they do not work. The process log has its line from the
// input backend already.

#include "inputbackend.h"

#include <QString>

namespace platform {

// The preferences window's line: how hot keys reach Trundle, that it is still asking the
// desktop, or why they do not work; then a line for each bound key (keyStatusText()). For
// backend, or the shared one when null.
QString hotKeyStatusText(const InputBackend *backend = nullptr);

// How F<number> stands, in a sentence: armed and through what (with the trigger the desktop
// names), still being asked for, or why it does not work.
QString keyStatusText(int number, const HotKeyStatus &status);
// The same for a bound key of backend (the shared one when null); empty for a key not bound.
QString keyStatusText(int number, const InputBackend *backend = nullptr);

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
