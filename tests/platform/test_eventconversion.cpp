// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that turn X key symbols and button numbers into the program's release events.

#include "eventconversion.h"

#include <QTest>

using namespace platform;

class TestEventConversion : public QObject
{
    Q_OBJECT

private slots:
    void buttonRelease_data();
    void buttonRelease();
    void pointerMapping_data();
    void pointerMapping();
    void functionKeys_data();
    void functionKeys();
    void keyText_data();
    void keyText();
    void modifiersDoNotChangeTheKey_data();
    void modifiersDoNotChangeTheKey();
    void modifierTracking_data();
    void modifierTracking();
};

void TestEventConversion::buttonRelease_data()
{
    QTest::addColumn<int>("xButton");
    QTest::addColumn<bool>("isEvent");
    QTest::addColumn<qint64>("buttonNumber");
    QTest::addColumn<int>("type");

    QTest::newRow("left") << 1 << true << qint64(0) << 2;
    QTest::newRow("middle") << 2 << true << qint64(2) << 26;
    QTest::newRow("right") << 3 << true << qint64(1) << 4;
    QTest::newRow("wheel up") << 4 << false << qint64(0) << 0;
    QTest::newRow("wheel down") << 5 << false << qint64(0) << 0;
    QTest::newRow("wheel left") << 6 << false << qint64(0) << 0;
    QTest::newRow("wheel right") << 7 << false << qint64(0) << 0;
    QTest::newRow("back") << 8 << true << qint64(3) << 26;
    QTest::newRow("forward") << 9 << true << qint64(4) << 26;
    QTest::newRow("10") << 10 << true << qint64(5) << 26;
    QTest::newRow("24") << 24 << true << qint64(19) << 26;
    QTest::newRow("0 is no button") << 0 << false << qint64(0) << 0;
    QTest::newRow("negative") << -3 << false << qint64(0) << 0;
}

void TestEventConversion::buttonRelease()
{
    QFETCH(int, xButton);
    QFETCH(bool, isEvent);
    QFETCH(qint64, buttonNumber);
    QFETCH(int, type);

    const quint64 flags = controlModifierFlag | shiftModifierFlag;
    const std::optional<InputEvent> event = buttonReleaseEvent(xButton, flags);
    QCOMPARE(event.has_value(), isEvent);
    if (!event)
        return;
    QCOMPARE(event->type, type);
    QCOMPARE(event->buttonNumber, buttonNumber);
    QCOMPARE(event->modifierFlags, flags);
    QVERIFY(event->characters.isEmpty());
    QVERIFY(event->charactersIgnoringModifiers.isEmpty());
    QVERIFY(eventMaskFor(event->type) & hotKeyEventMask);
}

void TestEventConversion::pointerMapping_data()
{
    QTest::addColumn<QByteArray>("map"); // XGetPointerMapping's entries, physical button 1 first
    QTest::addColumn<int>("physical");
    QTest::addColumn<int>("logical");
    QTest::addColumn<int>("type"); // of the release, 0 for none

    const QByteArray tenButtons("\1\2\3\4\5\6\7\10\11\12", 10);
    const QByteArray leftHanded("\3\2\1\4\5\6\7\10\11\12", 10);
    QTest::newRow("no map yet: left") << QByteArray() << 1 << 1 << leftMouseUpType;
    QTest::newRow("no map yet: button 9") << QByteArray() << 9 << 9 << otherMouseUpType;
    QTest::newRow("identity: left") << tenButtons << 1 << 1 << leftMouseUpType;
    QTest::newRow("left-handed: physical left is right")
        << leftHanded << 1 << 3 << rightMouseUpType;
    QTest::newRow("left-handed: physical right is left") << leftHanded << 3 << 1 << leftMouseUpType;
    QTest::newRow("left-handed: middle stays") << leftHanded << 2 << 2 << otherMouseUpType;
    QTest::newRow("left-handed: back stays") << leftHanded << 8 << 8 << otherMouseUpType;
    // Natural scrolling swaps the wheel's steps: still no release.
    const QByteArray naturalScrolling("\1\2\3\5\4\7\6", 7);
    QTest::newRow("swapped wheel") << naturalScrolling << 4 << 5 << 0;
    // A side button made into the left button, and the left button switched off.
    const QByteArray sideAsLeft("\0\2\3\4\5\6\7\1", 8);
    QTest::newRow("side button acts as left") << sideAsLeft << 8 << 1 << leftMouseUpType;
    QTest::newRow("switched-off button") << sideAsLeft << 1 << 0 << 0;
    QTest::newRow("a button past the map") << QByteArray("\3\2\1", 3) << 9 << 9 << otherMouseUpType;
}

void TestEventConversion::pointerMapping()
{
    QFETCH(QByteArray, map);
    QFETCH(int, physical);
    QFETCH(int, logical);
    QFETCH(int, type);

    PointerButtonMap buttons;
    // A map that was read before is replaced, not merged: start from a different one.
    const QByteArray previous("\2\1\3\4\5\6\7\10\11\12\13\14", 12);
    buttons.setMapping(reinterpret_cast<const quint8 *>(previous.constData()), previous.size());
    buttons.setMapping(reinterpret_cast<const quint8 *>(map.constData()), map.size());
    QCOMPARE(buttons.logicalButton(physical), logical);
    const std::optional<InputEvent> event = buttonReleaseEvent(logical, 0);
    QCOMPARE(event ? event->type : 0, type);
}

void TestEventConversion::functionKeys_data()
{
    QTest::addColumn<quint32>("keysym");
    QTest::addColumn<int>("functionKey"); // 0: not a hot key
    QTest::addColumn<int>("character");   // first code unit of charactersIgnoringModifiers

    for (int n = 1; n <= 12; ++n) {
        QTest::addRow("F%d", n) << quint32(0xFFBE + n - 1) << n << 0xF704 + n - 1;
    }
    // The platform's function-key codes go on past F12, outside the hot-key range.
    QTest::newRow("F13") << quint32(0xFFCA) << 0 << 0xF710;
    QTest::newRow("F35") << quint32(0xFFE0) << 0 << 0xF726;
    QTest::newRow("letter a") << quint32('a') << 0 << int('a');
    QTest::newRow("Up arrow") << quint32(0xFF52) << 0 << 0xF700;
    QTest::newRow("XF86Switch_VT_5") << quint32(0x1008FE05) << 0 << -1;
}

void TestEventConversion::functionKeys()
{
    QFETCH(quint32, keysym);
    QFETCH(int, functionKey);
    QFETCH(int, character);

    QCOMPARE(functionKeyNumberForKeysym(keysym), functionKey);
    const InputEvent event = keyReleaseEvent(71, keysym, keysym, 0);
    QCOMPARE(event.type, 11);
    QCOMPARE(event.keyCode, quint16(71));
    if (character < 0) {
        QVERIFY(event.charactersIgnoringModifiers.isEmpty());
        return;
    }
    QCOMPARE(event.charactersIgnoringModifiers.size(), 1);
    QCOMPARE(int(event.charactersIgnoringModifiers.at(0).unicode()), character);
    const char16_t first = event.charactersIgnoringModifiers.at(0).unicode();
    const bool inHotKeyRange = first >= 0xF704 && first <= 0xF70F;
    QCOMPARE(inHotKeyRange, functionKey != 0);
}

void TestEventConversion::keyText_data()
{
    QTest::addColumn<quint32>("keysym");
    QTest::addColumn<QString>("text");

    QTest::newRow("space") << quint32(0x20) << QStringLiteral(" ");
    QTest::newRow("tilde") << quint32(0x7E) << QStringLiteral("~");
    QTest::newRow("a umlaut") << quint32(0xE4) << QStringLiteral("ä");
    QTest::newRow("sharp s") << quint32(0xDF) << QStringLiteral("ß");
    QTest::newRow("Unicode cyrillic") << quint32(0x0100044F) << QStringLiteral("я");
    QTest::newRow("Unicode outside BMP") << quint32(0x0101F600) << QStringLiteral("😀");
    QTest::newRow("Unicode surrogate") << quint32(0x0100D800) << QString();
    QTest::newRow("keypad 7") << quint32(0xFFB7) << QStringLiteral("7");
    QTest::newRow("Return") << quint32(0xFF0D) << QStringLiteral("\r");
    QTest::newRow("Escape") << quint32(0xFF1B) << QStringLiteral("\x1b");
    QTest::newRow("Euro") << quint32(0x20AC) << QStringLiteral("€");
    QTest::newRow("Shift_L") << quint32(0xFFE1) << QString();
    QTest::newRow("Super_R") << quint32(0xFFEC) << QString();
    QTest::newRow("dead acute") << quint32(0xFE51) << QString();
    QTest::newRow("legacy Cyrillic_ya") << quint32(0x6D1) << QString();
    QTest::newRow("NoSymbol") << quint32(0) << QString();
    QTest::newRow("control character") << quint32(0x1F) << QString();
}

void TestEventConversion::keyText()
{
    QFETCH(quint32, keysym);
    QFETCH(QString, text);

    QCOMPARE(textForKeysym(keysym), text);
    const InputEvent event = keyReleaseEvent(38, keysym, 0, 0);
    QCOMPARE(event.characters, text);
    QCOMPARE(event.charactersIgnoringModifiers, text);
}

void TestEventConversion::modifiersDoNotChangeTheKey_data()
{
    QTest::addColumn<quint32>("base");
    QTest::addColumn<quint32>("shifted");
    QTest::addColumn<quint64>("flags");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("ignoringModifiers");

    const quint64 all =
        shiftModifierFlag | controlModifierFlag | alternateModifierFlag | commandModifierFlag;
    const QString f5(QChar(0xF708));
    QTest::newRow("F5") << 0xFFC2u << 0xFFC2u << quint64(0) << f5 << f5;
    QTest::newRow("Shift-F5") << 0xFFC2u << 0xFFC2u << shiftModifierFlag << f5 << f5;
    QTest::newRow("all-F5") << 0xFFC2u << 0xFFC2u << all << f5 << f5;
    // A layout whose F5 key gives something else at level 1 (Ctrl-Alt: switch terminal).
    QTest::newRow("Shift-F5, VT at level 1")
        << 0xFFC2u << 0x1008FE05u << shiftModifierFlag << QString() << f5;
    QTest::newRow("a") << quint32('a') << quint32('A') << quint64(0) << QStringLiteral("a")
                       << QStringLiteral("a");
    QTest::newRow("Shift-a") << quint32('a') << quint32('A') << shiftModifierFlag
                             << QStringLiteral("A") << QStringLiteral("a");
    QTest::newRow("Control-a") << quint32('a') << quint32('A') << controlModifierFlag
                               << QStringLiteral("a") << QStringLiteral("a");
    QTest::newRow("Shift-key without level 1")
        << quint32('1') << 0u << shiftModifierFlag << QStringLiteral("1") << QStringLiteral("1");
}

void TestEventConversion::modifiersDoNotChangeTheKey()
{
    QFETCH(quint32, base);
    QFETCH(quint32, shifted);
    QFETCH(quint64, flags);
    QFETCH(QString, characters);
    QFETCH(QString, ignoringModifiers);

    const InputEvent event = keyReleaseEvent(71, base, shifted, flags);
    QCOMPARE(event.type, 11);
    QCOMPARE(event.modifierFlags, flags);
    QCOMPARE(event.characters, characters);
    QCOMPARE(event.charactersIgnoringModifiers, ignoringModifiers);
}

// Steps: "+code:keysym" presses, "-code" releases, separated by blanks.
void TestEventConversion::modifierTracking_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<quint64>("flags");

    QTest::newRow("nothing") << QString() << quint64(0);
    QTest::newRow("shift held") << "+50:65505" << shiftModifierFlag;
    QTest::newRow("shift pressed and released") << "+50:65505 -50" << quint64(0);
    QTest::newRow("both shifts, one released") << "+50:65505 +62:65506 -50" << shiftModifierFlag;
    QTest::newRow("both shifts released") << "+50:65505 +62:65506 -62 -50" << quint64(0);
    QTest::newRow("auto-repeat counts once") << "+50:65505 +50:65505 +50:65505 -50" << quint64(0);
    QTest::newRow("release without press") << "-37" << quint64(0);
    QTest::newRow("release without press keeps others") << "+37:65507 -50" << controlModifierFlag;
    QTest::newRow("control, alt, super")
        << "+37:65507 +64:65513 +133:65515"
        << (controlModifierFlag | alternateModifierFlag | commandModifierFlag);
    QTest::newRow("meta and AltGr are alt") << "+205:65511 +108:65027" << alternateModifierFlag;
    QTest::newRow("ordinary keys are no modifiers") << "+38:97 +71:65474" << quint64(0);
    // The layout changed while the key was held: its release still clears what it set.
    QTest::newRow("release after layout change") << "+64:65513 -64" << quint64(0);
    QTest::newRow("key code out of range") << "+300:65505" << quint64(0);
}

void TestEventConversion::modifierTracking()
{
    QFETCH(QString, steps);
    QFETCH(quint64, flags);

    ModifierTracker tracker;
    for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
        if (step.startsWith(u'+')) {
            const QStringList parts = step.mid(1).split(u':');
            tracker.keyPressed(quint16(parts.at(0).toUInt()), parts.at(1).toUInt());
        } else {
            tracker.keyReleased(quint16(step.mid(1).toUInt()));
        }
    }
    QCOMPARE(tracker.flags(), flags);
    tracker.reset();
    QCOMPARE(tracker.flags(), quint64(0));
}

QTEST_APPLESS_MAIN(TestEventConversion)
#include "test_eventconversion.moc"
