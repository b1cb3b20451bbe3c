#!/usr/bin/env python3
"""The whole checker at scale: the real mailwick.exe under Wine against a private Dovecot
holding 1,000, 10,000 (and, when asked, 100,000) generated messages.

For each size it times, in the same run:
  - the floors, a plain client (Python's poplib) doing the check's dialogue: USER, PASS,
    STAT, LIST, UIDL and every TOP n 0 one at a time, then QUIT ("seq."); the same with
    CAPA and the TOPs sent a window at a time as the checker sends them ("pipel."); and
    the same without the TOPs ("L+U");
  - the checker's first check (no "UIDL" file, every message new) and its steady check
    (nothing new), from the Check Now command to the saved scan ("saved") and to the tray
    call that shows the check over ("idle"), measured by checker_driver.exe (the registry's
    change notice reaches the driver a little later than that tray call, so "idle" may read
    a fraction of a millisecond below "saved");
and prints a table with the ratios of the first check to the pipelined floor and of the
steady check to the L+U floor, the peak working set and the working set left once the
checks are done ("idle mem", with the first checks' new-mail dialog still open; "closed",
once it is closed). Not a test: figures to compare.

usage: bench/checker_wine.py [--build DIR] [--ip ADDRESS] [--runs N] [COUNT...]
       (default build/win64, counts 1000 10000)
"""
import argparse
import hashlib
import os
import poplib
import pwd
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
USER, PASSWORD = "mailwick", "secret"

NAMES = ["Ann Archer", "Bob Baker", "Cid Cooper", "Dee Draper",
         "Eve Evans", "Fay Fisher", "Gus Grant", "Hal Hughes"]
WORDS = ["meeting", "invoice", "holiday", "report", "draft",
         "lunch", "release", "question", "photos", "minutes"]
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]


def make_message(n):
    """A message as a mail system would deliver it: a few hops, the usual fields."""
    date = "%s, %02d %s 2023 %02d:%02d:%02d +0100" % (
        DAYS[n % 7], 1 + n % 28, MONTHS[n % 6], n % 24, n % 60, (n * 7) % 60)
    m = "Return-Path: <user%d@example.org>\r\n" % (n % 97)
    m += "Delivered-To: mailwick@example.net\r\n"
    m += ("Received: from mx%d.example.net (mx.example.net [192.0.2.25])\r\n"
          "\tby pop.example.net with ESMTPS id %d\r\n\tfor <mailwick@example.net>; %s\r\n"
          % (n % 5, 1000000 + n, date))
    m += ("Received: from client.example.org ([198.51.100.7])\r\n"
          "\tby smtp.example.org with ESMTPSA; %s\r\n" % date)
    m += "From: %s <user%d@example.org>\r\n" % (NAMES[n % 8], n % 97)
    m += "To: Mailwick User <mailwick@example.net>\r\n"
    if n % 3 == 0:
        m += "Cc: team@example.org\r\n"
    m += "Subject: Re: %s %s number %d\r\n" % (WORDS[n % 10], WORDS[(n // 10) % 10], n)
    m += "Date: %s\r\nMessage-ID: <%d.bench@example.org>\r\n" % (date, n)
    m += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
    for line in range(4 + n % 6):
        m += "Line %d of the message body, some ordinary text.\r\n" % line
    return m.encode()


def fill_maildir(maildir, count):
    """Straight into cur/ with the sizes in the names, as a delivery agent would."""
    nobody = pwd.getpwnam("nobody")
    cur = os.path.join(maildir, "cur")
    for n in range(1, count + 1):
        m = make_message(n)
        name = "1700000000.M%dP1.bench,S=%d,W=%d:2,S" % (n, len(m), len(m))
        path = os.path.join(cur, name)
        with open(path, "wb") as f:
            f.write(m)
        os.chown(path, nobody.pw_uid, nobody.pw_gid)


def pipeline_window():
    """The checker's own window of TOP commands, read from its header."""
    with open(os.path.join(ROOT, "pop3/pop3_session.h")) as f:
        return int(re.search(r"kPipelineWindow = (\d+);", f.read()).group(1))


def floor(ip, count, tops, window=1):
    start = time.perf_counter()
    p = poplib.POP3(ip, 110)
    p.user(USER)
    p.pass_(PASSWORD)
    p.stat()
    p.list()
    p.uidl()
    if tops and window == 1:
        for n in range(1, count + 1):
            p.top(n, 0)
    elif tops:
        p.capa()
        for first in range(1, count + 1, window):
            numbers = range(first, min(count, first + window - 1) + 1)
            p.sock.sendall(b"".join(b"TOP %d 0\r\n" % n for n in numbers))
            for _ in numbers:
                p._getlongresp()
    p.quit()
    return time.perf_counter() - start


def dovecot(*args):
    subprocess.run(["bash", os.path.join(ROOT, "tests/fixtures/dovecot.sh")] + list(args), check=True)


def tree_address(build, host):
    """An address on the build tree's own loopback network, as the tests' CMake sets it
    up (127.A.B from the tree's path), so the benchmark meets no other checkout's server."""
    h = hashlib.md5(build.encode()).hexdigest()
    return "127.%d.%d.%d" % (int(h[0:2], 16) % 254 + 1, int(h[2:4], 16), host)


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def run_size(args, env_dir, count):
    server_dir = os.path.join(env_dir, "dovecot-%s" % args.ip)
    dovecot("start", server_dir, args.ip, USER, PASSWORD)
    try:
        maildir = os.path.join(server_dir, "home", USER, "Maildir")
        fill_maildir(maildir, count)
        floor(args.ip, count, False)  # the server's first session indexes the mailbox
        full = statistics.median(floor(args.ip, count, True) for _ in range(args.runs))
        pipelined = statistics.median(floor(args.ip, count, True, args.window) for _ in range(args.runs))
        listing = statistics.median(floor(args.ip, count, False) for _ in range(max(3, args.runs)))

        work = os.path.join(env_dir, "work")
        shutil.rmtree(work, ignore_errors=True)
        os.makedirs(work)
        load_before = loadavg()
        out = subprocess.run(
            [os.path.join(ROOT, "tests/win/wine-run.sh"), env_dir,
             os.path.join(args.build, "bench-bin", "checker_driver.exe"),
             wine_path(os.path.join(args.build, "bin", "mailwick.exe")), wine_path(work), args.ip,
             str(args.runs), str(max(3, args.runs))],
            capture_output=True, text=True)
        figures = {}
        keys = ("first_saved", "first_idle", "steady_saved", "steady_idle", "peak_memory_kib", "idle_memory_kib",
                "closed_memory_kib")
        for line in out.stdout.splitlines():
            parts = line.split()
            if len(parts) == 2 and parts[0] in keys:
                figures[parts[0]] = parts[1]
        print(out.stdout, file=sys.stderr)
        if "first_saved" not in figures:
            sys.exit("checker_driver failed: %s\n%s" % (out.stdout, out.stderr))
        uidl_size = os.path.getsize(os.path.join(work, "UIDL"))
        return dict(count=count, full=full, pipelined=pipelined, listing=listing, uidl=uidl_size,
                    load="%s / %s" % (load_before, loadavg()),
                    **{k: float(v) for k, v in figures.items()})
    finally:
        dovecot("stop", server_dir)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build/win64"))
    ap.add_argument("--ip", help="server address (default: host 200 of the build tree's test network)")
    ap.add_argument("--runs", type=int, default=3, help="first checks per size (median)")
    ap.add_argument("counts", nargs="*", type=int, default=[1000, 10000])
    args = ap.parse_args()
    args.window = pipeline_window()
    args.build = os.path.abspath(args.build)
    if not args.ip:
        args.ip = tree_address(args.build, 200)

    env_dir = os.path.join(args.build, "bench-checker")
    wine_env = os.path.join(ROOT, "tests/win/wine-env.sh")
    subprocess.run([wine_env, "start", env_dir], check=True)
    rows = []
    try:
        for count in args.counts:
            rows.append(run_size(args, env_dir, count))
            r = rows[-1]
            print("%d messages done (load %s)" % (count, r["load"]), file=sys.stderr)
    finally:
        subprocess.run([wine_env, "stop", env_dir])

    print("%8s | %9s %9s %9s %6s %9s | %9s %9s %6s %9s | %9s %9s %9s %9s" % (
        "messages", "floor", "floor", "first", "ratio", "1st idle", "floor", "steady", "ratio", "st. idle",
        "UIDL", "peak mem", "idle mem", "closed"))
    print("%8s | %9s %9s %9s %6s %9s | %9s %9s %6s %9s | %9s %9s %9s %9s" % (
        "", "seq.", "pipel.%d" % args.window, "saved", "", "", "L+U", "saved", "", "", "bytes", "MiB", "MiB", "MiB"))
    for r in rows:
        print("%8d | %8.3fs %8.3fs %8.3fs %6.2f %8.3fs | %8.3fs %8.3fs %6.2f %8.3fs | %9d %9.1f %9.1f %9.1f" % (
            r["count"], r["full"], r["pipelined"], r["first_saved"], r["first_saved"] / r["pipelined"],
            r["first_idle"], r["listing"], r["steady_saved"], r["steady_saved"] / r["listing"], r["steady_idle"],
            r["uidl"], r.get("peak_memory_kib", 0) / 1024, r.get("idle_memory_kib", 0) / 1024,
            r.get("closed_memory_kib", 0) / 1024))
    print("load averages (1/5/15 min) before / after each size: " +
          "; ".join("%d: %s" % (r["count"], r["load"]) for r in rows))


if __name__ == "__main__":
    main()
