// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File names as Linux has them: any bytes but "/" and NUL, not necessarily UTF-8. Two names that
// differ only in bytes that are not UTF-8 ("a\xff.sh", and "a\xef\xbf\xbd.sh" which is the
// replacement character) decode to the same text with QFile::decodeName, so a path kept as such
// text may lead to another file.
//
// The text form here keeps every byte: valid UTF-8 decodes as usual, and each byte outside it
// becomes the lone low surrogate U+DC80 + (byte - 0x80), which no valid UTF-8 decodes to. Such a
// text goes wherever paths go as texts (the run queue, the shell's command line) and becomes
// the same bytes again at the system call.

#include <QByteArray>
#include <QString>

// The text of a name or path that keeps all its bytes.
QString fileNameText(const QByteArray &bytes);
// The bytes of a text made by fileNameText (or of any text: those without kept bytes encode as
// UTF-8).
QByteArray fileNameBytes(const QString &text);
// Whether the text holds bytes that are not UTF-8 (QFile::encodeName would not give them back).
bool holdsRawBytes(const QString &text);
// The text to show for such a name: each kept byte written as "\xFF", everything else as is.
QString displayedFileName(const QString &text);
