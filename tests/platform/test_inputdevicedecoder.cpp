// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that turn records of a Linux input device into releases: which records count,
// when they come out, and which devices are worth reading.

#include "inputdevicedecoder.h"

#include <QTest>

#include <linux/input-event-codes.h>

using namespace platform;

namespace {

using Records = QList<InputDeviceRecord>;

InputDeviceRecord key(quint16 code, qint32 value)
{
    return {EV_KEY, code, value};
}
InputDeviceRecord syn()
{
    return {EV_SYN, SYN_REPORT, 0};
}
InputDeviceRecord dropped()
{
    return {EV_SYN, SYN_DROPPED, 0};
}
// Not a record: stands for the session's switch, when the backend tells the decoder to forget.
constexpr quint16 forgetType = 0xffff;
InputDeviceRecord forget()
{
    return {forgetType, 0, 0};
}
// A press and its release, each in a frame of its own.
Records tap(quint16 code)
{
    return {key(code, 1), syn(), key(code, 0), syn()};
}

// type, button number, character ignoring modifiers, modifier flags: what the dispatch reads.
QString describe(const InputEvent &event)
{
    return QStringLiteral("%1/%2/%3/%4")
        .arg(event.type)
        .arg(event.buttonNumber)
        .arg(event.charactersIgnoringModifiers.isEmpty()
                 ? QStringLiteral("-")
                 : QString::number(event.charactersIgnoringModifiers.at(0).unicode(), 16))
        .arg(event.modifierFlags, 0, 16);
}
QString fKey(int number, quint64 flags = 0)
{
    InputEvent event;
    event.type = keyUpType;
    event.charactersIgnoringModifiers =
        QString(QChar(char16_t(firstFunctionKeyCharacter + number - 1)));
    event.modifierFlags = flags;
    return describe(event);
}
QString button(qint64 number, quint64 flags = 0)
{
    InputEvent event;
    event.type = eventTypeForButtonNumber(number);
    event.buttonNumber = number;
    event.modifierFlags = flags;
    return describe(event);
}

} // namespace

Q_DECLARE_METATYPE(Records)

class TestInputDeviceDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void releasesWaitForTheEndOfTheirFrame();
    void functionKeyReleaseMatchesTheX11One();
    void classification_data();
    void classification();
};

void TestInputDeviceDecoder::decoding_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("F1 press and release")
        << Records{key(KEY_F1, 1), syn(), key(KEY_F1, 0), syn()} << QStringList{fKey(1)};
    QTest::newRow("F10, F11 and F12 (F11 is not next to F10)")
        << tap(KEY_F10) + tap(KEY_F11) + tap(KEY_F12) << QStringList{fKey(10), fKey(11), fKey(12)};
    QTest::newRow("press alone gives nothing") << Records{key(KEY_F5, 1), syn()} << QStringList{};
    QTest::newRow("autorepeat gives nothing, the release once")
        << Records{key(KEY_F3, 1), syn(), key(KEY_F3, 2), syn(),
                   key(KEY_F3, 2), syn(), key(KEY_F3, 0), syn()}
        << QStringList{fKey(3)};
    QTest::newRow("F13 and letters are ignored")
        << Records{key(KEY_F13, 0), syn(), key(KEY_A, 0), syn(), key(KEY_ENTER, 0), syn()}
        << QStringList{};
    Records everyButton;
    for (const int code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_BACK, BTN_EXTRA,
                           BTN_FORWARD, BTN_TASK, BTN_TASK + 1})
        everyButton += tap(quint16(code));
    QTest::newRow("mouse buttons in the program's numbering")
        << everyButton << QStringList{button(0), button(1), button(2), button(3), button(3),
                                      button(4), button(4), button(5), button(6)};
    QTest::newRow("button presses give nothing")
        << Records{key(BTN_LEFT, 1), syn(), key(BTN_RIGHT, 1), syn()} << QStringList{};
    QTest::newRow("joystick and touch buttons are ignored")
        << Records{key(BTN_JOYSTICK, 0), syn(), key(BTN_TOUCH, 0), syn()} << QStringList{};
    QTest::newRow("Shift held over F5")
        << Records{key(KEY_LEFTSHIFT, 1), key(KEY_F5, 1), syn(), key(KEY_F5, 0), syn(),
                   key(KEY_LEFTSHIFT, 0), key(KEY_F5, 1), syn(), key(KEY_F5, 0), syn()}
        << QStringList{fKey(5, shiftModifierFlag), fKey(5)};
    QTest::newRow("Control, Alt and Super over a button")
        << Records{key(KEY_RIGHTCTRL, 1), key(KEY_LEFTALT, 1), key(KEY_LEFTMETA, 1)} +
               tap(BTN_MIDDLE)
        << QStringList{
               button(2, controlModifierFlag | alternateModifierFlag | commandModifierFlag)};
    QTest::newRow("one of two Shift keys released keeps Shift")
        << Records{key(KEY_LEFTSHIFT, 1), key(KEY_RIGHTSHIFT, 1),
                   key(KEY_F2, 1),        syn(),
                   key(KEY_LEFTSHIFT, 0), syn(),
                   key(KEY_F2, 0),        syn()}
        << QStringList{fKey(2, shiftModifierFlag)};
    QTest::newRow("modifier autorepeat changes nothing")
        << Records{key(KEY_LEFTCTRL, 1), key(KEY_LEFTCTRL, 2),
                   key(KEY_LEFTCTRL, 2), key(KEY_LEFTCTRL, 0),
                   key(KEY_F4, 1),       syn(),
                   key(KEY_F4, 0),       syn()}
        << QStringList{fKey(4)};
    QTest::newRow("SYN_DROPPED drops the frame up to the next report")
        << Records{key(KEY_F6, 1), syn(), key(KEY_F6, 0), dropped(),
                   key(KEY_F7, 1), syn(), key(KEY_F7, 0), syn()} +
               tap(KEY_F8)
        << QStringList{fKey(8)};
    QTest::newRow("SYN_DROPPED forgets held modifiers")
        << Records{key(KEY_LEFTSHIFT, 1), syn(), dropped(), syn()} + tap(KEY_F9)
        << QStringList{fKey(9)};
    QTest::newRow("SYN_DROPPED forgets held keys")
        << Records{key(KEY_F9, 1), syn(), dropped(), syn(), key(KEY_F9, 0), syn()} << QStringList{};
    // Releases whose press was not seen run nothing.
    QTest::newRow("release alone gives nothing")
        << Records{key(KEY_F7, 0), syn(), key(BTN_RIGHT, 0), syn()} << QStringList{};
    QTest::newRow("held while reading began: repeats and release give nothing")
        << Records{key(KEY_F5, 2), syn(), key(KEY_F5, 2), syn(), key(KEY_F5, 0), syn()}
        << QStringList{};
    QTest::newRow("Ctrl+Alt+F7 on a text console, released in the session")
        << Records{key(KEY_LEFTCTRL, 1),
                   key(KEY_LEFTALT, 1),
                   key(KEY_F7, 1),
                   syn(),
                   forget(),
                   key(KEY_F7, 0),
                   syn(),
                   key(KEY_LEFTALT, 0),
                   key(KEY_LEFTCTRL, 0),
                   syn()} +
               tap(KEY_F7)
        << QStringList{fKey(7)};
    QTest::newRow("forgetting drops the open frame and the modifiers")
        << Records{key(KEY_LEFTSHIFT, 1), key(KEY_F3, 1), syn(),          key(KEY_F3, 0), forget(),
                   key(KEY_F3, 1),        syn(),          key(KEY_F3, 0), syn()}
        << QStringList{fKey(3)};
    QTest::newRow("a second release after one press gives one")
        << tap(KEY_F1) + Records{key(KEY_F1, 0), syn()} << QStringList{fKey(1)};
    QTest::newRow("several releases in one frame, in order")
        << Records{key(KEY_F1, 1), key(BTN_RIGHT, 1), key(KEY_F2, 1), syn(),
                   key(KEY_F1, 0), key(BTN_RIGHT, 0), key(KEY_F2, 0), syn()}
        << QStringList{fKey(1), button(1), fKey(2)};
    QTest::newRow("other event types are ignored")
        << Records{{EV_REL, REL_X, 5}, {EV_MSC, MSC_SCAN, 0x3b}} + tap(KEY_F1)
        << QStringList{fKey(1)};
}

void TestInputDeviceDecoder::decoding()
{
    QFETCH(Records, records);
    QFETCH(QStringList, expected);
    InputDeviceDecoder decoder;
    QStringList seen;
    for (const InputDeviceRecord &record : records) {
        if (record.type == forgetType) {
            decoder.forgetHeldKeys();
            continue;
        }
        for (const InputEvent &event : decoder.feed(record))
            seen.append(describe(event));
    }
    QCOMPARE(seen, expected);
}

void TestInputDeviceDecoder::releasesWaitForTheEndOfTheirFrame()
{
    InputDeviceDecoder decoder;
    decoder.feed(key(KEY_F1, 1));
    decoder.feed(key(BTN_LEFT, 1));
    QVERIFY(decoder.feed(syn()).empty());
    QVERIFY(decoder.feed(key(KEY_F1, 0)).empty());
    QVERIFY(decoder.feed(key(BTN_LEFT, 0)).empty());
    QCOMPARE(decoder.feed(syn()).size(), std::size_t(2));
    QVERIFY(decoder.feed(syn()).empty()); // an empty frame gives nothing again
}

void TestInputDeviceDecoder::functionKeyReleaseMatchesTheX11One()
{
    // The same key through the X server: key code = input code + 8, key symbol F1 + n - 1.
    for (int number = 1; number <= 12; ++number) {
        const quint16 code =
            number <= 10 ? quint16(KEY_F1 + number - 1) : quint16(number == 11 ? KEY_F11 : KEY_F12);
        InputDeviceDecoder decoder;
        decoder.feed(key(code, 1));
        decoder.feed(syn());
        decoder.feed(key(code, 0));
        const std::vector<InputEvent> events = decoder.feed(syn());
        QCOMPARE(events.size(), std::size_t(1));
        const InputEvent x11 =
            keyReleaseEvent(quint16(code + 8), keysym::F1 + quint32(number - 1), 0, 0);
        QCOMPARE(events.front().charactersIgnoringModifiers, x11.charactersIgnoringModifiers);
        QCOMPARE(events.front().characters, x11.characters);
        QCOMPARE(events.front().keyCode, x11.keyCode);
        QCOMPARE(events.front().type, x11.type);
    }
}

void TestInputDeviceDecoder::classification_data()
{
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<bool>("worthReading");

    QTest::newRow("full keyboard") << QList<int>{KEY_ESC, KEY_A, KEY_F1, KEY_F12} << true;
    QTest::newRow("keyboard with F12 only") << QList<int>{KEY_A, KEY_F12} << true;
    QTest::newRow("mouse") << QList<int>{BTN_LEFT, BTN_RIGHT, BTN_MIDDLE} << true;
    QTest::newRow("power button") << QList<int>{KEY_POWER} << false;
    QTest::newRow("number pad without function keys") << QList<int>{KEY_KP1, KEY_KPENTER} << false;
    QTest::newRow("joystick") << QList<int>{BTN_JOYSTICK, BTN_THUMB} << false;
    QTest::newRow("touch screen") << QList<int>{BTN_TOUCH} << false;
    QTest::newRow("nothing") << QList<int>{} << false;
}

void TestInputDeviceDecoder::classification()
{
    QFETCH(QList<int>, codes);
    QFETCH(bool, worthReading);
    unsigned char bits[KEY_MAX / 8 + 1] = {};
    for (int code : codes)
        bits[code / 8] = static_cast<unsigned char>(bits[code / 8] | (1U << (code % 8)));
    QCOMPARE(inputDeviceIsWorthReading(bits, sizeof bits), worthReading);
    // Bits beyond the array the kernel filled are not read.
    QVERIFY(!inputDeviceIsWorthReading(bits, 0));
}

QTEST_APPLESS_MAIN(TestInputDeviceDecoder)
#include "test_inputdevicedecoder.moc"
