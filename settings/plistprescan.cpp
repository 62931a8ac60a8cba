// SPDX-License-Identifier: GPL-3.0-or-later
#include "plistprescan.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace PlistPrescan {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whether p (at a '<') starts "<array" or "<dict" followed by a byte that ends libplist's
// reading of a tag name there. A NUL counts too: libplist copies names with strncpy, so
// "<array\0junk>" is an array to it. "<array/" never opens a level: it is empty or unknown.
bool startsContainerTag(const char *p, const char *end)
{
    ++p;
    std::size_t length = 0;
    if (end - p >= 5 && std::memcmp(p, "array", 5) == 0)
        length = 5;
    else if (end - p >= 4 && std::memcmp(p, "dict", 4) == 0)
        length = 4;
    else
        return false;
    p += length;
    return p < end && (isSpace(*p) || *p == '>' || *p == '\0');
}

// Follows libplist 2.2's XML reader (xplist.c: node_from_xml and get_text_parts) token by token,
// with its own helpers ported as they are, so that both stand at the same byte after every
// token. Only where the nesting goes: no values are built.
class XmlScan
{
public:
    XmlScan(const char *data, std::size_t size, const Limits &limits)
        : m_pos(data), m_end(data + size), m_limits(limits)
    {}

    Result run()
    {
        readMarkup();
        return m_result;
    }

private:
    const char *m_pos;
    const char *m_end;
    const Limits &m_limits;
    Result m_result;

    // libplist's node path: 'p' for <plist>, 'a' and 'd' for the containers it is inside.
    std::vector<char> m_path;
    // Containers from the root down to the node new values are attached to (libplist's
    // "parent"); 0 before the root.
    int m_parentLevel = 0;
    bool m_rootSeen = false;
    // Container openings found where libplist reads no markup; they stay open for good.
    int m_phantoms = 0;
    // Set once libplist has stopped reading (an error, or the end of its root value).
    bool m_inTail = false;

    bool failed() const { return m_result.verdict != Verdict::Acceptable; }

    void fail(Verdict verdict)
    {
        // Past the point where libplist stops, only a malformed file can pass a limit.
        m_result.verdict = m_inTail ? Verdict::Malformed : verdict;
    }

    void noteContainer(int depth)
    {
        m_result.depth = std::max(m_result.depth, depth);
        if (depth > m_limits.depth)
            fail(Verdict::TooDeep);
        noteValue();
    }

    void noteValue()
    {
        if (++m_result.values > m_limits.values && !failed())
            fail(Verdict::TooManyValues);
    }

    void countOpeningsIn(const char *from, const char *to)
    {
        for (const char *p = from; !failed() && p < to; ++p) {
            p = static_cast<const char *>(std::memchr(p, '<', std::size_t(to - p)));
            if (!p)
                break;
            if (startsContainerTag(p, m_end)) {
                ++m_phantoms;
                noteContainer(m_parentLevel + m_phantoms);
            }
        }
    }

    // libplist reads no further than here. Whatever another reading made of the rest, each of
    // its values would start at a '<' (not one of "</", "<!", "<?": closing and special tags
    // never make one), and each dictionary entry at a "<key".
    void readRestAsTail(const char *from)
    {
        m_inTail = true;
        for (const char *p = from; !failed() && p < m_end; ++p) {
            p = static_cast<const char *>(std::memchr(p, '<', std::size_t(m_end - p)));
            if (!p)
                break;
            if (startsContainerTag(p, m_end)) {
                ++m_phantoms;
                noteContainer(m_parentLevel + m_phantoms);
            } else if (m_end - p > 1 && p[1] != '/' && p[1] != '!' && p[1] != '?') {
                noteValue();
                if (m_end - p > 4 && std::memcmp(p + 1, "key", 3) == 0)
                    noteEntry();
            }
        }
    }

    void noteEntry()
    {
        if (++m_result.entries > m_limits.entries && !failed())
            fail(Verdict::TooManyEntries);
    }

    // Entity decoding moves the rest of the text part once per '&' (unescape_entities).
    void noteTextPart(const char *from, const char *to)
    {
        const std::int64_t length = to - from;
        const std::int64_t ampersands = std::count(from, to, '&');
        if (ampersands == 0)
            return;
        m_result.entityWork += ampersands * length;
        if (m_result.entityWork > m_limits.entityWork)
            fail(Verdict::TooManyEntities);
    }

    bool at(const char *text, std::size_t length) const
    {
        return std::size_t(m_end - m_pos) >= length && std::memcmp(m_pos, text, length) == 0;
    }

    // Ports of parse_skip_ws, find_char (without quotes), find_str and find_next.
    void skipWhitespace()
    {
        while (m_pos < m_end && isSpace(*m_pos))
            ++m_pos;
    }

    void findChar(char c)
    {
        while (m_pos < m_end && *m_pos != c)
            ++m_pos;
    }

    void findString(const char *text, std::size_t length, bool skipQuotes)
    {
        while (m_end - m_pos > std::ptrdiff_t(length)) {
            if (std::memcmp(m_pos, text, length) == 0)
                break;
            if (skipQuotes && *m_pos == '"') {
                ++m_pos;
                findChar('"');
                if (m_pos >= m_end)
                    return;
            }
            ++m_pos;
        }
    }

    void findNext(std::string_view chars, bool skipQuotes)
    {
        while (m_pos < m_end) {
            if (skipQuotes && *m_pos == '"') {
                ++m_pos;
                findChar('"');
                if (m_pos >= m_end)
                    return;
            }
            if (chars.find(*m_pos) != std::string_view::npos)
                return;
            ++m_pos;
        }
    }

    // get_text_parts: the text of a scalar up to its closing tag, with comments and CDATA. name
    // is the whole name as the opening tag spelled it.
    bool readText(std::string_view name, bool skipLeadingSpace, bool decodesEntities)
    {
        if (skipLeadingSpace)
            skipWhitespace();
        const char *part = nullptr;
        const char *partEnd = nullptr;
        for (;;) {
            part = m_pos;
            findChar('<');
            if (m_pos >= m_end)
                return false;
            partEnd = m_pos;
            ++m_pos;
            if (m_pos >= m_end)
                return false;
            if (*m_pos == '/')
                break;
            if (*m_pos != '!')
                return false;
            ++m_pos;
            if (m_end - m_pos <= 1)
                return false;
            if (decodesEntities)
                noteTextPart(part, partEnd);
            if (m_pos[0] == '-' && m_pos[1] == '-') {
                m_pos += 2;
                const char *inside = m_pos;
                findString("-->", 3, false);
                if (!at("-->", 3))
                    return false;
                countOpeningsIn(inside, m_pos);
                m_pos += 3;
            } else if (m_pos[0] == '[') {
                ++m_pos;
                if (m_end - m_pos <= 8 || std::memcmp(m_pos, "CDATA[", 6) != 0)
                    return false;
                m_pos += 6;
                const char *inside = m_pos;
                findString("]]>", 3, false);
                if (!at("]]>", 3))
                    return false;
                countOpeningsIn(inside, m_pos);
                m_pos += 3;
            } else {
                return false;
            }
            if (failed())
                return true;
        }
        ++m_pos; // the '/'
        // strncmp against libplist's strncpy copy of the name: up to a NUL, then NULs.
        if (m_end - m_pos <= std::ptrdiff_t(name.size()))
            return false;
        const std::size_t cut = std::min(name.find('\0'), name.size());
        if (std::memcmp(m_pos, name.data(), cut) != 0 || (cut < name.size() && m_pos[cut] != '\0'))
            return false;
        m_pos += name.size();
        skipWhitespace();
        if (m_pos >= m_end || *m_pos != '>')
            return false;
        ++m_pos;
        if (decodesEntities)
            noteTextPart(part, partEnd);
        return true;
    }

    // The main loop of node_from_xml. Returns when libplist would stop or a limit is passed.
    void readMarkup()
    {
        while (m_pos < m_end && !failed()) {
            skipWhitespace();
            if (m_pos >= m_end)
                return;
            const char *token = m_pos;
            if (*m_pos != '<' || ++m_pos >= m_end)
                return readRestAsTail(token);

            if (*m_pos == '?') {
                const char *inside = m_pos;
                findString("?>", 2, true);
                if (!at("?>", 2))
                    return readRestAsTail(token);
                countOpeningsIn(inside, m_pos);
                m_pos += 2;
                continue;
            }
            if (*m_pos == '!') {
                if (!readSpecialTag())
                    return readRestAsTail(token);
                continue;
            }
            if (!readTag(token))
                return;
        }
    }

    // Comments and DOCTYPE (with its internal subset) outside values.
    bool readSpecialTag()
    {
        if (m_end - m_pos > 3 && std::memcmp(m_pos, "!--", 3) == 0) {
            m_pos += 3;
            const char *inside = m_pos;
            findString("-->", 3, false);
            if (!at("-->", 3))
                return false;
            countOpeningsIn(inside, m_pos);
            m_pos += 3;
            return true;
        }
        if (m_end - m_pos > 8 && std::memcmp(m_pos, "!DOCTYPE", 8) == 0) {
            m_pos += 8;
            const char *inside = m_pos;
            bool internalSubset = false;
            while (m_pos < m_end) {
                findNext(" \t\r\n[>", true);
                if (m_pos >= m_end)
                    return false;
                if (*m_pos == '[') {
                    internalSubset = true;
                    break;
                }
                if (*m_pos == '>') {
                    ++m_pos;
                    break;
                }
                skipWhitespace();
            }
            if (internalSubset) {
                findString("]>", 2, true);
                if (!at("]>", 2))
                    return false;
                m_pos += 2;
            }
            countOpeningsIn(inside, m_pos);
            return true;
        }
        return false;
    }

    // One element tag. False when libplist stops reading here.
    bool readTag(const char *token)
    {
        const char *name = m_pos;
        findNext(" \r\n\t<>", false);
        const char *nameEnd = m_pos;
        if (m_pos < m_end && *m_pos != '>')
            findNext("<>", true);
        if (m_pos >= m_end || *m_pos != '>') {
            readRestAsTail(token);
            return false;
        }
        // Attribute values: libplist skips them, quotes and all.
        countOpeningsIn(nameEnd, m_pos);
        const std::string_view spelled(name, std::size_t(nameEnd - name));
        std::string_view tag = spelled;
        const bool empty = m_pos[-1] == '/';
        if (empty && std::size_t(m_pos - name - 1) < tag.size())
            tag = tag.substr(0, std::size_t(m_pos - name - 1));
        // libplist copies the name with strncpy and compares it with strcmp: a NUL ends it.
        tag = tag.substr(0, tag.find('\0'));
        ++m_pos;
        if (failed())
            return false;

        if (tag == "plist") {
            if (m_path.empty() && m_rootSeen) {
                readRestAsTail(m_pos);
                return false;
            }
            if (empty) {
                readRestAsTail(token);
                return false;
            }
            m_path.push_back('p');
            return true;
        }
        if (tag == "/plist") {
            if (m_path.empty() || m_path.back() != 'p') {
                readRestAsTail(token);
                return false;
            }
            m_path.pop_back();
            return true;
        }
        if (!tag.empty() && tag[0] == '/')
            return readClosingTag(token, tag.substr(1));

        const bool isContainer = tag == "array" || tag == "dict";
        if (isContainer) {
            noteContainer(m_parentLevel + 1 + m_phantoms);
        } else if (tag == "key" || tag == "string" || tag == "integer" || tag == "real" ||
                   tag == "true" || tag == "false" || tag == "data" || tag == "date") {
            noteValue();
            if (tag == "key")
                noteEntry();
            const bool textual = tag == "key" || tag == "string";
            if (!empty && !failed() && !readText(spelled, !textual, textual)) {
                readRestAsTail(token);
                return false;
            }
        } else {
            readRestAsTail(token);
            return false;
        }
        if (failed())
            return false;

        if (!m_rootSeen) {
            m_rootSeen = true;
            if (!isContainer) { // a scalar root is the whole property list
                readRestAsTail(m_pos);
                return false;
            }
            m_parentLevel = 1;
            if (!empty)
                m_path.push_back(tag == "array" ? 'a' : 'd');
            return true;
        }
        if (isContainer && !empty) {
            m_path.push_back(tag == "array" ? 'a' : 'd');
            ++m_parentLevel;
        }
        return true;
    }

    bool readClosingTag(const char *token, std::string_view name)
    {
        const char type = name == "array" ? 'a' : name == "dict" ? 'd' : '\0';
        if (m_path.empty() || type == '\0' || m_path.back() != type) {
            readRestAsTail(token);
            return false;
        }
        m_path.pop_back();
        if (--m_parentLevel == 0) { // the root is complete: libplist reads no further
            readRestAsTail(m_pos);
            return false;
        }
        return true;
    }
};

// The binary form: a trailer at the end gives the sizes of offsets and object references,
// the number of objects, the top object and where the offset table starts; the table gives
// each object's position. Follows libplist 2.2's bplist.c in what it accepts, a little
// stricter where that costs no real file anything (sizes of 1 to 8 bytes, objects after
// the header).
class BinaryScan
{
public:
    BinaryScan(const char *data, std::size_t size, const Limits &limits)
        : m_data(reinterpret_cast<const unsigned char *>(data)), m_size(size), m_limits(limits)
    {}

    Result run()
    {
        if (!readTrailer())
            m_result.verdict = Verdict::Malformed;
        else if (m_objectCount > objectsPerValueAllowed * std::uint64_t(m_limits.values))
            m_result.verdict = Verdict::TooManyValues; // the walk keeps 11 bytes per object
        else
            walk();
        return m_result;
    }

private:
    static constexpr std::size_t headerSize = 8;
    static constexpr std::size_t trailerSize = 32;
    // Objects no reference reaches cost libplist nothing, so a table may list more objects than
    // the values allowed; only a table far larger is refused before the walk.
    static constexpr std::uint64_t objectsPerValueAllowed = 16;

    enum : unsigned char
    {
        New,
        Open,
        Done
    };

    struct Object
    {
        unsigned char type = 0; // the marker's high nibble
        std::uint64_t count = 0;
        std::uint64_t payload = 0; // offset of the references of an array, set or dictionary
        bool isContainer() const { return type == 0xA || type == 0xC || type == 0xD; }
        bool isText() const { return type == 0x5 || type == 0x6; }
        std::uint64_t references() const { return type == 0xD ? 2 * count : count; }
    };

    struct Frame
    {
        std::uint64_t index;
        Object object;
        std::uint64_t next = 0;   // next reference to follow
        std::uint64_t values = 1; // the container itself
        std::uint64_t entries = 0;
        int childDepth = 0; // containers below it on its deepest path
    };

    const unsigned char *m_data;
    std::size_t m_size;
    const Limits &m_limits;
    Result m_result;

    unsigned m_offsetSize = 0;
    unsigned m_referenceSize = 0;
    std::uint64_t m_objectCount = 0;
    std::uint64_t m_root = 0;
    std::uint64_t m_tableOffset = 0;

    // What each object expands to, saturated just past the limits.
    std::vector<unsigned char> m_state;
    std::vector<std::uint32_t> m_values;
    std::vector<std::uint32_t> m_entries;
    std::vector<unsigned char> m_depth;
    std::vector<unsigned char> m_type;

    std::uint64_t readNumber(std::uint64_t offset, unsigned size) const
    {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < size; ++i)
            value = value << 8 | m_data[offset + i];
        return value;
    }

    bool readTrailer()
    {
        if (m_size < headerSize + trailerSize)
            return false;
        const std::uint64_t trailer = m_size - trailerSize;
        m_offsetSize = m_data[trailer + 6];
        m_referenceSize = m_data[trailer + 7];
        m_objectCount = readNumber(trailer + 8, 8);
        m_root = readNumber(trailer + 16, 8);
        m_tableOffset = readNumber(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8)
            return false;
        if (m_objectCount == 0 || m_root >= m_objectCount)
            return false;
        if (m_tableOffset < headerSize || m_tableOffset >= trailer)
            return false;
        return m_objectCount <= (trailer - m_tableOffset) / m_offsetSize;
    }

    // The object's marker and length, checked to lie between the header and the offset table.
    bool readObject(std::uint64_t index, Object &object) const
    {
        std::uint64_t at = readNumber(m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (at < headerSize || at >= m_tableOffset)
            return false;
        const unsigned char marker = m_data[at++];
        object.type = marker >> 4;
        const unsigned low = marker & 0xF;
        object.count = low;
        const std::uint64_t room = m_tableOffset - at;
        const auto fits = [&](std::uint64_t bytes) {
            return bytes <= m_tableOffset - at;
        };
        if (low == 0xF && (object.type == 0x4 || object.type == 0x5 || object.type == 0x6 ||
                           object.isContainer())) {
            // The length follows as an integer object of 1, 2, 4 or 8 bytes.
            if (room < 1 || (m_data[at] >> 4) != 0x1 || (m_data[at] & 0xF) > 3)
                return false;
            const unsigned bytes = 1u << (m_data[at] & 0xF);
            if (!fits(1 + std::uint64_t(bytes)))
                return false;
            object.count = readNumber(at + 1, bytes);
            at += 1 + bytes;
        }
        object.payload = at;
        switch (object.type) {
        case 0x0:
            return low == 0x8 || low == 0x9; // false, true (null and fill are refused)
        case 0x1:
            return low <= 4 && fits(std::uint64_t(1) << low);
        case 0x2:
            return (low == 2 || low == 3) && fits(std::uint64_t(1) << low);
        case 0x3:
            return low == 3 && fits(8);
        case 0x4:
        case 0x5:
            return fits(object.count);
        case 0x6:
            return object.count <= (m_tableOffset - at) / 2;
        case 0x8:
            return fits(std::uint64_t(low) + 1);
        case 0xA:
        case 0xC:
            return object.count <= (m_tableOffset - at) / m_referenceSize;
        case 0xD:
            return object.count <= (m_tableOffset - at) / m_referenceSize / 2;
        default:
            return false;
        }
    }

    // libplist keeps an ASCII text's length but its getters and writers stop at a NUL, so such a
    // text would come back cut short; UTF-16 ones make its getters abort.
    bool textHoldsNul(const Object &object) const
    {
        const unsigned char *text = m_data + object.payload;
        if (object.type == 0x5)
            return std::memchr(text, 0, std::size_t(object.count)) != nullptr;
        for (std::uint64_t i = 0; i < object.count; ++i)
            if (text[2 * i] == 0 && text[2 * i + 1] == 0)
                return true;
        return false;
    }

    // Adds a finished child's figures to its container's; false when a limit is passed.
    bool addChild(Frame &frame, std::size_t level, std::uint64_t values, std::uint64_t entries,
                  int depth)
    {
        frame.values += values;
        frame.entries += entries;
        frame.childDepth = std::max(frame.childDepth, depth);
        // An object's expansion is part of every container above it, the top one included.
        if (level + std::size_t(depth) > std::size_t(m_limits.depth))
            m_result.verdict = Verdict::TooDeep;
        else if (frame.values > std::uint64_t(m_limits.values))
            m_result.verdict = Verdict::TooManyValues;
        else if (frame.entries > std::uint64_t(m_limits.entries))
            m_result.verdict = Verdict::TooManyEntries;
        return m_result.verdict == Verdict::Acceptable;
    }

    void walk()
    {
        Object top;
        if (!readObject(m_root, top)) {
            m_result.verdict = Verdict::Malformed;
            return;
        }
        m_result.values = 1;
        if (top.isText() && textHoldsNul(top))
            m_result.verdict = Verdict::HoldsNul;
        if (!top.isContainer())
            return;

        const std::size_t count = std::size_t(m_objectCount);
        m_state.assign(count, New);
        m_values.assign(count, 0);
        m_entries.assign(count, 0);
        m_depth.assign(count, 0);
        m_type.assign(count, 0);

        std::vector<Frame> stack;
        stack.push_back(Frame{m_root, top});
        m_state[m_root] = Open;
        while (!stack.empty()) {
            Frame &frame = stack.back();
            if (frame.next == frame.object.references()) {
                // Every reference followed: the container's own figures are complete.
                const Frame done = frame;
                stack.pop_back();
                const int depth = done.childDepth + 1;
                const std::uint64_t entries =
                    done.entries + (done.object.type == 0xD ? done.object.count : 0);
                if (entries > std::uint64_t(m_limits.entries)) {
                    m_result.verdict = Verdict::TooManyEntries;
                    return;
                }
                m_state[done.index] = Done;
                m_type[done.index] = done.object.type;
                m_values[done.index] = std::uint32_t(done.values);
                m_entries[done.index] = std::uint32_t(entries);
                m_depth[done.index] = static_cast<unsigned char>(depth);
                if (stack.empty()) {
                    m_result.depth = depth;
                    m_result.values = std::int64_t(done.values);
                    m_result.entries = std::int64_t(entries);
                    return;
                }
                if (!addChild(stack.back(), stack.size(), done.values, entries, depth))
                    return;
                continue;
            }

            const std::uint64_t position = frame.next++;
            const bool isKey = frame.object.type == 0xD && position < frame.object.count;
            const std::uint64_t child =
                readNumber(frame.object.payload + position * m_referenceSize, m_referenceSize);
            if (child >= m_objectCount) {
                m_result.verdict = Verdict::Malformed;
                return;
            }
            switch (m_state[child]) {
            case Open:
                m_result.verdict = Verdict::SelfReferential;
                return;
            case Done:
                // Shared: libplist builds it again for every reference.
                if (isKey && m_type[child] != 0x5 && m_type[child] != 0x6) {
                    m_result.verdict = Verdict::Malformed;
                    return;
                }
                if (!addChild(frame, stack.size(), m_values[child], m_entries[child],
                              m_depth[child]))
                    return;
                continue;
            default:
                break;
            }
            Object object;
            if (!readObject(child, object) || (isKey && !object.isText())) {
                m_result.verdict = Verdict::Malformed;
                return;
            }
            if (object.isText() && textHoldsNul(object)) {
                m_result.verdict = Verdict::HoldsNul;
                return;
            }
            if (!object.isContainer()) {
                m_state[child] = Done;
                m_type[child] = object.type;
                m_values[child] = 1;
                if (!addChild(frame, stack.size(), 1, 0, 0))
                    return;
                continue;
            }
            if (stack.size() >= std::size_t(m_limits.depth)) {
                m_result.depth = int(stack.size()) + 1;
                m_result.verdict = Verdict::TooDeep;
                return;
            }
            m_state[child] = Open;
            stack.push_back(Frame{child, object}); // frame is not used past this point
        }
    }
};

} // namespace

Result scanXml(const char *data, std::size_t size, const Limits &limits)
{
    return XmlScan(data, size, limits).run();
}

Result scanBinary(const char *data, std::size_t size, const Limits &limits)
{
    return BinaryScan(data, size, limits).run();
}

} // namespace PlistPrescan
