// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The release events that the hot-key dispatch works on, in the numbering the rest of the
// program uses whatever the windowing system underneath.

#include <QMetaType>
#include <QString>
#include <QtGlobal>

namespace platform {

// Event types.
constexpr int leftMouseUpType = 2;
constexpr int rightMouseUpType = 4;
constexpr int keyUpType = 11;
constexpr int otherMouseUpType = 26;

// Modifier flags.
constexpr quint64 shiftModifierFlag = quint64(1) << 17;
constexpr quint64 controlModifierFlag = quint64(1) << 18;
constexpr quint64 alternateModifierFlag = quint64(1) << 19; // Alt, Option
constexpr quint64 commandModifierFlag = quint64(1) << 20;   // Super, Command

// The characters that F1 to F12 give: U+F704 to U+F70F, consecutive.
constexpr char16_t firstFunctionKeyCharacter = 0xF704;

// A release of a key or mouse button, normalised the way the rest of the program expects.
struct InputEvent
{
    int type = 0;                        // 2 left button up, 4 right button up, 26 other, 11 key up
    qint64 buttonNumber = 0;             // mouse: 0 left, 1 right, 2 and up the others
    QString characters;                  // key: the key's text (may be empty)
    QString charactersIgnoringModifiers; // key: F1..F12 give the single character U+F704..U+F70F
    quint16 keyCode = 0;                 // key: the X key code
    quint64 modifierFlags = 0;           // shift 1<<17, control 1<<18, alt 1<<19, super 1<<20
};

constexpr quint64 eventMaskFor(int type)
{
    return quint64(1) << type;
}
constexpr quint64 hotKeyEventMask = eventMaskFor(leftMouseUpType) | eventMaskFor(rightMouseUpType) |
                                    eventMaskFor(keyUpType) | eventMaskFor(otherMouseUpType);
static_assert(hotKeyEventMask == 67110932);

} // namespace platform

Q_DECLARE_METATYPE(platform::InputEvent)
