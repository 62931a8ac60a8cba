#include "fakeinput.h"

#include "eventconversion.h"
#include "eventmonitor.h"

namespace platform {

FakeInputBackend::FakeInputBackend(HotKeyObstacle obstacle, QString reason)
    : m_obstacle(obstacle), m_reason(std::move(reason))
{}

FakeInputBackend::~FakeInputBackend()
{
    if (InputBackend::isSharedForTesting(this))
        InputBackend::setSharedForTesting(nullptr);
}

void injectEventForTesting(const InputEvent &event, bool toOwnApplication)
{
    deliverInputEvent(event, toOwnApplication);
}

InputEvent functionKeyReleaseForTesting(int number, quint64 modifierFlags)
{
    const quint32 symbol = keysym::F1 + quint32(number - 1);
    // Key codes of a PC keyboard under X: F1..F10 are 67..76, F11 and F12 are 95 and 96.
    const quint16 keyCode = number <= 10 ? quint16(66 + number) : quint16(84 + number);
    return keyReleaseEvent(keyCode, symbol, symbol, modifierFlags);
}

InputEvent textKeyReleaseForTesting(const QString &text, quint64 modifierFlags)
{
    InputEvent event;
    event.type = keyUpType;
    event.characters = text;
    event.charactersIgnoringModifiers = text;
    event.modifierFlags = modifierFlags;
    return event;
}

InputEvent buttonReleaseForTesting(qint64 buttonNumber, quint64 modifierFlags)
{
    InputEvent event;
    event.type = eventTypeForButtonNumber(buttonNumber);
    event.buttonNumber = buttonNumber;
    event.modifierFlags = modifierFlags;
    return event;
}

} // namespace platform
