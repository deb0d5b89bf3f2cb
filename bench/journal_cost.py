#!/usr/bin/env python3
"""The filing journal's cost on the whole program: `ferrolet --command` Move
To of 10,000 files on one file system, with the journal and without it
(FERROLET_JOURNAL=off, read only by the journal store for this comparison),
alternated, median of each, in wall time and in CPU time (user + system of
the process: the fairer figure on a shared, loaded machine). Target: at
most 1.3x the run without journal.

Usage: bench/journal_cost.py [--build-dir DIR] [--files N] [--runs N]"""

import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def one_run(ferrolet, files, journal):
    top = tempfile.mkdtemp(prefix="ferrolet-journal-bench-")
    try:
        home, src, dst = (os.path.join(top, d) for d in ("home", "src", "dst"))
        for d in (home, src, dst):
            os.makedirs(d)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        env.update(HOME=home, XDG_CONFIG_HOME=home + "/.config",
                   XDG_STATE_HOME=home + "/.local/state", XDG_DATA_HOME=home + "/.local/share")
        if not journal:
            env["FERROLET_JOURNAL"] = "off"
        subprocess.run([ferrolet, "--command", "-1001", dst], env=env, check=True,
                       capture_output=True)
        paths = []
        for i in range(files):
            path = os.path.join(src, "file %05d.txt" % i)
            with open(path, "w") as f:
                f.write("x")
            paths.append(path)
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.monotonic()
        subprocess.run([ferrolet, "--command", "1001", *paths], env=env, check=True,
                       capture_output=True)
        elapsed = time.monotonic() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        assert len(os.listdir(dst)) == files
        return elapsed, cpu
    finally:
        shutil.rmtree(top, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-bench"))
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    ferrolet = os.path.join(args.build_dir, "bin", "ferrolet")
    with_journal, without = [], []
    for _ in range(args.runs):
        without.append(one_run(ferrolet, args.files, False))
        with_journal.append(one_run(ferrolet, args.files, True))
    for label, index in (("wall", 0), ("CPU", 1)):
        a = statistics.median(r[index] for r in with_journal)
        b = statistics.median(r[index] for r in without)
        print(f"Move To of {args.files} files, {label} time: {a:.3f} s with the journal, "
              f"{b:.3f} s without = {a / b:.2f}x (target at most 1.30x)")


if __name__ == "__main__":
    main()
