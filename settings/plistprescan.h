// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bounds on what libplist 2.2 would build from property-list bytes, found without libplist.
//
// libplist's XML and binary parsers, its plist_free and its writers recurse once per nesting
// level, its binary parser re-parses an object once for every reference to it, and its
// dictionaries slow down quadratically with their size. A settings file is therefore scanned
// first, with no recursion and in time linear in its size, and only handed to libplist when
// what libplist would build stays within the limits.
//
// The figures are upper bounds: the XML scan follows libplist's own reading of the markup
// (its handling of processing instructions, comments, DOCTYPE, CDATA, quotes and tag names),
// and wherever another reading could be argued (inside comments, CDATA, processing
// instructions, DOCTYPE, attribute values, and everywhere after the point where libplist
// stops reading) it counts every container opening it finds and no closing. The binary scan
// follows the references of every reachable array, set and dictionary with an explicit stack
// and counts what the shared objects expand to.

#include <cstddef>
#include <cstdint>

namespace PlistPrescan {

struct Limits
{
    int depth = 0;               // containers on the deepest path, the root counted
    std::int64_t values = 0;     // values libplist would create, dictionary keys included
    std::int64_t entries = 0;    // dictionary entries (the XML form counts every <key>)
    std::int64_t entityWork = 0; // bytes libplist moves to decode character references
};

enum class Verdict
{
    Acceptable,
    TooDeep,
    TooManyValues,
    TooManyEntries,
    TooManyEntities,
    SelfReferential, // binary: an array or dictionary contains itself
    HoldsNul,        // binary: a text with a NUL character, which libplist would cut off
    Malformed,       // not a property list libplist could read as a whole
};

struct Result
{
    Verdict verdict = Verdict::Acceptable;
    // What was counted; when a limit was passed, counting stopped there.
    int depth = 0;
    std::int64_t values = 0;
    std::int64_t entries = 0;
    std::int64_t entityWork = 0;
};

// Bytes that libplist reads as XML (anything that does not start with "bplist00").
Result scanXml(const char *data, std::size_t size, const Limits &limits);
// Bytes that start with "bplist00".
Result scanBinary(const char *data, std::size_t size, const Limits &limits);

} // namespace PlistPrescan
