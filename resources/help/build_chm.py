#!/usr/bin/env python3
"""Compiles the help (ombrel.hhp and its pages) into ombrel.chm with chmcmd and checks the result.

    build_chm.py CHMCMD SOURCE_DIR WORK_DIR OUTPUT [SHARED_DIR]

A language's help (resources/help/de, ...) holds its pages, contents, index and project; the style
sheet and the topic maps it lacks are taken from SHARED_DIR, the English help.

chmcmd writes next to the project, so it runs on copies of the sources in WORK_DIR and the source
tree stays clean. Any warning of chmcmd (a link to a missing page, for instance) fails the build,
as compiler warnings do.

The topic numbers: ombrel.hhp gives each topic name ([ALIAS]) a page, help_map.h gives each name
its number ([MAP]), and the help viewer finds a number in the file's context map (#IVB), which
points into the file's string table (#STRINGS). chmcmd 3.2.2 writes there, for each mapped page,
the absolute path the page had on the build machine (the compile folder, "/", the page name),
which the viewer cannot find inside the file. Those paths are the first strings of the table, in
the order of [FILES], so the last part of each is exactly the page name. The context map is then
written again, pointing at those last parts, as an uncompressed internal file appended to the
file. Whether chmcmd wrote folder paths is found out by compiling twice, in folders whose names
differ in length: only then does the string table's length change.
"""

import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys

PROJECT = "ombrel.hhp"
MAP_HEADER = "help_map.h"
CHM = "ombrel.chm"
SOURCE_PATTERNS = ("*.htm", "*.css", "*.hhp", "*.hhc", "*.hhk", "*.h")


def fail(message):
    sys.exit(f"build_chm.py: {message}")


def read_project(folder):
    """The pages of [FILES] in order, the [ALIAS] names with their pages, the numbers of help_map.h."""
    files, aliases, section = [], {}, None
    for line in (folder / PROJECT).read_text(encoding="ascii").splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].upper()
        elif line and section == "FILES":
            files.append(line)
        elif line and section == "ALIAS":
            name, _, page = line.partition("=")
            aliases[name] = page
    numbers = {}
    for line in (folder / MAP_HEADER).read_text(encoding="ascii").splitlines():
        match = re.fullmatch(r"#define (IDH_[A-Z_]+) ([0-9]+)", line.strip())
        if match:
            numbers[match.group(1)] = int(match.group(2))
    if not aliases or set(aliases) != set(numbers):
        fail(f"{PROJECT} [ALIAS] names {sorted(aliases)} but {MAP_HEADER} numbers {sorted(numbers)}")
    for name, page in aliases.items():
        if page not in files:
            fail(f"{name} names {page}, which is not in [FILES] of {PROJECT}")
    return files, aliases, numbers


def compile_in(chmcmd, sources, folder):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for source in sources:
        shutil.copy2(source, folder)
    result = subprocess.run([chmcmd, PROJECT], cwd=folder, capture_output=True, text=True)
    output = result.stdout + result.stderr
    if result.returncode != 0 or re.search(r"^(Warning|Error):", output, re.MULTILINE):
        fail(f"chmcmd reported a problem in {PROJECT} (exit status {result.returncode}):\n{output}")
    path = folder / CHM
    if not path.exists():
        fail(f"chmcmd wrote no {CHM}:\n{output}")
    return bytearray(path.read_bytes())


def read_encint(data, i):
    value = 0
    while True:
        byte = data[i]
        i += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, i


def encint(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


class Chm:
    """The header and the directory of a compiled HTML help file (ITSF version 3)."""

    def __init__(self, data):
        if data[:4] != b"ITSF" or len(data) < 8192:
            fail(f"{CHM} is not a compiled HTML help file ({len(data)} bytes)")
        self.data = data
        self.header0, _, directory, _, self.content = struct.unpack_from("<QQQQQ", data, 0x38)
        if data[directory:directory + 4] != b"ITSP":
            fail(f"{CHM} has no directory")
        self.chunk_size = struct.unpack_from("<I", data, directory + 0x10)[0]
        chunk_count = struct.unpack_from("<I", data, directory + 0x2C)[0]
        self.entries = {}  # name -> (section, offset, length, chunk start, entry start, entry end)
        for index in range(chunk_count):
            start = directory + 0x54 + index * self.chunk_size
            if data[start:start + 4] != b"PMGL":
                continue
            end = start + self.chunk_size - struct.unpack_from("<I", data, start + 4)[0]
            i = start + 0x14
            while i < end:
                entry = i
                length, i = read_encint(data, i)
                name = data[i:i + length].decode("utf-8")
                i += length
                section, i = read_encint(data, i)
                offset, i = read_encint(data, i)
                size, i = read_encint(data, i)
                self.entries[name] = (section, offset, size, start, entry, i)

    def replace_with_uncompressed(self, name, content):
        """Appends content to the file and points the directory entry of name at it."""
        _, _, _, chunk, entry, end = self.entries[name]
        offset = len(self.data) - self.content
        encoded = encint(len(name.encode("utf-8"))) + name.encode("utf-8") + encint(0) \
            + encint(offset) + encint(len(content))
        growth = len(encoded) - (end - entry)
        free = struct.unpack_from("<I", self.data, chunk + 4)[0]
        used_end = chunk + self.chunk_size - free
        entry_count = struct.unpack_from("<H", self.data, chunk + self.chunk_size - 2)[0]
        quickrefs = entry_count // 5  # every fifth entry, offsets from byte 0x14 of the chunk
        if growth < 0 or free - growth < 2 * (quickrefs + 1):
            fail(f"cannot rewrite the directory entry of {name}")
        # Shift the entries after this one; the quick-reference area at the chunk's end stays put.
        self.data[entry:used_end + growth] = encoded + self.data[end:used_end]
        struct.pack_into("<I", self.data, chunk + 4, free - growth)
        for k in range(1, quickrefs + 1):
            position = chunk + self.chunk_size - 2 - 2 * k
            value = struct.unpack_from("<H", self.data, position)[0]
            if chunk + 0x14 + value > entry:
                struct.pack_into("<H", self.data, position, value + growth)
        self.data += content
        struct.pack_into("<Q", self.data, self.header0 + 8, len(self.data))  # the file's size
        self.__init__(self.data)


def context_map(files, aliases, numbers, folder):
    """#IVB pointing at the page names inside chmcmd's folder paths, sorted by topic number."""
    prefix = len(os.fsencode(os.path.realpath(folder))) + 1
    offsets, offset = {}, 1  # the string table starts with an empty string
    for page in (page for page in files if page in aliases.values()):
        length = prefix + len(page.encode("utf-8")) + 1
        if offset + length > 0x1000:
            fail("the context map's strings cross the string table's first block")
        offsets[page] = offset + prefix
        offset += length
    pairs = sorted((numbers[name], offsets[page]) for name, page in aliases.items())
    return struct.pack("<I", 8 * len(pairs)) + b"".join(struct.pack("<II", *pair) for pair in pairs)


def main():
    if len(sys.argv) not in (5, 6):
        fail("usage: build_chm.py CHMCMD SOURCE_DIR WORK_DIR OUTPUT [SHARED_DIR]")
    chmcmd, source, work, output = sys.argv[1], *map(pathlib.Path, sys.argv[2:5])
    folders = [source] + [pathlib.Path(folder) for folder in sys.argv[5:]]
    sources = {}
    for folder in reversed(folders):
        sources.update({path.name: path for pattern in SOURCE_PATTERNS for path in folder.glob(pattern)})
    sources = [sources[name] for name in sorted(sources)]
    shutil.rmtree(work, ignore_errors=True)
    gathered = work / "sources"
    gathered.mkdir(parents=True)
    for path in sources:
        shutil.copy(path, gathered / path.name)
    files, aliases, numbers = read_project(gathered)

    short, long = work / "a", work / "a-folder-with-a-longer-name"
    chm = Chm(compile_in(chmcmd, sources, short))
    other = Chm(compile_in(chmcmd, sources, long))
    for name in ["/#IVB", "/#STRINGS"] + [f"/{page}" for page in files]:
        if name not in chm.entries:
            fail(f"{CHM} holds no {name}")
    growth = other.entries["/#STRINGS"][2] - chm.entries["/#STRINGS"][2]
    if growth == len(aliases) * (len(str(long)) - len(str(short))):
        chm.replace_with_uncompressed("/#IVB", context_map(files, aliases, numbers, short))
    elif growth != 0:
        fail(f"unexpected string table of chmcmd (grows by {growth} bytes with the folder's name)")
    section, _, size, *_ = chm.entries["/#IVB"]
    if size != 4 + 8 * len(aliases):
        fail(f"the context map holds {(size - 4) // 8} topics, not {len(aliases)}")

    output.parent.mkdir(parents=True, exist_ok=True)
    if not output.exists() or output.read_bytes() != chm.data:
        output.write_bytes(chm.data)


if __name__ == "__main__":
    main()
