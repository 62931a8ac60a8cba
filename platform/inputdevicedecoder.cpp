// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputdevicedecoder.h"

#include <linux/input-event-codes.h>

namespace platform {

namespace {

// X key codes are the input-device codes plus 8; the modifier tracker counts by X key code.
constexpr int xKeyCodeOffset = 8;

// The X key symbol a modifier key gives in the usual layouts, or 0 for a key that is none.
quint32 modifierKeysymForCode(quint16 code)
{
    switch (code) {
    case KEY_LEFTSHIFT:
        return keysym::ShiftL;
    case KEY_RIGHTSHIFT:
        return keysym::ShiftR;
    case KEY_LEFTCTRL:
        return keysym::ControlL;
    case KEY_RIGHTCTRL:
        return keysym::ControlR;
    case KEY_LEFTALT:
        return keysym::AltL;
    case KEY_RIGHTALT:
        return keysym::IsoLevel3Shift;
    case KEY_LEFTMETA:
        return keysym::SuperL;
    case KEY_RIGHTMETA:
        return keysym::SuperR;
    default:
        return 0;
    }
}

bool hasBit(const unsigned char *bits, std::size_t byteCount, unsigned bit)
{
    return bit / 8 < byteCount && (bits[bit / 8] & (1U << (bit % 8))) != 0;
}

} // namespace

qint64 buttonNumberForInputDeviceCode(quint16 code)
{
    switch (code) {
    case BTN_LEFT:
        return 0;
    case BTN_RIGHT:
        return 1;
    case BTN_MIDDLE:
        return 2;
    case BTN_SIDE:
    case BTN_BACK:
        return 3;
    case BTN_EXTRA:
    case BTN_FORWARD:
        return 4;
    default:
        break;
    }
    // BTN_TASK and the unnamed codes up to the joystick range.
    if (code > BTN_BACK && code < BTN_JOYSTICK)
        return 5 + (code - BTN_TASK);
    return -1;
}

int functionKeyNumberForInputDeviceCode(quint16 code)
{
    // KEY_F1..KEY_F10 are consecutive; F11 and F12 come later, apart.
    if (code >= KEY_F1 && code <= KEY_F10)
        return 1 + (code - KEY_F1);
    if (code == KEY_F11)
        return 11;
    if (code == KEY_F12)
        return 12;
    return 0;
}

bool inputDeviceIsWorthReading(const unsigned char *keyBits, std::size_t byteCount)
{
    if (hasBit(keyBits, byteCount, BTN_LEFT))
        return true;
    for (unsigned code : {KEY_F1, KEY_F2, KEY_F3, KEY_F4, KEY_F5, KEY_F6, KEY_F7, KEY_F8, KEY_F9,
                          KEY_F10, KEY_F11, KEY_F12}) {
        if (hasBit(keyBits, byteCount, code))
            return true;
    }
    return false;
}

std::vector<InputEvent> InputDeviceDecoder::feed(const InputDeviceRecord &record)
{
    if (record.type == EV_SYN) {
        if (record.code == SYN_DROPPED) {
            m_dropping = true;
            forgetHeldKeys();
        } else if (record.code == SYN_REPORT) {
            const bool wasDropping = m_dropping;
            m_dropping = false;
            std::vector<InputEvent> released;
            released.swap(m_frame);
            if (!wasDropping)
                return released;
        }
        return {};
    }
    if (record.type == EV_KEY && !m_dropping)
        handleKey(record.code, record.value);
    return {};
}

void InputDeviceDecoder::forgetHeldKeys()
{
    m_frame.clear();
    m_modifiers.reset();
    m_held.assign(m_held.size(), false);
}

void InputDeviceDecoder::handleKey(quint16 code, qint32 value)
{
    // 1 press, 2 autorepeat, 0 release. A repeat changes nothing that is held: the repeat of a
    // key held before its press could be seen does not make it count either.
    if (value == 2 || code >= KEY_CNT)
        return;
    const bool pressed = value != 0;
    const auto xKeyCode = quint16(code + xKeyCodeOffset);
    if (const quint32 modifier = modifierKeysymForCode(code)) {
        if (pressed)
            m_modifiers.keyPressed(xKeyCode, modifier);
        else
            m_modifiers.keyReleased(xKeyCode);
        return;
    }
    const int number = functionKeyNumberForInputDeviceCode(code);
    const qint64 button = number == 0 ? buttonNumberForInputDeviceCode(code) : -1;
    if (number == 0 && button < 0)
        return;
    if (m_held.empty())
        m_held.resize(KEY_CNT, false);
    const bool wasHeld = m_held[code];
    m_held[code] = pressed;
    if (pressed || !wasHeld)
        return;
    if (number != 0) {
        const quint32 base = keysym::F1 + quint32(number - 1);
        m_frame.push_back(keyReleaseEvent(xKeyCode, base, 0, m_modifiers.flags()));
        return;
    }
    InputEvent event;
    event.type = eventTypeForButtonNumber(button);
    event.buttonNumber = button;
    event.modifierFlags = m_modifiers.flags();
    m_frame.push_back(event);
}

} // namespace platform
