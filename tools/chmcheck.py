#!/usr/bin/env python3
"""Checks the HTML Help archive against the help source and the programs' context numbers.

usage: chmcheck.py SOURCE ARCHIVE.chm HEADER...

Fails when a topic's page is missing from the archive, when no page holds the licence
text (data/license.txt beside the source's folder), or when a context number that a HEADER names (lines "#define IDH_... N" or
"k...Topic/kHelp... = N") has no page. chmls (fp-utils) reads the archive.
"""
import html
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import helpfile  # noqa: E402

NUMBER_IN_CODE = re.compile(r"^\s*(?:#define\s+IDH_\w+\s+|.*\bk(?:Help|Installed)\w*\s*=\s*)(\d+)\b", re.M)


def squeeze(text):
    return " ".join(text.split())


def check(source_path, chm, headers):
    with open(source_path, encoding="utf-8") as f:
        source = helpfile.parse_source(f.read(), os.path.dirname(os.path.abspath(source_path)))
    faults = []
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["chmls", "extractall", chm, tmp], check=True, capture_output=True)
        pages = {}
        for name in os.listdir(tmp):
            if name.lower().endswith(".html"):
                with open(os.path.join(tmp, name), "rb") as f:
                    text = html.unescape(re.sub(r"<[^>]+>", " ", f.read().decode("cp1252")))
                pages[name.lower()] = squeeze(text)
    for t in source.topics:
        page = pages.get(helpfile.page_name(t))
        if page is None:
            faults.append(f"page {helpfile.page_name(t)} ({t.title}) missing")
        elif squeeze(t.title) not in page:
            faults.append(f"page {helpfile.page_name(t)} lacks its title")
    numbers = {n for t in source.topics for n in t.numbers}
    for header in headers:
        with open(header, encoding="utf-8") as f:
            for n in NUMBER_IN_CODE.findall(f.read()):
                if int(n) not in numbers:
                    faults.append(f"{os.path.basename(header)}: context {n} has no page")
    licence_file = os.path.join(os.path.dirname(os.path.abspath(source_path)), "..", "license.txt")
    with open(licence_file, encoding="utf-8-sig") as f:
        licence = squeeze(f.read().replace("{", "(").replace("}", ")"))
    if not any(licence in text for text in pages.values()):
        faults.append("the licence text is in no page")
    return faults


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    faults = check(argv[1], argv[2], argv[3:])
    for fault in faults:
        print(f"{argv[2]}: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
