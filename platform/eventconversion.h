// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turning what the X server reports about a released key or button into an InputEvent.
// Plain values only (X key symbols are 32-bit numbers here), so these rules can be tested
// without a display and reused by any other input backend that speaks in X key symbols.

#include "inputevent.h"

#include <array>
#include <optional>

namespace platform {

// The key symbols these rules name (values from X11/keysymdef.h).
namespace keysym {
constexpr quint32 F1 = 0xFFBE;
constexpr quint32 F12 = 0xFFC9;
constexpr quint32 F13 = 0xFFCA;
constexpr quint32 F35 = 0xFFE0;
constexpr quint32 ShiftL = 0xFFE1;
constexpr quint32 ShiftR = 0xFFE2;
constexpr quint32 ControlL = 0xFFE3;
constexpr quint32 ControlR = 0xFFE4;
constexpr quint32 MetaL = 0xFFE7;
constexpr quint32 MetaR = 0xFFE8;
constexpr quint32 AltL = 0xFFE9;
constexpr quint32 AltR = 0xFFEA;
constexpr quint32 SuperL = 0xFFEB;
constexpr quint32 SuperR = 0xFFEC;
constexpr quint32 IsoLevel3Shift = 0xFE03; // AltGr: the key that plays Option's part
} // namespace keysym

// The pointer's button mapping as the X server keeps it (XGetPointerMapping): entry i is the
// logical button that physical button i + 1 acts as, 0 for a button switched off. Raw events
// report the physical button; the desktop and every application see the logical one, so a
// left-handed mapping ("pointer = 3 2 1") makes the physical left button the right one.
class PointerButtonMap
{
public:
    // count entries of map; more than 255 are ignored (X buttons are 1 to 255).
    void setMapping(const quint8 *map, int count);
    // The logical button of a physical one: through the map, the button itself where the map
    // has no entry for it, 0 when the map switches it off.
    int logicalButton(int physicalButton) const;

private:
    std::array<quint8, 255> m_map{};
    int m_count = 0; // no entries: every button is itself
};

// The program's number of an X pointer button: 1 left -> 0, 3 right -> 1, 2 middle -> 2,
// 8 -> 3, 9 -> 4, 10 and up -> 5 and up. The wheel (4 to 7) and 0 are no buttons: nullopt.
std::optional<qint64> buttonNumberForXButton(int xButton);

// 0 -> left mouse up, 1 -> right mouse up, every other number -> other mouse up.
int eventTypeForButtonNumber(qint64 buttonNumber);

// The release of X button xButton (a logical button), or nullopt for the wheel.
std::optional<InputEvent> buttonReleaseEvent(int xButton, quint64 modifierFlags);

// 1 to 12 for the key symbols F1 to F12, 0 for every other one (F13 included).
int functionKeyNumberForKeysym(quint32 keysym);

// What a key symbol types: the function and cursor keys give the private-use characters of
// the function-key range (F1 U+F704 ... F35 U+F726, arrows U+F700..U+F703), the Latin-1 and
// Unicode symbols their character, a few editing keys their control character. Everything
// else (modifiers, dead keys, legacy national symbols) gives the empty text.
QString textForKeysym(quint32 keysym);

// The release of the key keyCode. baseKeysym is the key's symbol in group 0 at level 0, which
// decides which key it is whatever the layout and whatever modifiers are held, so Shift-F5 is
// F5; shiftedKeysym (level 1, 0 when the key has none) gives the characters while Shift is held.
InputEvent keyReleaseEvent(quint16 keyCode, quint32 baseKeysym, quint32 shiftedKeysym,
                           quint64 modifierFlags);

// The release of F<number> (1 to 35) with the key code it has on a PC keyboard under X, for
// sources that name the key but not its code (the shortcuts portal, tests).
InputEvent functionKeyReleaseEvent(int number, quint64 modifierFlags);

// The modifier flag that a key symbol holds down, or 0.
quint64 modifierFlagForKeysym(quint32 keysym);

// Which modifiers are held, followed from the presses and releases of the keys themselves,
// because the raw X events carry no modifier state. Counted per key code, so releasing one of
// two held Shift keys keeps Shift, and a key's release clears it even if the layout changed
// while it was held. A release without a seen press is harmless.
class ModifierTracker
{
public:
    void keyPressed(quint16 keyCode, quint32 keysym);
    void keyReleased(quint16 keyCode);
    quint64 flags() const { return m_flags; }
    void reset();

private:
    std::array<quint64, 256> m_flagOfHeldKey{}; // X key codes are 8 to 255
    std::array<int, 4> m_heldCount{};           // per flag, in the order of flagBits
    quint64 m_flags = 0;
};

} // namespace platform
