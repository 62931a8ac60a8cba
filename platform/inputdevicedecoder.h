// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turning the records a Linux input device (/dev/input/event*) reports into the releases the
// hot-key dispatch works on. Plain values only, no file access, so the rules are tested with
// records made up in the test.

#include "eventconversion.h"
#include "inputevent.h"

#include <cstddef>
#include <vector>

namespace platform {

// One record of struct input_event, without its time stamp.
struct InputDeviceRecord
{
    quint16 type = 0;
    quint16 code = 0;
    qint32 value = 0;
};

// The program's number of a mouse button code (BTN_LEFT 0, BTN_RIGHT 1, BTN_MIDDLE 2,
// BTN_SIDE and BTN_BACK 3, BTN_EXTRA and BTN_FORWARD 4, the rest of the mouse range 5 and up),
// or -1 for a code that is no mouse button.
qint64 buttonNumberForInputDeviceCode(quint16 code);

// 1 to 12 for KEY_F1 to KEY_F12, 0 for every other code.
int functionKeyNumberForInputDeviceCode(quint16 code);

// Whether a device whose EV_KEY capability bits (EVIOCGBIT(EV_KEY, ...), byteCount bytes) are
// keyBits is a keyboard with function keys or a mouse with a left button: the devices worth
// reading for hot keys. Power buttons, lid switches, joysticks and the like are not.
bool inputDeviceIsWorthReading(const unsigned char *keyBits, std::size_t byteCount);

// The records of one device, in order. A device reports its changes in frames that each end
// with SYN_REPORT; the releases of a frame come out when it ends. SYN_DROPPED means the kernel
// lost records: the frame is dropped, and so is what was known of held keys, since their
// presses and releases may be among the lost ones.
//
// A release counts only when this decoder saw its key's press: a key held while reading began,
// or pressed on a text console to switch back to the desktop (Ctrl+Alt+F7) before
// forgetHeldKeys() was called for the switch, runs nothing when it comes up.
class InputDeviceDecoder
{
public:
    // The releases that this record completes (empty unless it is a SYN_REPORT).
    std::vector<InputEvent> feed(const InputDeviceRecord &record);
    quint64 modifierFlags() const { return m_modifiers.flags(); }
    // Forgets every key and button held so far, modifiers too: their releases will run nothing.
    void forgetHeldKeys();

private:
    void handleKey(quint16 code, qint32 value);

    std::vector<InputEvent> m_frame;
    ModifierTracker m_modifiers; // by X key code: input-device code + 8
    // The function keys and mouse buttons whose press was seen and not yet their release, by
    // input-device code (all below KEY_CNT).
    std::vector<bool> m_held;
    bool m_dropping = false; // after SYN_DROPPED, until the next SYN_REPORT
};

} // namespace platform
