// SPDX-License-Identifier: GPL-3.0-or-later
#include "filenamebytes.h"

namespace {

constexpr char16_t firstKeptByte = 0xDC80; // stands for byte 0x80; 0xDCFF for 0xFF

// Whether text[i] stands for a kept byte: a low surrogate in the kept range that is not the
// second half of a pair (U+10080, for one, is the pair D800 DC80).
bool isKeptByteAt(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= firstKeptByte && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

char keptByte(QChar c)
{
    return char(c.unicode() - firstKeptByte + 0x80);
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at bytes[at], or 0 when none starts there: overlong
// forms, surrogates and values past U+10FFFF are not valid.
qsizetype validSequenceLength(const QByteArray &bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(bytes[at + i]);
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80; // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if (!isContinuation(byte(i)))
            return 0;
    return length;
}

} // namespace

QString fileNameText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = validSequenceLength(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
        text += QChar(char16_t(firstKeptByte + static_cast<unsigned char>(bytes[at]) - 0x80));
        runStart = ++at;
    }
    text += QString::fromUtf8(bytes.constData() + runStart, at - runStart);
    return text;
}

QByteArray fileNameBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isKeptByteAt(text, i))
            continue;
        bytes += QStringView(text).mid(runStart, i - runStart).toUtf8();
        bytes += keptByte(text[i]);
        runStart = i + 1;
    }
    bytes += QStringView(text).mid(runStart).toUtf8();
    return bytes;
}

bool holdsRawBytes(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (isKeptByteAt(text, i))
            return true;
    return false;
}

QString displayedFileName(const QString &text)
{
    if (!holdsRawBytes(text))
        return text;
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isKeptByteAt(text, i))
            shown += QString::asprintf("\\x%02X",
                                       unsigned(static_cast<unsigned char>(keptByte(text[i]))));
        else
            shown += text[i];
    }
    return shown;
}
