#!/usr/bin/env python3
"""Fault sweep of the installed Ferrolet: full file systems, missing
permissions, vanished items, a move across file systems killed midway,
corrupt settings and folder records, hostile selection lines and service
paths, and names made of awkward bytes. It drives the program as a user does
(files on the clipboard, `ferrolet --command`, `ferrolet --service`, settings
written with plistlib) and after each fault checks that every item exists
exactly once and whole, that no unfinished copy shows under a real name, and
that the program still answers the next command.

Usage: fault_sweep.py BUILD_DIR [unittest options]
       fault_sweep.py --full-disk-scenario JSON   (inside a mount namespace)"""

import hashlib
import json
import os
import plistlib
import pwd
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from urllib.parse import quote

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, serve_clipboard_bytes, wait_for  # noqa: E402

PREFIX = None
MOVE_FAILED = "Ferrolet: An error occurred moving a folder or file."
NOT_FOUND = "<< Folder Not Found >>"
# Hidden names the program documents as the remains of an interrupted copy.
DOCUMENTED_LEFTOVERS = (b".ferrolet-partial-",)
# Hidden names that must never outlive the command that made them.
INTERNAL_PREFIXES = (b".ferrolet-partial-", b".ferrolet-replaced-")
FINDINGS = []


def install_prefix(build_dir):
    prefix = tempfile.mkdtemp(prefix="ferrolet-sweep-prefix-")
    subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    # The permission cases run the program as nobody.
    os.chmod(prefix, 0o755)
    return prefix


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    return path


def uri(path):
    """The text/uri-list form of a path (bytes or str), as file managers write it."""
    raw = os.fsencode(path)
    return "file://" + quote(raw, safe="/")


def serve_raw_clipboard(env, procs, data):
    """Puts data on the clipboard as text/uri-list, byte for byte."""
    return serve_clipboard_bytes(env, procs, data)


def uri_list(paths):
    return "".join(uri(p) + "\r\n" for p in paths).encode()


def entries(folder):
    return sorted(os.listdir(os.fsencode(folder)))


def visible_entries(folder):
    return [e for e in entries(folder) if not e.startswith(b".")]


def leftovers(folder):
    """Hidden working entries of the program under folder (recursively)."""
    found = []
    for root, dirs, files in os.walk(os.fsencode(folder)):
        for name in dirs + files:
            if name.startswith(INTERNAL_PREFIXES):
                found.append(os.path.join(root, name))
    return found


class Sweep(unittest.TestCase):
    """A fresh desktop (X server, session bus) and home for each case; no
    Ferrolet runs in the background, so `--command` runs in its own process."""

    def setUp(self):
        self.desk = Desktop(PREFIX, with_tray=False).start()
        self.addCleanup(self.desk.stop)
        self.settings_file = self.desk.path(".config", "com.quorvane.Ferrolet.plist")
        self.write_settings({"OpenMoveServiceWindow": False})
        self.src = self.desk.path("Downloads")
        os.makedirs(self.src)

    # -- driving the program ----------------------------------------------
    def write_settings(self, settings):
        os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
        with open(self.settings_file, "wb") as f:
            plistlib.dump(settings, f)

    def settings(self):
        with open(self.settings_file, "rb") as f:
            return plistlib.load(f)

    def select(self, paths):
        serve_raw_clipboard(self.desk.env, self.desk.procs, uri_list(paths))

    def select_raw(self, data):
        serve_raw_clipboard(self.desk.env, self.desk.procs, data)

    def ferrolet(self, *args, env=None, timeout=120, cwd=None):
        return subprocess.run(["ferrolet", *args], env=env or self.desk.env, capture_output=True,
                              timeout=timeout, cwd=cwd or self.desk.root)

    def command(self, tag, selection=None, **kwargs):
        if selection is not None:
            self.select(selection)
        return self.ferrolet("--command", str(tag), **kwargs)

    def add_folder(self, folder):
        result = self.command(-1001, [folder])
        self.assertEqual(result.returncode, 0, result.stderr)

    def menu(self, env=None):
        result = self.ferrolet("--menu", env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode("utf-8", "replace")

    # -- what must hold after every fault ------------------------------------
    def assert_whole_once(self, name, data, source_dir, dest_dir):
        """The item called name (bytes) is in exactly one of the two folders,
        holding exactly data."""
        name = os.fsencode(name)
        at_source = os.path.lexists(os.path.join(os.fsencode(source_dir), name))
        at_dest = os.path.lexists(os.path.join(os.fsencode(dest_dir), name))
        self.assertTrue(at_source != at_dest,
                        f"{name!r}: at source {at_source}, at destination {at_dest}")
        where = os.path.join(os.fsencode(source_dir if at_source else dest_dir), name)
        with open(where, "rb") as f:
            self.assertEqual(hashlib.sha256(f.read()).hexdigest(),
                             hashlib.sha256(data).hexdigest(), f"{where!r} is not whole")
        return at_dest

    def assert_no_leftovers(self, *folders, documented_ok=False):
        for folder in folders:
            for path in leftovers(folder):
                name = os.path.basename(path)
                if documented_ok and name.startswith(DOCUMENTED_LEFTOVERS):
                    FINDINGS.append(f"{self.id()}: documented leftover {path!r}")
                    continue
                self.fail(f"internal entry left behind: {path!r}")

    def assert_still_answers(self, dest_dir, env=None, tag=1001):
        """--menu answers and a following Move To into listed folder dest_dir works."""
        self.menu(env=env)
        probe = write(os.path.join(self.src, "probe-after-fault.txt"), b"probe")
        result = self.command(tag, [probe], env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(os.path.exists(os.path.join(dest_dir, "probe-after-fault.txt")),
                        result.stderr.decode(errors="replace"))
        self.assertFalse(os.path.exists(probe))


class VanishedItemsTest(Sweep):
    def test_items_deleted_or_replaced_after_the_selection_was_taken(self):
        dest = self.desk.path("Filed")
        os.makedirs(dest)
        self.add_folder(dest)
        # A large file crosses to /dev/shm first, so the later items are
        # changed while the command is already running on its snapshot.
        shm = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, shm, True)
        self.add_folder(shm)
        big = write(os.path.join(self.src, "big.bin"), os.urandom(200 << 20))
        big_sum = digest(big)
        gone = write(os.path.join(self.src, "gone.txt"), b"gone")
        swapped = write(os.path.join(self.src, "swapped.txt"), b"the selected file")
        kept = write(os.path.join(self.src, "kept.txt"), b"kept")
        self.select([big, gone, swapped, kept])
        # Already gone before the command starts: the line names nothing.
        also_gone = write(os.path.join(self.src, "also-gone.txt"), b"x")
        self.select([big, gone, swapped, also_gone, kept])
        os.unlink(also_gone)

        proc = subprocess.Popen(["ferrolet", "--command", "2004"], env=self.desk.env,
                                cwd=self.desk.root, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        # Copy To (2 x 1002) the /dev/shm folder keeps the sources; wait for
        # its unfinished copy to show, then change the later items.
        started = wait_for(lambda: any(e.startswith(b".ferrolet-partial-")
                                       for e in entries(shm)), timeout=30, step=0.002)
        os.unlink(gone)
        os.unlink(swapped)
        write(swapped, b"another file under the same name")
        out, err = proc.communicate(timeout=120)
        self.assertEqual(proc.returncode, 0, err)
        if not started:
            self.skipTest("the copy ended before the items could be changed")
        self.assertEqual(digest(os.path.join(shm, "big.bin")), big_sum)
        self.assertEqual(digest(big), big_sum)
        # The file now under swapped.txt was never selected: not copied.
        self.assertFalse(os.path.exists(os.path.join(shm, "swapped.txt")),
                         "a file the user did not select was copied")
        self.assertFalse(os.path.exists(os.path.join(shm, "gone.txt")))
        with open(os.path.join(shm, "kept.txt"), "rb") as f:
            self.assertEqual(f.read(), b"kept")
        self.assertEqual(visible_entries(shm), [b"big.bin", b"kept.txt"])
        self.assert_no_leftovers(shm, self.src, dest)

        # Same for a move within the file system, with the replaced file.
        self.select([kept, swapped])
        os.unlink(swapped)
        write(swapped, b"third file")
        result = self.command(1001)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(self.assert_whole_once("kept.txt", b"kept", self.src, dest))
        # swapped.txt was selected by the clipboard when the command started,
        # so the file now there is the selected one: it moves once, whole.
        self.assert_whole_once("swapped.txt", b"third file", self.src, dest)
        self.assert_still_answers(dest)


class KilledMoveTest(Sweep):
    def test_move_to_another_file_system_killed_midway(self):
        shm = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, shm, True)
        self.add_folder(shm)
        data = os.urandom(300 << 20)
        big = write(os.path.join(self.src, "movie.bin"), data)
        del data
        big_sum = digest(big)
        self.select([big])
        proc = subprocess.Popen(["ferrolet", "--command", "1001"], env=self.desk.env,
                                cwd=self.desk.root, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        saw_partial = wait_for(lambda: any(e.startswith(b".ferrolet-partial-")
                                           for e in entries(shm)), timeout=60, step=0.002)
        proc.send_signal(signal.SIGKILL)
        proc.wait(timeout=30)
        if not saw_partial:
            self.skipTest("the move ended before it could be killed")
        self.assertEqual(digest(big), big_sum, "the source is not whole after the kill")
        self.assertEqual(visible_entries(shm), [], "an unfinished copy shows under a real name")
        self.assert_no_leftovers(self.src)
        self.assert_no_leftovers(shm, documented_ok=True)

        # The next move of the same file succeeds and carries it whole.
        result = self.command(1001, [big])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(big))
        self.assertEqual(digest(os.path.join(shm, "movie.bin")), big_sum)
        self.assertEqual(visible_entries(shm), [b"movie.bin"])

    def kill_replacing_move(self):
        """Move To with "ReplaceFilesBySameName" on, killed during the copy
        that would replace the destination's movie.bin."""
        shm = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, shm, True)
        self.add_folder(shm)
        settings = self.settings()
        settings["ReplaceFilesBySameName"] = True
        self.write_settings(settings)
        write(os.path.join(shm, "movie.bin"), b"the version already there")
        big = write(os.path.join(self.src, "movie.bin"), os.urandom(300 << 20))
        big_sum = digest(big)
        self.select([big])
        proc = subprocess.Popen(["ferrolet", "--command", "1001"], env=self.desk.env,
                                cwd=self.desk.root, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        saw_partial = wait_for(lambda: any(e.startswith(b".ferrolet-partial-")
                                           for e in entries(shm)), timeout=60, step=0.002)
        proc.send_signal(signal.SIGKILL)
        proc.wait(timeout=30)
        if not saw_partial:
            self.skipTest("the move ended before it could be killed")
        self.assertEqual(digest(big), big_sum, "the source is not whole after the kill")
        return shm

    def test_replacing_move_killed_midway_loses_no_bytes(self):
        shm = self.kill_replacing_move()
        kept = [e for e in entries(shm) if not e.startswith(b".ferrolet-partial-")]
        self.assertEqual(len(kept), 1, kept)
        with open(os.path.join(os.fsencode(shm), kept[0]), "rb") as f:
            self.assertEqual(f.read(), b"the version already there")
        if kept != [b"movie.bin"]:
            FINDINGS.append(f"{self.id()}: the item to be replaced is left hidden as {kept[0]!r}")

    # The same-named item keeps its name until the moved item is complete
    # beside it, so a kill during the copy leaves it where the user left it.
    def test_replacing_move_killed_midway_keeps_the_name(self):
        shm = self.kill_replacing_move()
        with open(os.path.join(shm, "movie.bin"), "rb") as f:
            self.assertEqual(f.read(), b"the version already there")
        self.assertEqual(visible_entries(shm), [b"movie.bin"])


class PermissionsTest(Sweep):
    """Run as nobody: root ignores permissions."""

    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest("needs root to run commands as nobody")
        if shutil.which("runuser") is None:
            self.skipTest("runuser is not installed")
        nobody = pwd.getpwnam("nobody")
        self.base = tempfile.mkdtemp(prefix="ferrolet-sweep-nobody-")
        self.addCleanup(shutil.rmtree, self.base, True)
        os.chmod(self.base, 0o755)
        self.nhome = os.path.join(self.base, "home")
        os.makedirs(os.path.join(self.nhome, ".config"))
        for root, dirs, files in os.walk(self.nhome):
            os.chown(root, nobody.pw_uid, nobody.pw_gid)
        self.nobody_env = {
            "PATH": self.desk.env["PATH"], "HOME": self.nhome,
            "XDG_CONFIG_HOME": os.path.join(self.nhome, ".config"),
            "XDG_STATE_HOME": os.path.join(self.nhome, ".local/state"),
            "XDG_DATA_DIRS": self.desk.env["XDG_DATA_DIRS"], "LANG": "C.UTF-8",
            "DISPLAY": self.desk.env["DISPLAY"], "QT_QPA_PLATFORM": "offscreen",
            "NO_AT_BRIDGE": "1",
        }
        self.uid, self.gid = nobody.pw_uid, nobody.pw_gid

    def as_nobody(self, *args):
        env_args = [f"{k}={v}" for k, v in self.nobody_env.items()]
        return subprocess.run(["runuser", "-u", "nobody", "--", "env", "-i", *env_args,
                               "ferrolet", *args], capture_output=True, timeout=120,
                              cwd=self.base)

    def nobody_dir(self, *parts, mode=0o755, owner_nobody=True, base=None):
        path = os.path.join(base or self.base, *parts)
        os.makedirs(path)
        os.chmod(path, mode)
        if owner_nobody:
            os.chown(path, self.uid, self.gid)
        return path

    def nobody_file(self, folder, name, data):
        path = write(os.path.join(folder, name), data)
        os.chown(path, self.uid, self.gid)
        return path

    def nobody_command(self, tag, selection):
        self.select(selection)
        return self.as_nobody("--command", str(tag))

    def test_source_or_destination_out_of_reach(self):
        probe = self.as_nobody("--menu")
        if probe.returncode != 0:
            self.skipTest("nobody cannot run the program here: " + probe.stderr.decode())
        good_dest = self.nobody_dir("dest")
        shm = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, shm, True)
        os.chmod(shm, 0o755)
        os.chown(shm, self.uid, self.gid)
        locked_dest = self.nobody_dir("locked-dest", owner_nobody=False)  # root's, 0755
        for folder in (good_dest, shm, locked_dest):
            result = self.nobody_command(-1001, [folder])
            self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.nhome, ".config", "com.quorvane.Ferrolet.plist"), "rb") as f:
            self.assertEqual(len(plistlib.load(f)["PathnamesAliases"]), 3)

        # The source folder is root's: nobody may read the files but not
        # take them out, within the file system and across to /dev/shm.
        fixed_src = self.nobody_dir("fixed-src", owner_nobody=False)
        a = self.nobody_file(fixed_src, "a.txt", b"alpha")
        b = self.nobody_file(fixed_src, "b.txt", b"bravo" * 50000)
        result = self.nobody_command(1001, [a])
        self.assertIn(MOVE_FAILED, result.stderr.decode())
        result = self.nobody_command(2002, [b])  # Move To entry 2: /dev/shm
        self.assertIn(MOVE_FAILED, result.stderr.decode())
        self.assert_whole_once("a.txt", b"alpha", fixed_src, good_dest)
        self.assertFalse(self.assert_whole_once("b.txt", b"bravo" * 50000, fixed_src, shm),
                         "a copy was left beside a source that could not be removed")
        self.assert_no_leftovers(fixed_src, good_dest, shm)

        # The destination is root's: nothing goes in, the source stays.
        free_src = self.nobody_dir("free-src")
        c = self.nobody_file(free_src, "c.txt", b"charlie")
        # The menu greys it for nobody, so the command is refused.
        result = self.nobody_command(3003, [c])
        self.assertEqual(result.returncode, 2)
        self.assertIn("is not possible now: read-only", result.stderr.decode())
        self.assertEqual(entries(locked_dest), [])
        self.assert_whole_once("c.txt", b"charlie", free_src, locked_dest)

        # Items in a folder nobody can reach name nothing for nobody.
        hidden_src = self.nobody_dir("hidden-src", mode=0o700, owner_nobody=False)
        d = write(os.path.join(hidden_src, "d.txt"), b"delta")
        self.nobody_command(1001, [d, c])
        self.assert_whole_once("d.txt", b"delta", hidden_src, good_dest)
        self.assertTrue(self.assert_whole_once("c.txt", b"charlie", free_src, good_dest))

        # nobody's program still answers, and a move it may make works.
        self.assertEqual(self.as_nobody("--menu").returncode, 0)
        e = self.nobody_file(free_src, "e.txt", b"echo")
        result = self.nobody_command(2002, [e])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(self.assert_whole_once("e.txt", b"echo", free_src, shm))


class FullFileSystemTest(Sweep):
    def test_destination_file_system_full(self):
        if shutil.which("unshare") is None:
            self.skipTest("unshare is not installed")
        dest = self.desk.path("Small Disk")
        os.makedirs(dest)
        scenario = {"dest": dest, "src": self.src, "settings": self.settings_file}
        result = subprocess.run(["unshare", "-m", "--propagation", "private", sys.executable,
                                 os.path.abspath(__file__), "--full-disk-scenario",
                                 json.dumps(scenario)], env=self.desk.env, capture_output=True,
                                timeout=180, cwd=self.desk.root)
        if result.returncode == 77:
            self.skipTest("a tmpfs could not be mounted here: " + result.stderr.decode())
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        report = json.loads(result.stdout.decode().splitlines()[-1])
        self.assertEqual(report["errors"], [], report)


def full_disk_scenario(scenario):
    """Runs inside a private mount namespace: a 1 MiB tmpfs is the
    destination. Prints one JSON line {"errors": [...]} on standard output."""
    dest, src = scenario["dest"], scenario["src"]
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", dest],
                             capture_output=True)
    if mounted.returncode != 0:
        sys.stderr.write(mounted.stderr.decode())
        return 77
    env = dict(os.environ)
    procs = []
    errors = []

    def check(condition, message):
        if not condition:
            errors.append(message)

    def run(*args):
        return subprocess.run(["ferrolet", *args], env=env, capture_output=True, timeout=120)

    def select(paths):
        serve_raw_clipboard(env, procs, uri_list(paths))

    def whole_once(name, data):
        s, d = os.path.join(src, name), os.path.join(dest, name)
        if os.path.exists(s) == os.path.exists(d):
            errors.append(f"{name}: at source {os.path.exists(s)}, destination {os.path.exists(d)}")
            return None
        with open(s if os.path.exists(s) else d, "rb") as f:
            check(f.read() == data, f"{name} is not whole")
        return os.path.exists(d)

    try:
        select([dest])
        check(run("--command", "-1001").returncode == 0, "Add Folder failed")
        small = os.urandom(100 << 10)
        big = os.urandom(3 << 20)
        folder_data = os.urandom(300 << 10)
        write(os.path.join(src, "small-1.bin"), small)
        write(os.path.join(src, "big.bin"), big)
        write(os.path.join(src, "small-2.bin"), small)
        os.makedirs(os.path.join(src, "Album"))
        for i in range(4):  # 1.2 MiB in all: the folder cannot fit
            write(os.path.join(src, "Album", f"{i}.bin"), folder_data)
        names = ["small-1.bin", "big.bin", "small-2.bin"]
        select([os.path.join(src, n) for n in names] + [os.path.join(src, "Album")])
        # The menu sees that 4.6 MB cannot go into 1 MiB: refused, nothing moves.
        result = run("--command", "1001")
        check(result.returncode == 2 and b"is not possible now: needs" in result.stderr,
              "Move To into a full disk was not refused: " + result.stderr.decode())
        for name in names + ["Album"]:
            check(os.path.exists(os.path.join(src, name)), f"{name} left its source")
        # Sizes that fit but files that do not: tmpfs gives each one-byte
        # file a whole page, so the disk fills part-way through Tiny.
        os.makedirs(os.path.join(src, "Tiny"))
        for i in range(300):
            write(os.path.join(src, "Tiny", f"{i}.txt"), b"t")
        select([os.path.join(src, n) for n in ("small-1.bin", "small-2.bin", "Tiny")])
        result = run("--command", "1001")
        check(result.returncode == 0, "Move To refused: " + result.stderr.decode())
        check(MOVE_FAILED in result.stderr.decode(), "no failure line for the folder that did not fit")
        check(whole_once("small-1.bin", small) is True, "small-1.bin did not move")
        check(whole_once("small-2.bin", small) is True, "small-2.bin did not move")
        check(not os.path.exists(os.path.join(dest, "Tiny")), "a partial Tiny is visible")
        check(len(os.listdir(os.path.join(src, "Tiny"))) == 300, "Tiny lost files at its source")
        check(whole_once("big.bin", big) is False, "big.bin is not at its source")
        check(not os.path.exists(os.path.join(dest, "Album")), "a partial Album is visible")
        for i in range(4):
            with open(os.path.join(src, "Album", f"{i}.bin"), "rb") as f:
                check(f.read() == folder_data, f"Album/{i}.bin lost at its source")
        # Copy To of what cannot fit is refused too, and leaves nothing.
        select([os.path.join(src, "big.bin")])
        result = run("--command", "1002")
        check(not os.path.exists(os.path.join(dest, "big.bin")), "a partial copy is visible")
        # Replacing a same-named file with one that cannot fit keeps the old
        # one (the menu refuses it now; nothing may be lost either way).
        with open(scenario["settings"], "rb") as f:
            settings = plistlib.load(f)
        settings["ReplaceFilesBySameName"] = True
        with open(scenario["settings"], "wb") as f:
            plistlib.dump(settings, f)
        write(os.path.join(dest, "big.bin"), b"old version")
        select([os.path.join(src, "big.bin")])
        run("--command", "1001")
        with open(os.path.join(dest, "big.bin"), "rb") as f:
            check(f.read() == b"old version", "the replaced file was lost")
        with open(os.path.join(src, "big.bin"), "rb") as f:
            check(f.read() == big, "big.bin lost at its source")
        for path in leftovers(dest) + leftovers(src):
            errors.append(f"internal entry left behind: {path!r}")
        visible = sorted(e for e in os.listdir(dest) if not e.startswith("."))
        check(visible == ["big.bin", "small-1.bin", "small-2.bin"], f"destination holds {visible}")
        # Still answers: the menu, and a move that fits.
        check(run("--menu").returncode == 0, "--menu failed after the full disk")
        os.unlink(os.path.join(dest, "small-1.bin"))
        write(os.path.join(src, "after.txt"), b"after")
        select([os.path.join(src, "after.txt")])
        run("--command", "1001")
        check(whole_once("after.txt", b"after") is True, "the next move did not work")
        # Wrap Items copying beside an item on the full disk: the copy cannot
        # fit, so no empty wrapper stays and the failure is logged.
        settings.update({"PromptForWrap": False, "WrapCopies": True})
        with open(scenario["settings"], "wb") as f:
            plistlib.dump(settings, f)
        wrap_data = os.urandom(600 << 10)
        write(os.path.join(dest, "wrapme.bin"), wrap_data)
        select([os.path.join(dest, "wrapme.bin")])
        result = run("--command", "-1004")
        check(b"Ferrolet: An error occurred wrapping a folder or file." in result.stderr,
              "no failure line for a wrap that put nothing in: " + result.stderr.decode())
        wrappers = [e for e in os.listdir(dest) if e.startswith("Wrapped Items")]
        check(wrappers == [], f"an empty wrapper was left: {wrappers}")
        with open(os.path.join(dest, "wrapme.bin"), "rb") as f:
            check(f.read() == wrap_data, "the wrapped item is not whole")
    finally:
        for proc in procs:
            proc.terminate()
        subprocess.run(["umount", dest])
    print(json.dumps({"errors": errors}))
    return 0


class CorruptSettingsTest(Sweep):
    def test_unreadable_settings_are_kept_aside_and_defaults_apply(self):
        dest = self.desk.path("Filed")
        os.makedirs(dest)
        truncated = plistlib.dumps({"PathnamesAliases": [b"x" * 40], "IncludeMoveTo": True})
        bad_files = {
            "garbage": os.urandom(4096),
            "truncated": truncated[: len(truncated) // 2],
            "array root": plistlib.dumps(["not", "a", "dictionary"]),
        }
        for label, bad in bad_files.items():
            with self.subTest(label):
                for leftover in (self.settings_file, self.settings_file + ".corrupt"):
                    if os.path.exists(leftover):
                        os.unlink(leftover)
                write(self.settings_file, bad)
                self.select([dest])
                menu = self.menu()
                self.assertIn("Add Folder", menu)
                # Reading alone changes nothing on disk.
                with open(self.settings_file, "rb") as f:
                    self.assertEqual(f.read(), bad)
                # The first write keeps the unreadable file aside.
                self.add_folder(dest)
                with open(self.settings_file + ".corrupt", "rb") as f:
                    self.assertEqual(f.read(), bad, "the unreadable file was not kept whole")
                self.assertEqual(len(self.settings()["PathnamesAliases"]), 1)
                self.assert_still_answers(dest)
                os.unlink(os.path.join(dest, "probe-after-fault.txt"))


class CorruptFolderRecordsTest(Sweep):
    def test_records_that_resolve_to_nothing(self):
        dest = self.desk.path("Filed")
        os.makedirs(dest)
        self.add_folder(dest)
        good = self.settings()["PathnamesAliases"][0]
        settings = self.settings()
        settings["PathnamesAliases"] = [os.urandom(200), b"dummy", good[: len(good) // 2],
                                        good[:-1], b"", good]
        self.write_settings(settings)
        item = write(os.path.join(self.src, "item.txt"), b"stays")
        self.select([item])
        menu = self.menu()
        # Five unusable entries in each of the six destination submenus.
        self.assertEqual(menu.count(NOT_FOUND + "\ttag="), 5 * 6, menu)
        self.assertEqual(menu.count("Filed\ttag="), 6, menu)
        for k in range(1, 6):
            result = self.command(k * 1001)
            if result.returncode == 2:
                continue  # not offered: nothing can run
            err = result.stderr.decode()
            self.assertIn(MOVE_FAILED + " Error code = ", err)
            self.assertIn(MOVE_FAILED + "\n", err)
            self.assertEqual(entries(self.src), [b"item.txt"])
        self.assertEqual(digest(item), hashlib.sha256(b"stays").hexdigest())
        self.assertEqual(visible_entries(dest), [])
        self.assert_still_answers(dest, tag=6006)


# Names that shells, URI decoders and UTF-8 converters get wrong.
HOSTILE_NAMES = [
    b"line\nbreak.txt", b"carriage\rreturn.txt", b'double"quote.txt', b"single'quote.txt",
    b"$(touch pwned).txt", b"`touch pwned`.txt", b"-rf", b"--help", b"back\\slash.txt",
    b"percent%41.txt", b"bad\xff\xfeutf8.txt", b"#hash.txt", b" leading space.txt",
    b"trailing space.txt ", b"question?mark.txt", b"*star.txt",
]


class HostileSelectionTest(Sweep):
    def test_hostile_selection_lines(self):
        dest = self.desk.path("Filed")
        os.makedirs(dest)
        self.add_folder(dest)
        decoys = {}
        for name in (b"relative.txt", b"remote.txt", b"nul.txt", b"bad%zz.txt", b"web.txt"):
            decoys[name] = write(os.path.join(os.fsencode(self.src), name), b"decoy " + name)
        # The relative line is read in the program's working folder.
        cwd_decoy = write(os.path.join(self.desk.root, "relative.txt"), b"cwd decoy")
        wanted = {}
        for name in HOSTILE_NAMES:
            wanted[name] = write(os.path.join(os.fsencode(self.src), name), b"wanted " + name)
        src = os.fsencode(self.src)
        lines = [
            b"relative.txt",
            b"http://localhost" + src + b"/web.txt",
            b"file://otherhost" + src + b"/remote.txt",
            uri(src + b"/nul.txt").encode() + b"%00",
            "file://".encode() + src + b"/bad%zz.txt",
            b"file://" + src + b"/%",
            b"# file://" + src + b"/relative.txt",
            b"",
            uri(src + b"/does-not-exist.txt").encode(),
        ]
        lines += [uri(path).encode() for path in wanted.values()]
        # One of them a second time: it still moves once.
        lines.append(uri(wanted[b"-rf"]).encode())
        self.select_raw(b"\r\n".join(lines) + b"\r\n")
        result = self.command(1001, cwd=self.desk.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in wanted:
            self.assertTrue(self.assert_whole_once(name, b"wanted " + name, self.src, dest),
                            f"{name!r} did not move")
        for name in decoys:
            self.assertFalse(self.assert_whole_once(name, b"decoy " + name, self.src, dest),
                             f"{name!r} moved although its line is not a local file")
        self.assertEqual(digest(cwd_decoy), hashlib.sha256(b"cwd decoy").hexdigest())
        self.assertFalse(os.path.exists(os.path.join(self.desk.root, "pwned")))
        self.assertFalse(os.path.exists(os.path.join(self.src, "pwned")))

        # 10,000 lines, all naming the same file, then a real one: each moves once.
        once = write(os.path.join(self.src, "once.txt"), b"once")
        last = write(os.path.join(self.src, "last.txt"), b"last")
        self.select_raw((uri(once) + "\n").encode() * 10000 + (uri(last) + "\n").encode())
        self.assertIn("10001 Items", self.menu())
        result = self.command(1001)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(self.assert_whole_once("once.txt", b"once", self.src, dest))
        self.assertTrue(self.assert_whole_once("last.txt", b"last", self.src, dest))
        self.assert_no_leftovers(self.src, dest)
        self.assert_still_answers(dest)

    def test_hostile_service_paths(self):
        documents = self.desk.path("Documents")
        wanted = {}
        for name in HOSTILE_NAMES:
            wanted[name] = write(os.path.join(os.fsencode(self.src), name), b"wanted " + name)
        missing = [os.path.join(self.src, "missing-%d" % i) for i in range(3)]
        paths = list(wanted.values()) + [os.fsencode(p) for p in missing]
        paths.append(b"relative-path.txt")
        # A relative path names a file in the caller's working folder, as for mv.
        write(os.path.join(self.desk.root, "relative-path.txt"), b"in the working folder")
        result = subprocess.run([b"ferrolet", b"--service", b"Move to Documents", *paths],
                                env=self.desk.env, capture_output=True, timeout=120,
                                cwd=self.desk.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        wait_for(lambda: len(entries(documents)) > len([n for n in wanted if is_utf8(n)])
                 if os.path.isdir(documents) else False, timeout=30)
        for name in wanted:
            # A bus string is UTF-8: a name that is not cannot be handed over
            # and must stay where it is, never arrive as another name.
            arrived = self.assert_whole_once(name, b"wanted " + name, self.src, documents)
            self.assertEqual(arrived, is_utf8(name), f"{name!r}")
        self.assertTrue(self.assert_whole_once("relative-path.txt", b"in the working folder",
                                               self.desk.root, documents))
        self.assertEqual(sorted(entries(documents)),
                         sorted([n for n in wanted if is_utf8(n)] + [b"relative-path.txt"]))

        # 10,000 paths in one call, most naming nothing.
        many = [os.path.join(self.src, f"many-{i}.txt") for i in range(200)]
        for p in many:
            write(p, os.fsencode(p))
        paths = many + [os.path.join(self.src, f"nothing-{i}") for i in range(9800)]
        result = subprocess.run(["ferrolet", "--service", "Move to Documents", *paths],
                                env=self.desk.env, capture_output=True, timeout=180,
                                cwd=self.desk.root)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(wait_for(lambda: not any(os.path.exists(p) for p in many), timeout=60))
        for p in many:
            self.assertTrue(self.assert_whole_once(os.path.basename(p), os.fsencode(p),
                                                   self.src, documents))
        self.assert_no_leftovers(self.src, documents)
        self.menu()


def is_utf8(name):
    try:
        name.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def awkward_names():
    names = [b"byte-" + bytes([b]) + b"-end" for b in list(range(1, 0x20)) + [0x7f]]
    names += [bytes([b]) for b in range(0x80, 0x100)]
    names += [b"'", b'"', b"\\", b"\\\\n", b"a" * 255, b"b" * 251 + b".txt",
              ("\u00e9" * 127).encode() + b"x", b"\xf0\x9f\x98\x80" * 63 + b"abc"]
    for name in names:
        assert len(name) <= 255, name
    return names


class AwkwardBytesTest(Sweep):
    def test_every_awkward_byte_survives_move_and_copy(self):
        moved_to = self.desk.path("Moved Here")
        copied_to = tempfile.mkdtemp(prefix="ferrolet-sweep-shm-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, copied_to, True)
        os.makedirs(moved_to)
        self.add_folder(moved_to)
        self.add_folder(copied_to)
        names = awkward_names()
        src = os.fsencode(self.src)
        for name in names:
            write(os.path.join(src, name), b"content of " + name)
        result = self.command(1001, [os.path.join(src, n) for n in names])
        self.assertEqual(result.returncode, 0, result.stderr)
        missing = [n for n in names if not os.path.exists(os.path.join(os.fsencode(moved_to), n))]
        self.assertEqual(missing, [], "names that did not arrive by Move To")
        for name in names:
            self.assertTrue(self.assert_whole_once(name, b"content of " + name, src, moved_to))
        self.assertEqual(set(entries(moved_to)), set(names))

        dst = os.fsencode(moved_to)
        result = self.command(2004, [os.path.join(dst, n) for n in names])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(set(entries(copied_to)), set(names),
                         "Copy To across file systems changed names")
        self.assertEqual(set(entries(moved_to)), set(names), "Copy To took the originals")
        for name in names:
            with open(os.path.join(os.fsencode(copied_to), name), "rb") as f:
                self.assertEqual(f.read(), b"content of " + name)
        self.assert_no_leftovers(moved_to, copied_to, self.src)

HOLDING_NAME = re.compile(rb"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")


class HeldItemsTest(Sweep):
    """Cut items are reachable by a Paste whatever happens to the pending cut:
    every original byte is counted exactly once in its folder, in a paste
    target, or in the holding folder a Paste would empty."""

    def state_dir(self):
        return self.desk.path(".local", "state", "Ferrolet")

    def make_files(self, folder, count, tag):
        os.makedirs(folder, exist_ok=True)
        made = {}
        for i in range(count):
            data = f"{tag}-{i}-".encode() * 8
            made[write(os.path.join(folder, f"{tag}-{i}.txt"), data)] = data
        return made

    def pasteable_folder(self):
        """Whether a Paste would bring held items back, from the program
        itself: with a folder selected, --menu offers Paste Items enabled only
        while a cut is pending."""
        target = self.desk.path("Paste Probe")
        os.makedirs(target, exist_ok=True)
        self.select([target])
        lines = [line for line in self.menu().splitlines() if line.startswith("Paste Items")]
        return len(lines) == 1 and "disabled" not in lines[0]

    def assert_each_byte_once(self, originals, visible_folders):
        """Every original file's bytes are in exactly one visible folder or in
        the one holding folder a Paste brings back."""
        held = []
        if self.pasteable_folder():
            with open(os.path.join(self.state_dir(), "pending-cut"), "rb") as f:
                name = f.read().split(b"\n")[1].split(b" ")[1]
            held = [os.path.join(os.fsencode(self.state_dir()), name)]
        counts = {}
        for folder in [os.fsencode(f) for f in visible_folders] + held:
            for entry in visible_entries(folder):
                with open(os.path.join(folder, entry), "rb") as f:
                    data = f.read()
                counts[data] = counts.get(data, 0) + 1
        for path, data in originals.items():
            self.assertEqual(counts.get(data, 0), 1, f"{path}: found {counts.get(data, 0)} times")

    def test_two_cuts_at_once_strand_nothing(self):
        dest = self.desk.path("Target")
        os.makedirs(dest)
        one, two = self.desk.path("One"), self.desk.path("Two")
        deadline = time.monotonic() + 90
        rounds = 0
        while rounds < 6 and (rounds < 2 or time.monotonic() < deadline):
            originals = {**self.make_files(one, 150, f"one{rounds}"),
                         **self.make_files(two, 150, f"two{rounds}")}
            cuts = [subprocess.Popen(["ferrolet", "--command", "-1005",
                                      *sorted(os.path.join(folder, e) for e in os.listdir(folder))],
                                     env=self.desk.env, cwd=self.desk.root,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    for folder in (one, two)]
            for cut in cuts:
                cut.wait(timeout=120)
            self.assert_each_byte_once(originals, [one, two, dest])
            # The refused Cut left its set where it was: one folder is whole.
            self.assertIn(0, (len(os.listdir(one)), len(os.listdir(two))))
            result = self.ferrolet("--command", "-1006", dest)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertFalse(self.pasteable_folder(), "the cut is still pending after Paste")
            self.assert_each_byte_once(originals, [one, two, dest])
            # Emptied holding folders do not linger.
            self.assertEqual([e for e in entries(self.state_dir()) if HOLDING_NAME.match(e)], [])
            for folder in (one, two, dest):
                for e in os.listdir(folder):
                    os.unlink(os.path.join(folder, e))
            rounds += 1

    def test_damaged_pending_cut_file_is_set_aside_and_items_pasted(self):
        dest = self.desk.path("Target")
        os.makedirs(dest)
        elsewhere = write(self.desk.path("elsewhere"), b"not a pending cut")
        damages = {
            "garbage": lambda p: write(p, b"\x00garbage\n"),
            "fifo": lambda p: os.mkfifo(p),
            "link": lambda p: os.symlink(elsewhere, p),
        }
        for kind, damage in damages.items():
            with self.subTest(kind):
                originals = self.make_files(self.src, 3, kind)
                result = self.ferrolet("--command", "-1005", *originals)
                self.assertEqual(result.returncode, 0, result.stderr)
                state_file = os.path.join(self.state_dir(), "pending-cut")
                os.unlink(state_file)
                damage(state_file)
                # Never blocks on the FIFO: the run's timeout would fail it.
                self.assertTrue(self.pasteable_folder(), f"{kind}: the held items are not offered")
                self.assert_each_byte_once(originals, [self.src, dest])
                result = self.ferrolet("--command", "-1006", dest, timeout=60)
                self.assertEqual(result.returncode, 0, result.stderr)
                for path, data in originals.items():
                    with open(os.path.join(dest, os.path.basename(path)), "rb") as f:
                        self.assertEqual(f.read(), data)
                with open(elsewhere, "rb") as f:
                    self.assertEqual(f.read(), b"not a pending cut")
                for e in os.listdir(dest):
                    os.unlink(os.path.join(dest, e))


def main():
    global PREFIX
    if len(sys.argv) == 3 and sys.argv[1] == "--full-disk-scenario":
        sys.exit(full_disk_scenario(json.loads(sys.argv[2])))
    build_dir = os.path.abspath(sys.argv[1])
    PREFIX = install_prefix(build_dir)
    try:
        argv = [sys.argv[0]] + sys.argv[2:]
        result = unittest.main(argv=argv, exit=False, verbosity=2).result
    finally:
        shutil.rmtree(PREFIX, ignore_errors=True)
    for finding in FINDINGS:
        print("finding:", finding)
    known = len(result.expectedFailures)
    if known:
        print(f"known faults still present: {known}")
    passed = (result.testsRun - len(result.failures) - len(result.errors) - len(result.skipped) -
              known)
    print(f"{passed} passed, {len(result.failures) + len(result.errors)} failed, "
          f"{len(result.skipped)} skipped")
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
