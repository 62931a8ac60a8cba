// SPDX-License-Identifier: GPL-3.0-or-later
#include "boundedcapture.h"

#include <QStringDecoder>

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the UTF-8 sequence that a lead byte starts (1 for ASCII and stray bytes).
qsizetype sequenceLength(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xF0)
        return 4;
    if (byte >= 0xE0)
        return 3;
    if (byte >= 0xC0)
        return 2;
    return 1;
}

// Drops a character that the cut after the head split in two.
QByteArray withoutSplitCharacterAtEnd(const QByteArray &bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const char c = bytes.at(bytes.size() - back);
        if (isContinuationByte(c))
            continue;
        return sequenceLength(c) > back ? bytes.left(bytes.size() - back) : bytes;
    }
    return bytes;
}

// Drops the end of a character that the cut before the tail split in two.
QByteArray withoutSplitCharacterAtStart(const QByteArray &bytes)
{
    qsizetype start = 0;
    while (start < 3 && start < bytes.size() && isContinuationByte(bytes.at(start)))
        ++start;
    return bytes.mid(start);
}

std::optional<QString> decodedStrictly(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

BoundedCapture::BoundedCapture(qsizetype headLimit, qsizetype tailLimit)
    : m_headLimit(qMax<qsizetype>(0, headLimit)), m_tailLimit(qMax<qsizetype>(0, tailLimit))
{}

void BoundedCapture::append(const char *data, qsizetype size)
{
    if (size <= 0)
        return;
    m_total += size;
    const qsizetype toHead = qMin(size, m_headLimit - m_head.size());
    if (toHead > 0) {
        m_head.append(data, toHead);
        data += toHead;
        size -= toHead;
    }
    if (size == 0 || m_tailLimit == 0)
        return;
    if (size >= m_tailLimit) {
        m_tail = QByteArray(data + size - m_tailLimit, m_tailLimit);
        return;
    }
    m_tail.append(data, size);
    if (m_tail.size() > 2 * m_tailLimit)
        m_tail.remove(0, m_tail.size() - m_tailLimit);
}

void BoundedCapture::clear()
{
    m_head.clear();
    m_tail.clear();
    m_total = 0;
}

QByteArray BoundedCapture::tail() const
{
    return m_tail.size() > m_tailLimit ? m_tail.right(m_tailLimit) : m_tail;
}

qint64 BoundedCapture::omittedBytes() const
{
    return m_total - m_head.size() - qMin(m_tail.size(), m_tailLimit);
}

QString BoundedCapture::omissionLine(qint64 omittedBytes)
{
    return QStringLiteral("[… %1 bytes of output left out …]").arg(omittedBytes);
}

std::optional<QString> BoundedCapture::text() const
{
    const qint64 omitted = omittedBytes();
    if (omitted == 0)
        return decodedStrictly(m_head + tail());
    const std::optional<QString> head = decodedStrictly(withoutSplitCharacterAtEnd(m_head));
    const std::optional<QString> tailText = decodedStrictly(withoutSplitCharacterAtStart(tail()));
    if (!head || !tailText)
        return std::nullopt;
    QString text = *head;
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    text += omissionLine(omitted);
    text += u'\n';
    text += *tailText;
    return text;
}
