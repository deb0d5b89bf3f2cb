#!/usr/bin/env python3
"""The filing journal with the real program: commands killed at random
points and then `ferrolet --recover` leave every original byte exactly once
in a visible place (twice for copies: the source and a whole copy, or once)
and no `.ferrolet-partial-*` entry. Undo from a reopened journal, into the
Trash and around items changed since, is tested in C++ (tests/journal).

Usage: journal_recovery.py BUILD_DIR [unittest options]"""

import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import digest, write, write_settings  # noqa: E402

FERROLET = None
# The kill loop's whole budget, and its rounds per operation.
BUDGET_SECONDS = 50
ROUNDS = 6


def walk_files(root):
    """(visible file digests, hidden partial entries) under root."""
    visible, partial = [], []
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            if name.startswith(".ferrolet-partial-"):
                partial.append(os.path.join(folder, name))
        dirs[:] = [d for d in dirs if not d.startswith(".") and d != "home"]
        visible += [digest(os.path.join(folder, f)) for f in files if not f.startswith(".")
                    and not os.path.islink(os.path.join(folder, f))]
    return visible, partial


def make_tree(root, files, size):
    for i in range(files):
        sub = os.path.join(root, "d%d" % (i % 7))
        os.makedirs(sub, exist_ok=True)
        write(os.path.join(sub, "f%d" % i), os.urandom(size))


class KillAndRecover(unittest.TestCase):
    """Each operation, killed at random points of its run, then recovered."""

    def setUp(self):
        self.top = tempfile.mkdtemp(prefix="ferrolet-journal-")
        # Another file system for moves across them (tmpfs).
        self.other = tempfile.mkdtemp(prefix="ferrolet-journal-", dir="/dev/shm")
        for folder in (self.top, self.other):
            self.addCleanup(shutil.rmtree, folder, True)
        self.home = os.path.join(self.top, "home")
        os.makedirs(self.home)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS")}
        self.env.update(HOME=self.home, XDG_CONFIG_HOME=self.home + "/.config",
                        XDG_STATE_HOME=self.home + "/.local/state",
                        XDG_DATA_HOME=self.home + "/.local/share", QT_QPA_PLATFORM="offscreen")

    def run_ferrolet(self, *args):
        result = subprocess.run([FERROLET, *args], env=self.env, capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr.decode())

    def test_kills_at_random_points(self):
        rng = random.Random(int(os.environ.get("FERROLET_KILL_SEED", "16")))
        operations = [
            # (name, destination on the other file system, command tag, moving, wrap copies)
            ("move across file systems", True, "1001", True, None),
            ("copy", False, "1002", False, None),
            ("archive", False, "1003", False, None),
            ("wrap by copying", None, "-1004", False, True),
            ("wrap by moving", None, "-1004", True, False),
            ("paste across file systems", True, "-1006", True, None),
        ]
        deadline = time.monotonic() + BUDGET_SECONDS
        for name, across, tag, moving, wrap_copies in operations:
            for _ in range(ROUNDS):
                if time.monotonic() > deadline:
                    return
                with self.subTest(operation=name):
                    self.one_round(rng, across, tag, moving, wrap_copies)

    def one_round(self, rng, across, tag, moving, wrap_copies):
        for root in (self.top, self.other):
            for entry in os.listdir(root):
                shutil.rmtree(os.path.join(root, entry))
        os.makedirs(self.home)
        write_settings(self.home, {"WrapCopies": bool(wrap_copies), "PromptForWrap": False})
        src = os.path.join(self.top, "Tree")
        make_tree(src, 300, 24 * 1024)
        originals = walk_files(src)[0]
        dest = os.path.join(self.other if across else self.top, "Dest")
        os.makedirs(dest)
        self.run_ferrolet("--command", "-1001", dest)  # Add Folder: entry 1
        if tag == "-1006":
            self.run_ferrolet("--command", "-1005", src)  # Cut, then Paste killed
            command = ["--command", tag, dest]
        elif tag == "-1004":
            command = ["--command", tag, os.path.join(src, "d0"), os.path.join(src, "d1")]
        else:
            command = ["--command", tag, src]
        delay = rng.uniform(0.05, 0.5)
        child = subprocess.Popen([FERROLET, *command], env=self.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(delay)
        child.send_signal(signal.SIGKILL)
        child.wait()
        self.run_ferrolet("--recover")
        seen, partial, places = [], [], [self.top, self.other]
        state = os.path.join(self.home, ".local/state/Ferrolet")
        # Held items and archives being made wait in the state folder's own folders.
        if os.path.isdir(state):
            places += [e.path for e in os.scandir(state) if e.is_dir()]
        for place in places:
            v, p = walk_files(place)
            seen += v
            partial += p
        what = "%s after %.3f s" % (tag, delay)
        self.assertEqual(partial, [], "left by " + what)
        for d in originals:
            self.assertIn(seen.count(d), (1,) if moving else (1, 2), what)
        # Nothing visible is a truncated or half-written file.
        self.assertTrue(set(seen) <= set(originals) or tag == "1003")


if __name__ == "__main__":
    build = sys.argv.pop(1)
    FERROLET = os.path.join(build, "bin", "ferrolet")
    unittest.main()
