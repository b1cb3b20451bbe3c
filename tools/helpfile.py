#!/usr/bin/env python3
"""Builds the WinHelp 4 help file from its readable source.

usage: helpfile.py SOURCE OUT.hlp | --html SOURCE DIR | --pages SOURCE OUT.cpp

The source is plain text (UTF-8; the file is written in Windows-1252):

    # a comment line
    title: Mailwick Help            header lines, before the first topic
    copyright: ...
    date: 1997-12-07                the file's generation date (keeps builds identical)

    == contents | Mailwick Help     a topic: context name, optional context numbers, title
    == server 1100 | Server         (the title is also the topic's heading)

    A paragraph runs to the next blank line; its lines are joined.
    A {jump|server} shows "jump" and opens the topic named server.

    - a list item
    @include license.txt            the paragraphs of another file, relative to SOURCE

The file is uncompressed (4 KB topic blocks, no phrases) and holds the internal files
|SYSTEM, |TOPIC, |FONT, |CONTEXT (context names), |CTXOMAP (context numbers) and
|TTLBTREE (titles). The first topic is the contents topic.

--html writes the same topics as one HTML page each (NAME.html), with the project
(mailwick.hhp) and contents (mailwick.hhc) files an HTML Help compiler takes. --pages
writes the programs' table from context number to page, so the HTML Help archive needs
no context map of its own.
"""
import datetime
import html
import os
import re
import struct
import sys

BLOCK_SIZE = 4096
BLOCK_DATA = BLOCK_SIZE - 12          # each topic block starts with a 12-byte header
TOPICLINK_HEADER = 21
NO_LINK = 0xFFFFFFFF

FONT_FACES = ["Arial"]
# (attributes, half-points, family, face): 0 body text, 1 topic heading.
FONTS = [(0, 20, 3, 0), (1, 28, 3, 0)]
BODY_FONT, HEADING_FONT = 0, 1

PARA_SPACE_ABOVE = 0x0002
PARA_LEFT_INDENT = 0x0010
PARA_FIRST_INDENT = 0x0040

CONTEXT_NAME = re.compile(r"^[A-Za-z0-9._]+$")
LINK = re.compile(r"\{([^{}|]+)\|([^{}|]+)\}")


class HelpSourceError(Exception):
    pass


# ---------------------------------------------------------------------------------------
# Reading the source

class Paragraph:
    def __init__(self, text, bullet=False):
        self.text = text
        self.bullet = bullet


class Topic:
    def __init__(self, name, numbers, title, line):
        self.name = name
        self.numbers = numbers
        self.title = title
        self.line = line
        self.paragraphs = []


class HelpSource:
    def __init__(self):
        self.title = ""
        self.copyright = ""
        self.date = 0
        self.topics = []


def context_hash(name):
    """The help compiler's hash of a context name, as an unsigned 32-bit value."""
    value = 0
    for ch in name:
        if "A" <= ch <= "Z" or "a" <= ch <= "z":
            x = ord(ch.upper()) - ord("A") + 17
        elif "1" <= ch <= "9":
            x = ord(ch) - ord("0")
        elif ch == "0":
            x = 10
        elif ch == ".":
            x = 12
        elif ch == "_":
            x = 13
        else:
            raise HelpSourceError(f"context name {name!r}: character {ch!r} not allowed")
        value = (value * 43 + x) & 0xFFFFFFFF
    return value


def signed32(value):
    return value - (1 << 32) if value & 0x80000000 else value


def split_paragraphs(lines):
    """Blank-line separated blocks; a line starting with "- " starts a list item."""
    paragraphs, current, bullet = [], [], False

    def flush():
        nonlocal current, bullet
        if current:
            paragraphs.append(Paragraph(" ".join(current), bullet))
        current, bullet = [], False

    for line in lines:
        line = line.strip()
        if not line:
            flush()
        elif line.startswith("- "):
            flush()
            current, bullet = [line[2:].strip()], True
        else:
            current.append(line)
    flush()
    return paragraphs


def read_included(path):
    try:
        with open(path, encoding="utf-8-sig") as f:
            text = f.read()
    except OSError as e:
        raise HelpSourceError(f"cannot include {path}: {e.strerror}")
    # Included text is shown as it is: a brace there is no jump.
    return [Paragraph(p.text.replace("{", "(").replace("}", ")"), p.bullet)
            for p in split_paragraphs(text.splitlines())]


def parse_source(text, base_dir="."):
    source = HelpSource()
    topic = None
    body = []

    def end_topic():
        if topic is not None:
            topic.paragraphs.extend(split_paragraphs(body))
            body.clear()

    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        where = f"line {number}"
        if line.startswith("#"):
            continue
        if line.startswith("=="):
            end_topic()
            head, sep, title = line[2:].partition("|")
            fields = head.split()
            if not sep or not fields or not title.strip():
                raise HelpSourceError(f"{where}: a topic line is '== name [numbers] | title'")
            name, numbers = fields[0], fields[1:]
            if not CONTEXT_NAME.match(name):
                raise HelpSourceError(f"{where}: context name {name!r} may hold only A-Z a-z 0-9 . _")
            if not all(n.isdigit() for n in numbers):
                raise HelpSourceError(f"{where}: context numbers must be whole numbers")
            topic = Topic(name, [int(n) for n in numbers], title.strip(), number)
            source.topics.append(topic)
            continue
        if topic is None:
            if not line.strip():
                continue
            key, sep, value = line.partition(":")
            key, value = key.strip(), value.strip()
            if not sep or key not in ("title", "copyright", "date"):
                raise HelpSourceError(f"{where}: expected 'title:', 'copyright:', 'date:' or a topic")
            if key == "date":
                try:
                    day = datetime.date.fromisoformat(value)
                except ValueError:
                    raise HelpSourceError(f"{where}: date is YYYY-MM-DD")
                source.date = int(datetime.datetime(day.year, day.month, day.day,
                                                    tzinfo=datetime.timezone.utc).timestamp())
            else:
                setattr(source, key, value)
            continue
        if line.startswith("@include "):
            end_topic()
            topic.paragraphs.extend(read_included(os.path.join(base_dir, line[9:].strip())))
            continue
        body.append(line)
    end_topic()
    check_source(source)
    return source


def check_source(source):
    if not source.topics:
        raise HelpSourceError("the source holds no topic")
    names, hashes, numbers = {}, {}, {}
    for t in source.topics:
        where = f"line {t.line}"
        if t.name.lower() in names:
            raise HelpSourceError(f"{where}: context name {t.name!r} used twice")
        names[t.name.lower()] = t
        h = context_hash(t.name)
        if h in hashes:
            raise HelpSourceError(f"{where}: context name {t.name!r} has the hash of {hashes[h].name!r}")
        hashes[h] = t
        for n in t.numbers:
            if n in numbers:
                raise HelpSourceError(f"{where}: context number {n} used twice")
            if n > 0xFFFFFFFF:
                raise HelpSourceError(f"{where}: context number {n} too large")
            numbers[n] = t
    for t in source.topics:
        for p in t.paragraphs:
            for _, target in LINK.findall(p.text):
                if target.strip().lower() not in names:
                    raise HelpSourceError(f"topic {t.name!r}: jump to unknown topic {target.strip()!r}")


# ---------------------------------------------------------------------------------------
# Compressed numbers and records

def cushort(value):
    if value < 0x80:
        return bytes([value * 2])
    if value < 0x8000:
        return bytes([value % 128 * 2 + 1, value // 128])
    raise HelpSourceError(f"paragraph too long ({value} bytes)")


def csshort(value):
    return cushort(value + 64 if -64 <= value < 64 else value + 16384)


def cslong(value):
    if not -16384 <= value < 16384:
        raise HelpSourceError(f"paragraph too long ({value} bytes of formatting)")
    return struct.pack("<H", (value + 16384) * 2)


def encode(text, where):
    try:
        return text.encode("cp1252")
    except UnicodeEncodeError as e:
        raise HelpSourceError(f"{where}: {text[e.start:e.end]!r} has no Windows-1252 form")


class Record:
    """One TOPICLINK: a topic header (type 2) or a paragraph of text (type 0x20)."""

    def __init__(self, kind, data1, data2, topic=None):
        self.kind = kind
        self.data1 = data1
        self.data2 = data2
        self.topic = topic
        self.pos = 0            # TOPICPOS: where the record starts
        self.offset = 0         # TOPICOFFSET: block * 0x8000 + characters before it in the block

    @property
    def size(self):
        return TOPICLINK_HEADER + len(self.data1) + len(self.data2)


class ParagraphBuilder:
    """Text goes to LinkData2; every formatting command in LinkData1 ends one string of it."""

    def __init__(self, bits=0, attrs=()):
        self.info = b"\x00\x80" + struct.pack("<HH", 0, bits) + b"".join(csshort(a) for a in attrs)
        self.commands = bytearray()
        self.text = bytearray()

    def command(self, code):
        self.text += b"\x00"
        self.commands += code

    def font(self, number):
        self.command(struct.pack("<BH", 0x80, number))

    def add(self, text):
        self.text += text

    def record(self):
        self.command(b"\x82")
        self.command(b"\xff")
        body = self.info + bytes(self.commands)
        text = bytes(self.text)
        return Record(0x20, cslong(len(body)) + cushort(len(text)) + body, text)


def paragraph_records(topic, hashes):
    where = f"topic {topic.name!r}"
    heading = ParagraphBuilder()
    heading.font(HEADING_FONT)
    heading.add(encode(topic.title, where))
    records = [heading.record()]
    for p in topic.paragraphs:
        if p.bullet:
            b = ParagraphBuilder(PARA_SPACE_ABOVE | PARA_LEFT_INDENT | PARA_FIRST_INDENT, (6, 24, -12))
        else:
            b = ParagraphBuilder(PARA_SPACE_ABOVE, (12,))
        b.font(BODY_FONT)
        if p.bullet:
            b.add(b"\x95 ")
        pos = 0
        for m in LINK.finditer(p.text):
            b.add(encode(p.text[pos:m.start()], where))
            b.command(b"\xe3" + struct.pack("<I", hashes[m.group(2).strip().lower()]))
            b.add(encode(m.group(1), where))
            b.command(b"\x89")
            pos = m.end()
        b.add(encode(p.text[pos:], where))
        records.append(b.record())
    return records


def topic_header(topic, title):
    # LinkData1 is filled in by layout_topics, once the positions are known.
    return Record(0x02, bytes(28), title, topic)


def layout_topics(records):
    """Gives every record its TOPICPOS and TOPICOFFSET and fills in the topic headers.

    The records are one stream cut into 4084-byte block payloads (a record may run on
    into the next block). TOPICPOS = block * 0x4000 + 12 + offset in the payload;
    TOPICOFFSET = block * 0x8000 + the text lengths of the paragraphs that start earlier
    in that block, which is what a viewer counts when it reads the file."""
    stream, block, chars = 0, 0, 0
    for r in records:
        b, off = divmod(stream, BLOCK_DATA)
        if b != block:
            block, chars = b, 0
        r.pos = b * 0x4000 + 12 + off
        r.offset = b * 0x8000 + chars
        if r.kind == 0x20:
            chars += len(r.data2)
        stream += r.size
    headers = [i for i, r in enumerate(records) if r.kind == 0x02]
    for n, i in enumerate(headers):
        r = records[i]
        following = headers[n + 1] if n + 1 < len(headers) else None
        end = following if following is not None else len(records)
        scroll = records[i + 1].pos if i + 1 < end else NO_LINK
        next_topic = records[following].pos if following is not None else NO_LINK
        size = sum(x.size for x in records[i + 1:end])
        r.data1 = struct.pack("<7I", size, NO_LINK, NO_LINK, n, NO_LINK, scroll, next_topic)
    return stream


def topic_file(records):
    length = layout_topics(records)
    payload = bytearray()
    for i, r in enumerate(records):
        prev_pos = records[i - 1].pos if i else NO_LINK
        next_pos = records[i + 1].pos if i + 1 < len(records) else NO_LINK
        payload += struct.pack("<IIIIIB", r.size, len(r.data2), prev_pos, next_pos,
                               TOPICLINK_HEADER + len(r.data1), r.kind)
        payload += r.data1 + r.data2
    assert len(payload) == length
    blocks = (length + BLOCK_DATA - 1) // BLOCK_DATA
    # A viewer copies whole payloads, so the last block is padded to full size too.
    payload += bytes(blocks * BLOCK_DATA - length)
    out = bytearray()
    for b in range(blocks):
        start, end = b * BLOCK_DATA, (b + 1) * BLOCK_DATA
        before = [r for r in records if (r.pos - 12) >> 14 < b]
        inside = [r for r in records if (r.pos - 12) >> 14 == b]
        last_link = before[-1].pos if before else NO_LINK
        first_link = inside[0].pos if inside else NO_LINK
        headers = [r for r in before if r.kind == 0x02]
        last_header = headers[-1].pos if headers else NO_LINK
        out += struct.pack("<III", last_link, first_link, last_header) + payload[start:end]
    return bytes(out)


# ---------------------------------------------------------------------------------------
# The other internal files

def btree(structure, entries, page_size, flags):
    """A B+ tree of one leaf page; `entries` are the leaf entries in key order."""
    body = b"".join(entries)
    free = page_size - 8 - len(body)
    if free < 0:
        raise HelpSourceError(f"too many entries for one {structure} page")
    header = struct.pack("<HHH16shhhhhhI", 0x293B, flags, page_size, structure.encode(),
                         0, 0, 0, -1, 1, 1, len(entries))
    page = struct.pack("<Hhhh", free, len(entries), -1, -1) + body + bytes(free)
    return header + page


def system_file(source, contents_offset):
    out = struct.pack("<HHHIH", 0x036C, 33, 1, source.date, 0)

    def record(kind, data):
        return struct.pack("<HH", kind, len(data)) + data

    out += record(1, encode(source.title, "title") + b"\x00")
    if source.copyright:
        out += record(2, encode(source.copyright, "copyright") + b"\x00")
    out += record(3, struct.pack("<I", contents_offset))
    out += record(9, bytes(8) + b"\x09\x04")          # US English
    out += record(11, b"\x00\x00\x00\x02\x00")        # ANSI character set
    return out


def font_file():
    faces = b"".join(encode(f, "font").ljust(32, b"\x00") for f in FONT_FACES)
    descriptors = b"".join(struct.pack("<BBBH3s3s", attr, half, family, face, bytes(3), bytes(3))
                           for attr, half, family, face in FONTS)
    return struct.pack("<HHHH", len(FONT_FACES), len(FONTS), 8, 8 + len(faces)) + faces + descriptors


def container(files):
    """The help file: header, the internal files, then the directory that names them."""
    names = sorted(files, key=lambda n: n.encode())
    out = bytearray(16)
    offsets = {}
    for name in names:
        offsets[name] = len(out)
        data = files[name]
        out += struct.pack("<IIB", len(data) + 9, len(data), 0) + data
    directory = btree("z4", [n.encode() + b"\x00" + struct.pack("<I", offsets[n]) for n in names],
                      0x400, 0x0402)
    directory_at = len(out)
    out += struct.pack("<IIB", len(directory) + 9, len(directory), 0) + directory
    out[0:16] = struct.pack("<IiiI", 0x00035F3F, directory_at, -1, len(out))
    return bytes(out)


def build(source):
    hashes = {t.name.lower(): context_hash(t.name) for t in source.topics}
    records = []
    for t in source.topics:
        records.append(topic_header(t, encode(t.title, f"topic {t.name!r}")))
        records.extend(paragraph_records(t, hashes))
    # Help compilers end the chain with an empty topic header.
    records.append(Record(0x02, bytes(28), b""))
    topic = topic_file(records)
    offset = {r.topic.name: r.offset for r in records if r.topic is not None}

    contexts = sorted(source.topics, key=lambda t: signed32(context_hash(t.name)))
    context = btree("L4", [struct.pack("<II", context_hash(t.name), offset[t.name]) for t in contexts],
                    0x800, 0x0002)
    numbered = sorted((n, offset[t.name]) for t in source.topics for n in t.numbers)
    ctxomap = struct.pack("<H", len(numbered)) + b"".join(struct.pack("<II", n, o) for n, o in numbered)
    titles = btree("Lz", [struct.pack("<I", offset[t.name]) + encode(t.title, "title") + b"\x00"
                          for t in source.topics], 0x800, 0x0002)
    return container({
        "|CONTEXT": context,
        "|CTXOMAP": ctxomap,
        "|FONT": font_file(),
        "|SYSTEM": system_file(source, offset[source.topics[0].name]),
        "|TOPIC": topic,
        "|TTLBTREE": titles,
    })


# ---------------------------------------------------------------------------------------
# The same topics as HTML pages, for an HTML Help archive

PROJECT = "mailwick"


def page_name(topic):
    return topic.name.lower() + ".html"


def html_paragraph(p, pages):
    parts, pos = [], 0
    for m in LINK.finditer(p.text):
        parts.append(html.escape(p.text[pos:m.start()]))
        parts.append(f'<a href="{pages[m.group(2).strip().lower()]}">{html.escape(m.group(1))}</a>')
        pos = m.end()
    parts.append(html.escape(p.text[pos:]))
    return "".join(parts)


def html_page(topic, pages):
    lines = ['<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1252">',
             f"<title>{html.escape(topic.title)}</title>",
             '<style>body{font-family:Arial,sans-serif;font-size:10pt}</style></head><body>',
             f"<h1>{html.escape(topic.title)}</h1>"]
    in_list = False
    for p in topic.paragraphs:
        if p.bullet != in_list:
            lines.append("<ul>" if p.bullet else "</ul>")
            in_list = p.bullet
        lines.append(("<li>" if p.bullet else "<p>") + html_paragraph(p, pages) + ("</li>" if p.bullet else "</p>"))
    if in_list:
        lines.append("</ul>")
    lines.append("</body></html>")
    return encode("\n".join(lines) + "\n", f"topic {topic.name!r}")


def html_files(source):
    """File name -> bytes: every page, the contents file and the project."""
    pages = {t.name.lower(): page_name(t) for t in source.topics}
    files = {page_name(t): html_page(t, pages) for t in source.topics}
    toc = ['<html><body><object type="text/site properties"></object><ul>']
    for t in source.topics:
        toc.append(f'<li><object type="text/sitemap"><param name="Name" value="{html.escape(t.title)}">'
                   f'<param name="Local" value="{page_name(t)}"></object></li>')
    toc.append("</ul></body></html>")
    files[PROJECT + ".hhc"] = encode("\n".join(toc) + "\n", "contents")
    # No [MAP] or [ALIAS]: the programs open pages by name.
    project = ["[OPTIONS]", f"Compiled file={PROJECT}.chm", f"Contents file={PROJECT}.hhc",
               f"Default topic={page_name(source.topics[0])}", f"Title={source.title}",
               "Language=0x409 English (United States)", "Default Font=Arial,10,0", "", "[FILES]"]
    project += [page_name(t) for t in source.topics]
    files[PROJECT + ".hhp"] = encode("\r\n".join(project) + "\r\n", "project")
    return files


def pages_table(source):
    """C++ source of the table from context number to page, and the contents page."""
    numbered = sorted((n, page_name(t)) for t in source.topics for n in t.numbers)
    rows = "".join(f'    {{{n}, "{page}"}},\n' for n, page in numbered)
    return ("// Made by tools/helpfile.py from the help source; do not edit.\n"
            '#include "common/help_viewer.h"\n\nnamespace mailwick {\n\n'
            f'const char kHelpContentsPage[] = "{page_name(source.topics[0])}";\n'
            f"const HelpPage kHelpPages[] = {{\n{rows}}};\n"
            "const std::size_t kHelpPageCount = sizeof kHelpPages / sizeof kHelpPages[0];\n\n"
            "}  // namespace mailwick\n")


def write_atomic(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    mode = argv[1] if len(argv) == 4 and argv[1] in ("--html", "--pages") else None
    if len(argv) != (4 if mode else 3):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    source_path, out_path = argv[-2], argv[-1]
    try:
        with open(source_path, encoding="utf-8") as f:
            source = parse_source(f.read(), os.path.dirname(os.path.abspath(source_path)))
        if mode == "--html":
            os.makedirs(out_path, exist_ok=True)
            for name, data in html_files(source).items():
                write_atomic(os.path.join(out_path, name), data)
            return 0
        data = pages_table(source).encode() if mode == "--pages" else build(source)
    except (HelpSourceError, OSError) as e:
        print(f"{source_path}: {e}", file=sys.stderr)
        return 1
    write_atomic(out_path, data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
