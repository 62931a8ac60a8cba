#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpus of the settings-loader fuzzer to tests/data/settings-corpus/.

The fuzzer also starts from the hand-made files of the unit tests in tests/data/settings/, read
from there (run_fuzz_settings.sh passes both folders). These seeds add valid and broken XML and
binary property lists, nesting at and past the loader's limit, huge and negative integers, odd
reals, odd UTF-8, entities, and keys with and without "Setting". Run it again after changing it; the files are
kept in the repository so that the fuzzer starts from the same seeds everywhere.
"""

import os
import plistlib
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "data", "settings-corpus")

HEADER = (b'<?xml version="1.0" encoding="UTF-8"?>\n'
          b'<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
          b'"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
          b'<plist version="1.0">\n')
FOOTER = b"\n</plist>\n"


def xml(body: bytes) -> bytes:
    return HEADER + body + FOOTER


def globals_xml(entries: bytes) -> bytes:
    return xml(b"<dict><key>PreferencesGlobals</key><dict>" + entries + b"</dict></dict>")


def nested(depth: int, inner: bytes = b"<true/>") -> bytes:
    return b"<array>" * depth + inner + b"</array>" * depth


files = {}

# A complete file as the program writes it, as XML and as a binary property list.
complete = {
    "PreferencesGlobals": {
        "PreferencesDebugLoggingSettingKey": True,
        "PreferencesShortcutsAndScriptPathsSettingKey": {
            "5": "/home/user/Library/Scripts/backup.sh",
            "14": "/home/user/Library/Scripts/right click.sh",
        },
        "PreferencesExpandedFileSystemItemsPathsSettingKey": [
            "/home/user/Library/Scripts", "/home/user/Library/Scripts/Trundle Scripts"],
    },
    "SomethingAnotherVersionWrote": "kept beside",
}
files["complete.xml.plist"] = plistlib.dumps(complete, fmt=plistlib.FMT_XML)
files["complete.bin.plist"] = plistlib.dumps(complete, fmt=plistlib.FMT_BINARY)
files["defaults.xml.plist"] = plistlib.dumps(
    {"PreferencesGlobals": {"PreferencesDebugLoggingSettingKey": False,
                            "PreferencesShortcutsAndScriptPathsSettingKey": {}}})

# Keys with and without "Setting", in other cases, empty, repeated.
files["keys.plist"] = globals_xml(
    b"<key>PreferencesFutureSettingKey</key><integer>-7</integer>"
    b"<key>PreferencesDebugsettingKey</key><string>lower case: not persistent</string>"
    b"<key>StatusItemKey</key><string>run-time key in the file</string>"
    b"<key>Setting</key><dict/>"
    b"<key></key><string>empty key</string>"
    b"<key>SettingSetting</key><array/>")
files["duplicate-keys.plist"] = globals_xml(
    b"<key>PreferencesDebugLoggingSettingKey</key><true/>"
    b"<key>PreferencesDebugLoggingSettingKey</key><false/>")
files["wrong-kinds.plist"] = globals_xml(
    b"<key>PreferencesDebugLoggingSettingKey</key><string>YES</string>"
    b"<key>PreferencesShortcutsAndScriptPathsSettingKey</key><array><string>/a.sh</string></array>"
    b"<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key><dict/>")
files["debug-as-numbers.plist"] = globals_xml(
    b"<key>PreferencesDebugLoggingSettingKey</key><real>0.5</real>"
    b"<key>PreferencesShortcutsAndScriptPathsSettingKey</key>"
    b"<dict><key>05</key><integer>5</integer><key>-1</key><true/>"
    b"<key>99999999999999999999</key><string>/big.sh</string>"
    b"<key>3</key><string>/same.sh</string><key>4</key><string>/same.sh</string></dict>")
files["globals-array.plist"] = xml(b"<dict><key>PreferencesGlobals</key><array/></dict>")
files["top-string.plist"] = xml(b"<string>PreferencesGlobals</string>")
files["empty-dict.plist"] = xml(b"<dict/>")

# Integers at and past 64 bits, as XML and in a binary property list.
files["integers.plist"] = globals_xml(
    b"<key>AMaxSettingKey</key><integer>9223372036854775807</integer>"
    b"<key>BPastSettingKey</key><integer>9223372036854775808</integer>"
    b"<key>CUnsignedMaxSettingKey</key><integer>18446744073709551615</integer>"
    b"<key>DHugeSettingKey</key><integer>340282366920938463463374607431768211456</integer>"
    b"<key>EMinSettingKey</key><integer>-9223372036854775808</integer>"
    b"<key>FBelowSettingKey</key><integer>-9223372036854775809</integer>"
    b"<key>GHexSettingKey</key><integer>0x7f</integer>"
    b"<key>HSpaceSettingKey</key><integer> 12 </integer>")
files["integers.bin.plist"] = plistlib.dumps(
    {"PreferencesGlobals": {"MaxSettingKey": 2**63 - 1, "MinSettingKey": -2**63,
                            "UnsignedSettingKey": 2**64 - 1}}, fmt=plistlib.FMT_BINARY)

# Reals: the odd ones.
files["reals.plist"] = globals_xml(
    b"<key>ANanSettingKey</key><real>nan</real>"
    b"<key>BInfSettingKey</key><real>-inf</real>"
    b"<key>CZeroSettingKey</key><real>-0.0</real>"
    b"<key>DLargeSettingKey</key><real>1.7976931348623157e308</real>"
    b"<key>ETinySettingKey</key><real>4.9e-324</real>"
    b"<key>FTenthSettingKey</key><real>0.1</real>"
    b"<key>GWordSettingKey</key><real>one</real>")
files["reals.bin.plist"] = plistlib.dumps(
    {"PreferencesGlobals": {"TenthSettingKey": 0.1, "ThirdSettingKey": 1 / 3,
                            "BigSettingKey": 1e300}}, fmt=plistlib.FMT_BINARY)

# Text: odd UTF-8, entities, control characters, CDATA.
files["utf8.plist"] = globals_xml(
    "<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict>"
    "<key>1</key><string>/home/zoë/Skripte/Grüße 😀.sh</string>"
    "<key>2</key><string>/tmp/e\u0301/\u202eevil.sh</string>"
    "<key>3</key><string>/tmp/\ufeffbom.sh</string>"
    "</dict>".encode())
files["utf8-broken.plist"] = globals_xml(
    b"<key>Overlong\xc0\xafSettingKey</key><string>\xed\xa0\x80 lone surrogate</string>"
    b"<key>Cut\xe2\x82SettingKey</key><string>\xff\xfe</string>")
files["entities.plist"] = globals_xml(
    b"<key>A&amp;B&lt;Setting&gt;</key><string>&#x1F600; &#233; &quot;q&quot; &apos;a&apos;</string>"
    b"<key>ControlSettingKey</key><string>tab\there bell\x07 nul&#0; esc&#27;</string>"
    b"<key>CdataSettingKey</key><string><![CDATA[<dict>]]></string>"
    b"<key>UnknownEntitySettingKey</key><string>&nbsp;</string>")
files["string-with-nul.bin.plist"] = plistlib.dumps(
    {"PreferencesGlobals": {"NulSettingKey": "before\x00after", "Nul\x00KeySetting": "x"}},
    fmt=plistlib.FMT_BINARY)
# NUL bytes, which libplist's getters abort on: raw in an XML text, and in binary UTF-16 texts.
files["nul-in-xml-text.plist"] = globals_xml(b"<key>ASettingKey</key><string>/a\x00b.sh</string>")
files["nul-in-utf16.bin.plist"] = plistlib.dumps(
    {"PreferencesGlobals": {"Zo\u00eb\x00SettingKey": "Zo\u00eb\x00.sh"}}, fmt=plistlib.FMT_BINARY)
files["bom.plist"] = b"\xef\xbb\xbf" + globals_xml(b"<key>PreferencesDebugLoggingSettingKey</key><true/>")
files["utf16.plist"] = (
    '<?xml version="1.0" encoding="UTF-16"?><plist version="1.0"><dict>'
    '<key>PreferencesGlobals</key><dict/></dict></plist>').encode("utf-16")

# Nesting: just inside the limit, just past it, and through a binary property list.
files["deep-within-limit.plist"] = globals_xml(b"<key>DeepSettingKey</key>" + nested(60))
files["deep-past-limit.plist"] = globals_xml(b"<key>DeepSettingKey</key>" + nested(63))
files["deep-dicts.plist"] = globals_xml(
    b"<key>DeepSettingKey</key>" + b"<dict><key>k</key>" * 61 + b"<true/>" + b"</dict>" * 61)
files["deep-empty-elements.plist"] = globals_xml(
    b"<key>DeepSettingKey</key>" + b"<array><array/>" * 30 + b"</array>" * 30)
deep = True
for _ in range(80):
    deep = [deep]
files["deep-80.bin.plist"] = plistlib.dumps({"PreferencesGlobals": {"DeepSettingKey": deep}},
                                            fmt=plistlib.FMT_BINARY)

# Nesting that hides from a plain count of "<array>": whitespace inside tags, openings inside
# comments, CDATA, processing instructions, a DOCTYPE's internal subset and attribute values.
files["deep-newline.plist"] = xml(b"<array\n>" * 100 + b"</array>" * 100)
files["deep-tab-cr.plist"] = xml(b"<dict\t><key>k</key><array\r\n>" * 40 + b"</array></dict>" * 40)
files["deep-in-comment.plist"] = xml(b"<array><!-- " + b"<array>" * 100 + b" --></array>")
files["deep-in-cdata.plist"] = globals_xml(
    b"<key>CdataSettingKey</key><string><![CDATA[" + b"<array>" * 100 + b"]]></string>")
files["deep-in-pi.plist"] = xml(b'<?pi a="?>' + b"<dict>" * 100 + b'"?><dict/>')
files["deep-in-doctype.plist"] = (
    b'<!DOCTYPE plist [<!ENTITY e "' + b"<array>" * 100 + b'">]>'
    b'<plist version="1.0"><dict/></plist>')
files["deep-in-attribute.plist"] = xml(b'<array a="' + b"<array>" * 100 + b'"></array>')
files["comments-cdata-doctype.plist"] = (
    b'<?xml version="1.0"?>\n<!DOCTYPE plist [<!ENTITY x "y">]>\n<!-- </dict></dict> -->\n'
    b'<plist version="1.0"><dict><key>PreferencesGlobals</key><dict>'
    b'<key>PreferencesShortcutsAndScriptPathsSettingKey</key><dict><key>5</key>'
    b'<string><![CDATA[/a <b> & c.sh]]><!-- </dict> --></string></dict></dict></dict></plist>')
files["nul-in-tag-names.plist"] = (
    b'<?xml version="1.0"?><plist\0junk version="1.0"><dict\0x><key>PreferencesGlobals</key>'
    b'<dict><key\0k>PreferencesDebugLoggingSettingKey</key\0k><true\0/></dict></dict></plist>')
files["many-entities.plist"] = globals_xml(
    b"<key>ASettingKey</key><string>" + b"&amp;" * 2000 + b"x" * 4000 + b"</string>")
files["many-keys.plist"] = globals_xml(b"".join(b"<key>k%dSetting</key><true/>" % i
                                                for i in range(5001)))


def bplist(objects, root=0, ref_size=1, offset_size=None):
    """A binary property list of the given encoded objects (references of ref_size bytes)."""
    offsets, position = [], 8
    for encoded in objects:
        offsets.append(position)
        position += len(encoded)
    size = offset_size or (1 if position < 256 else 2 if position < 65536 else 4)
    return (b"bplist00" + b"".join(objects) +
            b"".join(o.to_bytes(size, "big") for o in offsets) +
            b"\0" * 6 + bytes([size, ref_size]) +
            len(objects).to_bytes(8, "big") + root.to_bytes(8, "big") + position.to_bytes(8, "big"))


# Binary: a chain of one-element arrays past the limit, a cycle, an array that holds itself,
# a small graph whose shared arrays expand to 2^40 values, references and offsets out of
# range, a cut trailer, and a dictionary whose key is an array.
files["deep-chain.bin.plist"] = bplist(
    [b"\xa1" + (i + 1).to_bytes(1, "big") for i in range(100)] + [b"\x09"])
files["cycle.bin.plist"] = bplist([b"\xa1\x01", b"\xa1\x00"])
files["self.bin.plist"] = bplist([b"\xa2\x01\x00", b"\x09"])
files["shared.bin.plist"] = bplist(
    [b"\xa2" + bytes([i + 1, i + 1]) for i in range(40)] + [b"\x09"])
files["ref-out-of-range.bin.plist"] = bplist([b"\xa1\x07", b"\x09"])
files["offset-out-of-range.bin.plist"] = bplist([b"\xa1\x01", b"\x09"])[:-34] + b"\xf0\x0a" + \
    bplist([b"\xa1\x01", b"\x09"])[-32:]
files["trailer-cut.bin.plist"] = bplist([b"\xa1\x01", b"\x09"])[:-5]
files["key-is-array.bin.plist"] = bplist([b"\xd1\x01\x02", b"\xa0", b"\x09"])

# Values the program cannot write back, and broken structure.
files["data-and-date.plist"] = globals_xml(
    b"<key>DataSettingKey</key><data>AAEC</data>"
    b"<key>DateSettingKey</key><date>2024-01-01T00:00:00Z</date>")
files["unclosed.plist"] = HEADER + b"<dict><key>PreferencesGlobals</key><dict><key>x</key>"
files["mismatched.plist"] = xml(b"<dict><key>PreferencesGlobals</key><array></dict></array>")
files["key-without-value.plist"] = globals_xml(b"<key>PreferencesDebugLoggingSettingKey</key>")
files["two-roots.plist"] = xml(b"<dict/><dict/>")
files["bplist-header-only.plist"] = b"bplist00"
complete_bin = files["complete.bin.plist"]
files["complete-cut.bin.plist"] = complete_bin[: len(complete_bin) // 2]
files["bad-offset.bin.plist"] = complete_bin[:-8] + b"\xff" * 8

if __name__ == "__main__":
    if os.path.isdir(OUT):
        shutil.rmtree(OUT)
    os.makedirs(OUT)
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print(f"{len(os.listdir(OUT))} seeds in {os.path.normpath(OUT)}", file=sys.stderr)
