#!/usr/bin/env python3
"""Faults only the whole installed program shows: a replacing move across
file systems killed midway, and commands run as another user. It drives the program
as a user does (files on the clipboard, `ferrolet --command`) and after each
fault checks that every item exists exactly once and whole, that no
unfinished copy shows under a real name, and that the program still answers.
Faults one layer can show (full disks, corrupt settings and records, hostile
names and lines, two cuts at once, items that vanish or are replaced while a
command runs) are tested in C++; kills at random points of every command
and the recovery after them, in journal_recovery.py.

Usage: fault_sweep.py BUILD_DIR [unittest options]"""

import hashlib
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, digest, wait_for, write, write_settings  # noqa: E402

PREFIX = None
MOVE_FAILED = "Ferrolet: An error occurred moving a folder or file."
PARTIAL = b".ferrolet-partial-"
# Hidden names that must never outlive the command that made them.
INTERNAL_PREFIXES = (PARTIAL, b".ferrolet-replaced-")


def entries(folder):
    return sorted(os.listdir(os.fsencode(folder)))


def visible_entries(folder):
    return [e for e in entries(folder) if not e.startswith(b".")]


class Sweep(unittest.TestCase):
    """A fresh X server, session bus and home per case; no Ferrolet runs in
    the background, so `--command` runs in its own process."""

    def setUp(self):
        self.desk = Desktop(PREFIX, with_tray=False).start()
        self.addCleanup(self.desk.stop)
        write_settings(self.desk.home, {"OpenMoveServiceWindow": False})
        self.src = self.desk.path("Downloads")
        os.makedirs(self.src)

    def shm_folder(self):
        """A listed folder on another file system (tmpfs)."""
        shm = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, shm, True)
        result = self.desk.command(-1001, [shm])
        self.assertEqual(result.returncode, 0, result.stderr)
        return shm

    def assert_whole_once(self, name, data, source_dir, dest_dir):
        """The item called name is in exactly one of the two folders, holding
        exactly data; true when it is at the destination."""
        name = os.fsencode(name)
        at_source = os.path.lexists(os.path.join(os.fsencode(source_dir), name))
        at_dest = os.path.lexists(os.path.join(os.fsencode(dest_dir), name))
        self.assertTrue(at_source != at_dest, f"{name!r}: at source {at_source}, at dest {at_dest}")
        with open(os.path.join(os.fsencode(source_dir if at_source else dest_dir), name), "rb") as f:
            self.assertEqual(f.read(), data, f"{name!r} is not whole")
        return at_dest

    def assert_no_leftovers(self, *folders):
        for folder in folders:
            for root, dirs, files in os.walk(os.fsencode(folder)):
                for name in dirs + files:
                    if name.startswith(INTERNAL_PREFIXES):
                        self.fail(f"internal entry left behind: {os.path.join(root, name)!r}")


class KillTest(Sweep):
    def test_replacing_move_killed_midway_keeps_the_old_item_and_its_name(self):
        """Move To the /dev/shm folder, which holds a same-named item, with
        replacing on, killed once its unfinished copy shows: the source is
        whole, the old item keeps its name, and the move can be run again."""
        write_settings(self.desk.home, {"OpenMoveServiceWindow": False,
                                        "ReplaceFilesBySameName": True})
        shm = self.shm_folder()
        write(os.path.join(shm, "movie.bin"), b"the version already there")
        data = os.urandom(300 << 20)
        big = write(os.path.join(self.src, "movie.bin"), data)
        self.desk.serve_clipboard([big])
        proc = self.desk.spawn(["ferrolet", "--command", "1001"])
        seen = wait_for(lambda: any(e.startswith(PARTIAL) for e in entries(shm)), step=0.002)
        proc.send_signal(signal.SIGKILL)
        proc.communicate(timeout=60)
        if not seen:
            self.skipTest("the move ended before it could be killed")
        self.assertEqual(digest(big), hashlib.sha256(data).hexdigest(), "the source is not whole")
        with open(os.path.join(shm, "movie.bin"), "rb") as f:
            self.assertEqual(f.read(), b"the version already there")
        self.assertEqual(visible_entries(shm), [b"movie.bin"])
        self.assert_no_leftovers(self.src)
        result = self.desk.command(1001, [big])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(self.assert_whole_once("movie.bin", data, self.src, shm))


class AnotherUserTest(Sweep):
    """Commands run as nobody, since root ignores permissions."""

    def setUp(self):
        super().setUp()
        if os.geteuid() != 0 or shutil.which("runuser") is None:
            self.skipTest("needs root and runuser to run commands as nobody")
        nobody = pwd.getpwnam("nobody")
        self.uid, self.gid = nobody.pw_uid, nobody.pw_gid
        self.base = tempfile.mkdtemp(prefix="ferrolet-sweep-nobody-")
        self.addCleanup(shutil.rmtree, self.base, True)
        os.chmod(self.base, 0o755)
        self.nhome = self.own(os.path.join(self.base, "home"))
        self.own(os.path.join(self.nhome, ".config"))
        self.nobody_env = {
            "PATH": self.desk.env["PATH"], "HOME": self.nhome, "LANG": "C.UTF-8",
            "XDG_CONFIG_HOME": os.path.join(self.nhome, ".config"),
            "XDG_STATE_HOME": os.path.join(self.nhome, ".local/state"),
            "XDG_DATA_DIRS": self.desk.env["XDG_DATA_DIRS"], "DISPLAY": self.desk.env["DISPLAY"],
            "QT_QPA_PLATFORM": "offscreen", "NO_AT_BRIDGE": "1",
        }

    def own(self, path, mode=0o755, nobody=True, data=None):
        """Makes a folder (or, with data, a file) owned by nobody or root."""
        if data is None:
            os.makedirs(path, exist_ok=True)
        else:
            write(path, data)
        os.chmod(path, mode)
        if nobody:
            os.chown(path, self.uid, self.gid)
        return path

    def as_nobody(self, tag=None, selection=None):
        if selection is not None:
            self.desk.serve_clipboard(selection)
        args = ["--menu"] if tag is None else ["--command", str(tag)]
        env = [f"{k}={v}" for k, v in self.nobody_env.items()]
        return subprocess.run(["runuser", "-u", "nobody", "--", "env", "-i", *env, "ferrolet",
                               *args], capture_output=True, timeout=300, cwd=self.base)

    def test_source_or_destination_out_of_reach(self):
        probe = self.as_nobody()
        if probe.returncode != 0:
            self.skipTest("nobody cannot run the program here: " + probe.stderr.decode())
        good = self.own(os.path.join(self.base, "dest"))
        shm = self.own(tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm"))
        self.addCleanup(shutil.rmtree, shm, True)
        locked = self.own(os.path.join(self.base, "locked-dest"), nobody=False)
        for folder in (good, shm, locked):
            result = self.as_nobody(-1001, [folder])
            self.assertEqual(result.returncode, 0, result.stderr)

        # Root's source folder: nobody may read the files but not take them
        # out across to /dev/shm (the refused rename within a file system is
        # the engine's permission test).
        fixed = self.own(os.path.join(self.base, "fixed-src"), nobody=False)
        b = self.own(os.path.join(fixed, "b.txt"), 0o644, data=b"bravo" * 50000)
        self.assertIn(MOVE_FAILED, self.as_nobody(2002, [b]).stderr.decode())
        self.assertFalse(self.assert_whole_once("b.txt", b"bravo" * 50000, fixed, shm),
                         "a copy was left beside a source that could not be removed")
        self.assert_no_leftovers(fixed, good, shm)

        # Root's destination: the menu greys it for nobody, nothing goes in.
        free = self.own(os.path.join(self.base, "free-src"))
        c = self.own(os.path.join(free, "c.txt"), 0o644, data=b"charlie")
        result = self.as_nobody(3003, [c])
        self.assertEqual(result.returncode, 2)
        self.assertIn("is not possible now: read-only", result.stderr.decode())
        self.assertEqual(entries(locked), [])

        # Nobody's own items move.
        self.assertEqual(self.as_nobody(1001, [c]).returncode, 0)
        self.assertTrue(self.assert_whole_once("c.txt", b"charlie", free, good))


def main():
    global PREFIX
    build_dir = os.path.abspath(sys.argv[1])
    PREFIX = tempfile.mkdtemp(prefix="ferrolet-sweep-prefix-")
    os.chmod(PREFIX, 0o755)  # nobody runs the program too
    subprocess.run(["cmake", "--install", build_dir, "--prefix", PREFIX], check=True,
                   stdout=subprocess.DEVNULL)
    try:
        result = unittest.main(argv=[sys.argv[0]] + sys.argv[2:], exit=False, verbosity=2).result
    finally:
        shutil.rmtree(PREFIX, ignore_errors=True)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
