"""Reads a WinHelp 4 file the way a help viewer does, for the help file tests.

It follows the same steps as Wine's viewer: the directory B+ tree, |SYSTEM, the topic
chain with its TOPICPOS/TOPICOFFSET arithmetic, |CTXOMAP (context numbers), |CONTEXT
(context name hashes) and the paragraphs' text and jumps. Any inconsistency raises
HelpFileError instead of being skipped.
"""
import struct


class HelpFileError(Exception):
    pass


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def i16(b, at):
    return struct.unpack_from("<h", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def i32(b, at):
    return struct.unpack_from("<i", b, at)[0]


def fetch_cushort(b, at):
    if b[at] & 1:
        return u16(b, at) // 2, at + 2
    return b[at] // 2, at + 1


def fetch_csshort(b, at):
    if b[at] & 1:
        return (u16(b, at) - 0x8000) // 2, at + 2
    return (b[at] - 0x80) // 2, at + 1


def fetch_cslong(b, at):
    if b[at] & 1:
        return (u32(b, at) - 0x80000000) // 2, at + 4
    return (u16(b, at) - 0x8000) // 2, at + 2


class Page:
    def __init__(self, title, offset, pos):
        self.title = title
        self.offset = offset
        self.pos = pos
        self.paragraphs = []     # text of each paragraph
        self.jumps = []          # (label, context hash)
        self.fonts = []          # font numbers used


class HelpFile:
    def __init__(self, data):
        self.data = data
        if len(data) < 16 or u32(data, 0) != 0x00035F3F:
            raise HelpFileError("not a help file")
        if u32(data, 12) != len(data):
            raise HelpFileError(f"header says {u32(data, 12)} bytes, file has {len(data)}")
        self.directory = dict(self.btree_entries(self.internal_at(u32(data, 4)), self.directory_entry))
        self.read_system()
        self.read_fonts()
        self.read_topics()
        self.read_map()
        self.contexts = dict(self.btree_entries(self.internal("|CONTEXT"), self.context_entry,
                                                key=lambda e: struct.unpack("<i", struct.pack("<I", e[0]))[0]))

    # Internal files and B+ trees ------------------------------------------------------

    def internal_at(self, at):
        reserved, used, _ = struct.unpack_from("<IIB", self.data, at)
        if reserved < used + 9 or at + reserved > len(self.data):
            raise HelpFileError(f"internal file at {at}: sizes {reserved}/{used} do not fit")
        return self.data[at + 9:at + 9 + used]

    def internal(self, name):
        if name not in self.directory:
            raise HelpFileError(f"no internal file {name}")
        return self.internal_at(self.directory[name])

    @staticmethod
    def directory_entry(b, at):
        end = b.index(b"\x00", at)
        return (b[at:end].decode("latin-1"), u32(b, end + 1)), end + 5

    @staticmethod
    def context_entry(b, at):
        return (u32(b, at), u32(b, at + 4)), at + 8

    def btree_entries(self, tree, read_entry, key=lambda e: e[0].encode("latin-1")):
        if u16(tree, 0) != 0x293B:
            raise HelpFileError("bad B+ tree magic")
        page_size, root, levels = u16(tree, 4), u16(tree, 26), u16(tree, 32)
        total = u32(tree, 34)
        pages = tree[38:]
        page = root
        for _ in range(levels - 1):       # down the first children to the first leaf
            page = u16(pages, page * page_size + 4)
        entries = []
        while page != 0xFFFF:
            base = page * page_size
            if base + page_size > len(pages):
                raise HelpFileError("B+ tree page outside its file")
            at = base + 8
            for _ in range(i16(pages, base + 2)):
                entry, at = read_entry(pages, at)
                entries.append(entry)
            if at + u16(pages, base) != base + page_size:
                raise HelpFileError("B+ tree page's free byte count is wrong")
            page = u16(pages, base + 6)
        if len(entries) != total:
            raise HelpFileError(f"B+ tree holds {len(entries)} entries, header says {total}")
        keys = [key(e) for e in entries]
        if keys != sorted(keys) or len(set(keys)) != len(keys):
            raise HelpFileError("B+ tree entries are not in strictly rising order")
        return entries

    # |SYSTEM and |FONT ---------------------------------------------------------------

    def read_system(self):
        s = self.internal("|SYSTEM")
        magic, minor, major, self.date, flags = struct.unpack_from("<HHHIH", s, 0)
        if (magic, minor, major, flags) != (0x036C, 33, 1, 0):
            raise HelpFileError("|SYSTEM is not an uncompressed WinHelp 4 header")
        self.records = {}
        at = 12
        while at + 4 <= len(s):
            kind, size = u16(s, at), u16(s, at + 2)
            self.records.setdefault(kind, s[at + 4:at + 4 + size])
            at += 4 + size
        if at != len(s):
            raise HelpFileError("|SYSTEM records overrun the file")
        self.title = self.records.get(1, b"\x00").split(b"\x00")[0].decode("cp1252")
        self.contents_offset = u32(self.records[3], 0) if 3 in self.records else None

    def read_fonts(self):
        f = self.internal("|FONT")
        faces, self.font_count = u16(f, 0), u16(f, 2)
        if faces < 1 or u16(f, 4) != 8 or u16(f, 6) != 8 + 32 * faces:
            raise HelpFileError("bad |FONT header")
        if len(f) != u16(f, 6) + 11 * self.font_count:
            raise HelpFileError("|FONT size does not match its descriptors")

    # |TOPIC --------------------------------------------------------------------------

    def read_topics(self):
        t = self.internal("|TOPIC")
        if len(t) % 4096:
            raise HelpFileError("|TOPIC is not made of whole 4096-byte blocks")
        # A viewer joins the blocks' 4084-byte payloads into one stream.
        self.stream = b"".join(t[i + 12:i + 4096] for i in range(0, len(t), 4096))
        self.pages = []
        ref, block, chars, page = 12, None, 0, None
        seen = set()
        while ref != 0xFFFFFFFF:
            if ref in seen:
                raise HelpFileError("topic chain loops")
            seen.add(ref)
            index, offset = (ref - 12) >> 14, (ref - 12) & 0x3FFF
            at = index * 4084 + offset
            if offset >= 4084 or at + 21 > len(self.stream):
                raise HelpFileError(f"TOPICPOS {ref:#x} outside the topic stream")
            size, len2, _, nxt, len1, kind = struct.unpack_from("<IIIIIB", self.stream, at)
            if size != len1 + len2 or at + size > len(self.stream):
                raise HelpFileError(f"record at {ref:#x} has inconsistent sizes")
            if index != block:
                block, chars = index, 0
            data1 = self.stream[at + 21:at + len1]
            data2 = self.stream[at + len1:at + size]
            if kind == 0x02:
                page = Page(data2.decode("cp1252"), index * 0x8000 + chars, ref)
                self.pages.append(page)
            elif kind == 0x20:
                if page is None:
                    raise HelpFileError("text before the first topic")
                chars += self.read_paragraph(page, data1, data2)
            else:
                raise HelpFileError(f"unknown record type {kind:#x}")
            ref = nxt

    def read_paragraph(self, page, data1, data2):
        _, at = fetch_cslong(data1, 0)
        length, at = fetch_cushort(data1, at)
        if length != len(data2):
            raise HelpFileError(f"paragraph length {length} but {len(data2)} bytes of text")
        at += 4
        bits = u16(data1, at)
        at += 2
        for bit in (0x2, 0x4, 0x8, 0x10, 0x20, 0x40):
            if bits & bit:
                _, at = fetch_csshort(data1, at)
        strings = data2.split(b"\x00")
        text, label, in_jump = [], [], None
        for s in strings:
            piece = s.decode("cp1252")
            text.append(piece)
            if in_jump is not None:
                label.append(piece)
            if at >= len(data1):
                break
            code = data1[at]
            if code == 0xFF:
                at += 1
                break
            if code == 0x80:
                font = u16(data1, at + 1)
                if font >= self.font_count:
                    raise HelpFileError(f"font {font} has no descriptor")
                page.fonts.append(font)
                at += 3
            elif code == 0x82:
                at += 1
            elif code == 0xE3:
                in_jump, label = u32(data1, at + 1), []
                at += 5
            elif code == 0x89:
                if in_jump is None:
                    raise HelpFileError("end of jump without a jump")
                page.jumps.append(("".join(label), in_jump))
                in_jump = None
                at += 1
            else:
                raise HelpFileError(f"unexpected formatting command {code:#x}")
        if at != len(data1) or data1[at - 1] != 0xFF:
            raise HelpFileError("paragraph does not end with its end command")
        page.paragraphs.append("".join(text))
        return length

    # Look-ups as the viewer makes them ------------------------------------------------

    def read_map(self):
        m = self.internal("|CTXOMAP")
        count = u16(m, 0)
        if len(m) != 2 + 8 * count:
            raise HelpFileError("|CTXOMAP size does not match its count")
        self.map = [struct.unpack_from("<II", m, 2 + 8 * i) for i in range(count)]

    def page_by_offset(self, offset):
        found = None
        for p in self.pages:
            if p.offset <= offset and (found is None or found.offset < p.offset):
                found = p
        return found

    def page_by_number(self, number):
        for n, offset in self.map:
            if n == number:
                return self.page_by_offset(offset)
        return None

    def page_by_hash(self, value):
        offset = self.contexts.get(value)
        return None if offset is None else self.page_by_offset(offset)

    def contents_page(self):
        page = self.page_by_offset(self.contents_offset) if self.contents_offset is not None else None
        return page or self.pages[0]
