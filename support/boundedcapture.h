// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a script printed, kept within a fixed size however much it prints: the first and the last
// bytes of the output (64 KiB each by default) and the number of bytes between them that were
// left out. Appending costs the copy of the bytes kept and nothing else, so a script that prints
// hundreds of megabytes leaves Trundle's memory where it was.

#include <QByteArray>
#include <QString>

#include <optional>

class BoundedCapture
{
public:
    static constexpr qsizetype defaultLimit = qsizetype{64} * 1024;

    explicit BoundedCapture(qsizetype headLimit = defaultLimit, qsizetype tailLimit = defaultLimit);

    void append(const char *data, qsizetype size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }
    void clear();

    qint64 totalBytes() const { return m_total; }
    // The bytes between the head and the tail that were not kept.
    qint64 omittedBytes() const;
    // The first bytes of the output, and the last ones after them (which never overlap).
    QByteArray head() const { return m_head; }
    QByteArray tail() const;

    // The kept output decoded as UTF-8: all of it when nothing was left out, else the head, a line
    // that says how many bytes were left out, and the tail, each cut at whole characters. Nothing
    // when the kept bytes are not UTF-8.
    std::optional<QString> text() const;

    // The line that stands for the bytes left out.
    static QString omissionLine(qint64 omittedBytes);

private:
    qsizetype m_headLimit;
    qsizetype m_tailLimit;
    QByteArray m_head;
    // The tail grows to twice its limit before its front is dropped, so dropping is amortised.
    QByteArray m_tail;
    qint64 m_total = 0;
};
