// SPDX-License-Identifier: GPL-3.0-or-later
#include "eventconversion.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::array<quint64, 4> flagBits = {shiftModifierFlag, controlModifierFlag,
                                             alternateModifierFlag, commandModifierFlag};

int flagIndex(quint64 flag)
{
    for (size_t i = 0; i < flagBits.size(); ++i) {
        if (flagBits[i] == flag)
            return int(i);
    }
    return -1;
}

QString textOfCodePoint(char32_t codePoint)
{
    return QString::fromUcs4(&codePoint, 1);
}

// X key symbols of the cursor and editing keys, with the private-use characters that the
// function-key range gives them.
struct KeysymCharacter
{
    quint32 keysym;
    char16_t character;
};
constexpr KeysymCharacter specialKeys[] = {
    {0xFF52, 0xF700}, // Up
    {0xFF54, 0xF701}, // Down
    {0xFF51, 0xF702}, // Left
    {0xFF53, 0xF703}, // Right
    {0xFF63, 0xF727}, // Insert
    {0xFFFF, 0xF728}, // Delete (forward)
    {0xFF50, 0xF729}, // Home
    {0xFF57, 0xF72B}, // End
    {0xFF55, 0xF72C}, // Page Up
    {0xFF56, 0xF72D}, // Page Down
    {0xFF08, 0x007F}, // BackSpace types DEL, as the platform's delete key does
    {0xFF09, 0x0009}, // Tab
    {0xFF0D, 0x000D}, // Return
    {0xFF8D, 0x0003}, // KP_Enter
    {0xFF1B, 0x001B}, // Escape
    {0xFF80, 0x0020}, // KP_Space
    {0xFFAA, 0x002A}, // KP_Multiply
    {0xFFAB, 0x002B}, // KP_Add
    {0xFFAC, 0x002C}, // KP_Separator
    {0xFFAD, 0x002D}, // KP_Subtract
    {0xFFAE, 0x002E}, // KP_Decimal
    {0xFFAF, 0x002F}, // KP_Divide
    {0xFFBD, 0x003D}, // KP_Equal
    {0x20AC, 0x20AC}, // EuroSign
};

} // namespace

void PointerButtonMap::setMapping(const quint8 *map, int count)
{
    m_count = std::clamp(count, 0, int(m_map.size()));
    std::copy_n(map, m_count, m_map.begin());
}

int PointerButtonMap::logicalButton(int physicalButton) const
{
    if (physicalButton < 1 || physicalButton > m_count)
        return physicalButton;
    return m_map[size_t(physicalButton - 1)];
}

std::optional<qint64> buttonNumberForXButton(int xButton)
{
    switch (xButton) {
    case 1:
        return 0;
    case 2:
        return 2;
    case 3:
        return 1;
    case 4:
    case 5:
    case 6:
    case 7:
        return std::nullopt; // wheel steps, not button releases
    default:
        if (xButton >= 8)
            return qint64(xButton) - 5;
        return std::nullopt;
    }
}

int eventTypeForButtonNumber(qint64 buttonNumber)
{
    if (buttonNumber == 0)
        return leftMouseUpType;
    if (buttonNumber == 1)
        return rightMouseUpType;
    return otherMouseUpType;
}

std::optional<InputEvent> buttonReleaseEvent(int xButton, quint64 modifierFlags)
{
    const std::optional<qint64> number = buttonNumberForXButton(xButton);
    if (!number)
        return std::nullopt;
    InputEvent event;
    event.type = eventTypeForButtonNumber(*number);
    event.buttonNumber = *number;
    event.modifierFlags = modifierFlags;
    return event;
}

int functionKeyNumberForKeysym(quint32 keysym)
{
    if (keysym >= keysym::F1 && keysym <= keysym::F12)
        return int(keysym - keysym::F1) + 1;
    return 0;
}

QString textForKeysym(quint32 keysym)
{
    if (keysym >= keysym::F1 && keysym <= keysym::F35)
        return QString(QChar(char16_t(firstFunctionKeyCharacter + (keysym - keysym::F1))));
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF))
        return textOfCodePoint(char32_t(keysym));
    if (keysym >= 0xFFB0 && keysym <= 0xFFB9) // KP_0 .. KP_9
        return textOfCodePoint(U'0' + (keysym - 0xFFB0));
    // Directly encoded Unicode symbols: 0x01000000 plus the code point.
    if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) {
        const char32_t codePoint = keysym - 0x01000000;
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            return {};
        return textOfCodePoint(codePoint);
    }
    for (const KeysymCharacter &special : specialKeys) {
        if (special.keysym == keysym)
            return QString(QChar(special.character));
    }
    return {};
}

InputEvent keyReleaseEvent(quint16 keyCode, quint32 baseKeysym, quint32 shiftedKeysym,
                           quint64 modifierFlags)
{
    InputEvent event;
    event.type = keyUpType;
    event.keyCode = keyCode;
    event.modifierFlags = modifierFlags;
    event.charactersIgnoringModifiers = textForKeysym(baseKeysym);
    const bool shifted = (modifierFlags & shiftModifierFlag) && shiftedKeysym != 0;
    event.characters = shifted ? textForKeysym(shiftedKeysym) : event.charactersIgnoringModifiers;
    return event;
}

InputEvent functionKeyReleaseEvent(int number, quint64 modifierFlags)
{
    const quint32 symbol = keysym::F1 + quint32(number - 1);
    // Key codes of a PC keyboard under X: F1..F10 are 67..76, F11 and F12 are 95 and 96.
    const quint16 keyCode = number <= 10 ? quint16(66 + number) : quint16(84 + number);
    return keyReleaseEvent(keyCode, symbol, symbol, modifierFlags);
}

quint64 modifierFlagForKeysym(quint32 keysym)
{
    switch (keysym) {
    case keysym::ShiftL:
    case keysym::ShiftR:
        return shiftModifierFlag;
    case keysym::ControlL:
    case keysym::ControlR:
        return controlModifierFlag;
    case keysym::AltL:
    case keysym::AltR:
    case keysym::MetaL:
    case keysym::MetaR:
    case keysym::IsoLevel3Shift:
        return alternateModifierFlag;
    case keysym::SuperL:
    case keysym::SuperR:
        return commandModifierFlag;
    default:
        return 0;
    }
}

void ModifierTracker::keyPressed(quint16 keyCode, quint32 keysym)
{
    const quint64 flag = modifierFlagForKeysym(keysym);
    if (flag == 0 || keyCode >= m_flagOfHeldKey.size())
        return;
    // Auto-repeat sends presses of a held key again; count each key once.
    if (m_flagOfHeldKey[keyCode] != 0)
        return;
    m_flagOfHeldKey[keyCode] = flag;
    ++m_heldCount[size_t(flagIndex(flag))];
    m_flags |= flag;
}

void ModifierTracker::keyReleased(quint16 keyCode)
{
    if (keyCode >= m_flagOfHeldKey.size())
        return;
    const quint64 flag = m_flagOfHeldKey[keyCode];
    if (flag == 0)
        return;
    m_flagOfHeldKey[keyCode] = 0;
    const size_t index = size_t(flagIndex(flag));
    if (--m_heldCount[index] == 0)
        m_flags &= ~flag;
}

void ModifierTracker::reset()
{
    m_flagOfHeldKey.fill(0);
    m_heldCount.fill(0);
    m_flags = 0;
}

} // namespace platform
