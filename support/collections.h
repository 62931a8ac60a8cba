// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Percent-encoding, deep copies of nested arrays and dictionaries, strings into C buffers, and
// filters over string lists. Nothing in the program needs them yet; they complete the library.
//
// Containers are the program's shared containers (PlistArrayRef, PlistDictionaryRef). "Mutable"
// and "immutable" are one kind here, so a "mutable copy" is a new container that no other holder
// shares: changing it changes nobody else's data.

#include "plistvalue.h"

#include <QString>

// A readable name of a value's kind for the log: "null", "boolean", "number", "string",
// "array", "dictionary" or "object".
QString valueKindName(const PlistValue &value);

// Replaces every percent escape by the character it encodes; runs of escapes are read as UTF-8.
// Returns a null QString (and logs why) when an escape is not "%" and two hex digits, when the
// escaped bytes are not valid UTF-8, or when text is null. Other characters pass unchanged, so
// "+" stays "+".
QString urldecode(const QString &text);

// Percent-encodes, as UTF-8 bytes in upper-case hex, every character that may not stand in a URL
// after RFC 2396, and the ampersand as well. Characters left as they are: ASCII letters and
// digits, the marks - _ . ! ~ * ' ( ) and the reserved ; / ? : @ = + $ , (blank -> %20,
// & -> %26, % -> %25, # -> %23). Returns a null QString (and logs why) for a null text or one
// that holds a lone UTF-16 surrogate, which has no UTF-8 form.
QString urlencode(const QString &text);

// A new array with the elements of array in order: arrays as mutableCopyOfArray of them,
// dictionaries as new dictionaries with the same entries passed through
// makeAllContainedDictionaryObjectsMutable, every other element carried over unchanged (the
// same value, so nothing is dropped). The containers array holds are never changed. A null array
// gives an empty one. A container that holds itself (directly or further down) is carried over
// as it is at the point where it recurs, with a log line, instead of being copied for ever.
PlistArrayRef mutableCopyOfArray(const PlistArrayRef &array);

// Changes dictionary in place: every array value becomes mutableCopyOfArray of it, every
// dictionary value a new dictionary with its entries, treated the same way all the way down.
// The containers dictionary held before are never changed. Returns dictionary itself (null for
// null). Containers that hold themselves are handled as in mutableCopyOfArray.
PlistDictionaryRef makeAllContainedDictionaryObjectsMutable(const PlistDictionaryRef &dictionary);

// Writes text as 7-bit ASCII and a terminating NUL into buffer, whose capacity counts the NUL.
// Returns false, leaving buffer untouched, when text is null, holds a character outside ASCII,
// holds a NUL of its own (the C string would silently end early), or does not fit with its NUL
// (capacity == text.size() fails, capacity == text.size() + 1 succeeds).
bool getCString(const QString &text, char *buffer, int capacity);

// A new array with the elements of array in order, except the strings equal to string
// (case-sensitive; canonically equivalent forms such as "é" and "e" + U+0301 are equal).
// Elements that are not strings stay, with a log line naming their kind. A null array gives an
// empty one.
PlistArrayRef createNewArrayFromArrayWithoutString(const PlistArrayRef &array,
                                                   const QString &string);

// As createNewArrayFromArrayWithoutString, but leaves out the strings that contain string
// (case-sensitive, canonically equivalent forms match, a match never ends inside an accented
// letter). An empty string occurs in no string, so then nothing is left out.
PlistArrayRef createNewArrayFromArrayWithoutStringContaining(const PlistArrayRef &array,
                                                             const QString &string);
