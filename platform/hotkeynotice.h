#pragma once

// What the user is told when no input backend can deliver hot keys in this session: the text
// (for the preferences window's line above the hot-key column) and the desktop notification,
// sent once per run. The process log has its line from the input backend already.

#include <QString>

namespace platform {

// The text that says hot keys do not work and what is missing; empty when they work.
QString hotKeysUnavailableText();

// Sends the notification through Notifier::shared() the first time it is called while hot
// keys do not work; true when it sent it now.
bool announceHotKeysUnavailableOnce();
// Lets the next announceHotKeysUnavailableOnce() send again.
void resetHotKeyNoticeForTesting();

} // namespace platform
