# SPDX-License-Identifier: GPL-3.0-or-later
# The order in which Trundle lists a folder's names, for the end-to-end runs that walk menus and
# rows by position: natural (2 before 10), case-insensitive, accents with their letter, names
# equal so far by their UTF-16 text. It follows Trundle's collation for the names the runs use
# (letters, digits, a few marks); names that are not UTF-8 are read as Trundle keeps them, each
# odd byte a lone surrogate (Python's surrogateescape makes the same ones).
import os
import re
import unicodedata


def _text(name):
    return os.fsdecode(name) if isinstance(name, bytes) else name


def name_key(name):
    text = _text(name)
    plain = "".join(c for c in unicodedata.normalize("NFD", text) if not unicodedata.combining(c))
    parts = tuple((0, int(part), "") if part.isdigit() else (1, 0, part.casefold())
                  for part in re.split(r"(\d+)", plain) if part)
    return parts, text.encode("utf-16-be", "surrogatepass")


def sorted_names(names):
    return sorted(names, key=name_key)
