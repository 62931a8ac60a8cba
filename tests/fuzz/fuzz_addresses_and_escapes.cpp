// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target for the two functions that read text from outside: the IPv4 address check
// and percent decoding (with percent encoding checked against it).
//
// The input bytes become a QString twice: as UTF-8 (what the program meets in practice) and as
// raw UTF-16 code units, which reaches lone surrogates and other texts that UTF-8 decoding never
// produces. The debug log is on, so the message formatting with arbitrary texts is fuzzed too;
// run with -close_fd_mask=2 to send those lines to /dev/null (libFuzzer and the sanitizers keep
// their own copy of standard error for reports). See run_fuzz.sh.

#include "collections.h"
#include "log.h"
#include "network.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A broken property aborts, which libFuzzer records as a crash with the input.
static void checkProperty(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "Property broken at line %d\n", line);
        std::abort();
    }
}
#define check(condition) checkProperty((condition), __LINE__)

static bool isAsciiDigitOrDot(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u'.';
}

static void fuzzText(const QString &text)
{
    // A text that passes is short, ASCII digits and dots only, with exactly three dots.
    if (isIPv4AddressString(text)) {
        check(text.size() <= 255);
        check(std::all_of(text.cbegin(), text.cend(), isAsciiDigitOrDot));
        check(text.count(u'.') == 3);
    }

    // Decoding then encoding then decoding again gives the first decoding back (unless the text
    // held a lone surrogate that passed through undecoded: that has no encoding).
    const QString decoded = urldecode(text);
    if (!decoded.isNull() && decoded.isValidUtf16()) {
        const QString encoded = urlencode(decoded);
        check(!encoded.isNull());
        check(urldecode(encoded) == decoded);
    }
    // Encoding fails only for texts without a UTF-8 form, and always decodes back.
    const QString encoded = urlencode(text);
    if (!encoded.isNull()) {
        for (const QChar c : encoded)
            check(c.unicode() > 0x20 && c.unicode() < 0x7F && c != u'&' && c != u' ');
        check(urldecode(encoded) == text);
    } else {
        check(text.isNull() || !text.isValidUtf16());
    }
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setLogSwitchHook([] { return true; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzText(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    // Copied rather than cast: the input need not be aligned for 16-bit reads.
    QString utf16(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), data, size / 2 * 2);
    fuzzText(utf16);
    return 0;
}
