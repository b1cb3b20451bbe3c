"""Tests of the help file generator (tools/helpfile.py), read back with helpfile_reader."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
sys.path.insert(0, HERE)

import helpfile                                  # noqa: E402
from helpfile_reader import HelpFile             # noqa: E402

SOURCE = os.path.join(ROOT, "data", "help", "mailwick.txt")
LICENSE = os.path.join(ROOT, "data", "license.txt")

# The numbers the programs open, with a word the topic's title must hold: the options
# sheet's pages and controls (by their labels) and the installer's topic.
EXPECTED_TOPICS = {
    1100: "Server", 1101: "Username", 1102: "Password", 1103: "Offline", 1104: "Online",
    1105: "checking mode", 1106: "do not use Dial-Up", 1107: "I use Dial-Up",
    1108: "Dial-Up Networking connection", 1109: "existing connection", 1110: "Disconnect",
    1111: "Alarm", 1112: "wave file", 1113: "dialog box", 1114: "Test", 1115: "Run mail client",
    1116: "Mail client", 1117: "Mail client", 1126: "Do not disconnect", 1130: "establishes DUN",
    1140: "Windows start-up", 1141: "Alarm sound file", 1142: "Sound file",
    1143: "alarm sound", 1144: "Browse for the sound file", 1147: "Autoconfig", 1150: "Security", 1151: "Port",
    1152: "balloon",
    1200: "installed", 1430: "Account", 1431: "Connection", 1432: "Checking",
    1433: "Notifications",
}


def build_file(source_path, out_dir, name="out.hlp"):
    out = os.path.join(out_dir, name)
    result = subprocess.run([sys.executable, os.path.join(ROOT, "tools", "helpfile.py"), source_path, out],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise AssertionError(result.stderr)
    with open(out, "rb") as f:
        return f.read()


class ShippedHelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.data = build_file(SOURCE, cls.tmp.name)
        cls.help = HelpFile(cls.data)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_every_context_number_opens_its_own_topic(self):
        self.assertEqual(sorted(n for n, _ in self.help.map), sorted(EXPECTED_TOPICS))
        for number, word in EXPECTED_TOPICS.items():
            page = self.help.page_by_number(number)
            self.assertIsNotNone(page, number)
            self.assertIn(word.lower(), page.title.lower(), number)
            # The page's text starts with its heading, so the viewer shows what it opened.
            self.assertEqual(page.paragraphs[0], page.title)
        self.assertIsNone(self.help.page_by_number(1199))

    def test_contents_topic_reaches_every_topic(self):
        contents = self.help.contents_page()
        self.assertEqual(contents.title, "Mailwick Help")
        self.assertEqual(self.help.title, "Mailwick Help")
        reached, todo = {contents.title}, [contents]
        while todo:
            page = todo.pop()
            for label, target in page.jumps:
                found = self.help.page_by_hash(target)
                self.assertIsNotNone(found, f"{page.title}: jump {label!r} leads nowhere")
                if found.title not in reached:
                    reached.add(found.title)
                    todo.append(found)
        # Every page but the closing empty one can be reached from the contents.
        self.assertEqual(reached, {p.title for p in self.help.pages if p.title})

    def test_license_topic_holds_license_txt(self):
        with open(LICENSE, encoding="ascii") as f:
            text = f.read()
        expected = [" ".join(line.strip() for line in block.splitlines() if line.strip())
                    for block in text.replace("\r\n", "\n").split("\n\n") if block.strip()]
        page = next(p for p in self.help.pages if p.title == "License")
        self.assertEqual(page.paragraphs[1:], expected)

    def test_two_builds_are_byte_identical(self):
        again = build_file(SOURCE, self.tmp.name, "again.hlp")
        self.assertEqual(again, self.data)


class GeneratorRoundTrip(unittest.TestCase):
    def make(self, text):
        return HelpFile(helpfile.build(helpfile.parse_source(text)))

    def test_titles_text_and_jumps_round_trip_across_topic_blocks(self):
        # Enough text for several 4 KB topic blocks, so positions and offsets are
        # computed across block boundaries, with records running on into the next block.
        lines = ["title: Round trip", ""]
        for i in range(60):
            lines += [f"== t{i} {2000 + i} | Topic {i} caf\u00e9 {{braces}}", "",
                      f"Paragraph of topic {i}: " + "word " * (7 * i % 40) + "end.", "",
                      f"- item with a {{jump to {i + 1}|t{(i + 1) % 60}}} and back\\slash", ""]
        help = self.make("\n".join(lines))
        self.assertGreater(len(help.stream), 3 * 4084)
        for i in range(60):
            page = help.page_by_number(2000 + i)
            self.assertEqual(page.title, f"Topic {i} caf\u00e9 {{braces}}")
            self.assertEqual(page.paragraphs, [
                page.title,
                f"Paragraph of topic {i}: " + "word " * (7 * i % 40) + "end.",
                f"\u2022 item with a jump to {i + 1} and back\\slash"])
            self.assertEqual(page.jumps, [(f"jump to {i + 1}", helpfile.context_hash(f"t{(i + 1) % 60}"))])
            self.assertIs(help.page_by_hash(helpfile.context_hash(f"t{i}")), page)
        self.assertEqual(help.contents_page().title, "Topic 0 caf\u00e9 {braces}")

    def test_context_hash_follows_the_viewers_table(self):
        # Letters 17..42 without regard to case, '1'..'9' 1..9, '0' 10, '.' 12, '_' 13.
        self.assertEqual(helpfile.context_hash("IDH_1"), (((25 * 43 + 20) * 43 + 24) * 43 + 13) * 43 + 1)
        self.assertEqual(helpfile.context_hash("Ab.9_0"), helpfile.context_hash("aB.9_0"))
        self.assertEqual(helpfile.context_hash("x0."), (40 * 43 + 10) * 43 + 12)
        # Long names wrap at 32 bits, as the viewer's signed arithmetic does.
        long_name = "options_notifications_page"
        expected = 0
        for ch in long_name:
            expected = expected * 43 + (13 if ch == "_" else ord(ch) - ord("a") + 17)
        self.assertEqual(helpfile.context_hash(long_name), expected % (1 << 32))

    def test_bad_sources_are_refused(self):
        cases = {
            "duplicate number": "== a 5 | A\n== b 5 | B\n",
            "unknown jump": "== a | A\n\nsee {this|nowhere}\n",
            "bad context name": "== a-b | A\n",
            "duplicate name": "== a | A\n== A | B\n",
            "no Windows-1252 form": "== a | A\n\n\u4e2d\n",
            "no topic": "title: x\n",
            "bad header": "colour: red\n== a | A\n",
        }
        for what, text in cases.items():
            with self.subTest(what):
                with self.assertRaises(helpfile.HelpSourceError):
                    helpfile.build(helpfile.parse_source(text))

    def test_command_line_reports_errors_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "bad.txt")
            with open(src, "w") as f:
                f.write("== a | A\n\n@include missing.txt\n")
            out = os.path.join(tmp, "out.hlp")
            result = subprocess.run([sys.executable, os.path.join(ROOT, "tools", "helpfile.py"), src, out],
                                    capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            self.assertIn("missing.txt", result.stderr)
            self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
