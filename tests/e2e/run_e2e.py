#!/usr/bin/env python3
"""End-to-end walk-through of the installed Ferrolet on a real desktop stack:
Xvfb, a session bus, the trayer tray host and the thunar file manager. It
drives the program as a user would (files copied to the clipboard, the tray
menu opened with the mouse, commands chosen through `ferrolet --command`) and
checks files on disk, stored settings, the pictures on screen and what the
file manager and the notification server were sent. What a single layer can
show is tested in C++; this keeps what only the whole program on a desktop
shows.

Usage: run_e2e.py BUILD_DIR [unittest options]
       FERROLET_PREFIX=/usr run_e2e.py [unittest options]

With FERROLET_PREFIX the walk-through runs the Ferrolet installed under that
prefix (e.g. from the Debian package) instead of installing a build."""

import os
import plistlib
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, wait_for, write, write_settings  # noqa: E402

PREFIX = None
SHOTS = tempfile.gettempdir()


class WalkThrough(unittest.TestCase):
    def setUp(self):
        self.desk = Desktop(PREFIX).start()
        self.addCleanup(self.desk.stop)
        self.monitor = open(os.path.join(self.desk.root, "dbus-monitor.log"), "w+")
        self.addCleanup(self.monitor.close)
        self.desk.spawn(["dbus-monitor", "--session",
                         "interface='org.freedesktop.FileManager1'",
                         "interface='org.freedesktop.Notifications',member='Notify'"],
                        stdout=self.monitor)
        self.downloads = self.desk.path("Downloads")
        self.dest = self.desk.path("Filed Away")
        os.makedirs(self.downloads)
        os.makedirs(self.dest)

    def start_ferrolet(self, settings=None):
        if settings is not None:
            self.settings_file = write_settings(self.desk.home, settings)
        self.app = self.desk.spawn(["ferrolet"])
        self.assertTrue(wait_for(lambda: "boolean true" in self.desk.run(
            ["dbus-send", "--session", "--dest=org.freedesktop.DBus", "--print-reply",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:com.quorvane.Ferrolet"], check=False).stdout), "never took its bus name")

    def bus_calls(self, member):
        self.monitor.flush()
        with open(self.monitor.name) as f:
            return f.read().count("member=" + member)

    def file(self, name, text="data"):
        return write(os.path.join(self.downloads, name), text.encode())

    def shows(self, name, window="root"):
        """A picture of the screen (kept for people to look at) that shows
        more than a blank screen, once the windows have painted."""
        target = os.path.join(SHOTS, name)
        self.assertTrue(wait_for(lambda: self.desk.screenshot(target, window) > 8, step=0.5),
                        f"{name} stays blank")

    def open_tray_menu(self):
        visible = lambda: self.desk.run(["xdotool", "search", "--onlyvisible", "--class",
                                         "ferrolet"], check=False).stdout.split()
        before = len(visible())
        # trayer sits at the top right; our icon is its first slot. The icon
        # may be docked a moment after the bus name is taken: click again
        # when no menu came.
        for _ in range(6):
            self.desk.run(["xdotool", "mousemove", "1012", "12", "click", "3"])
            if wait_for(lambda: len(visible()) > before, timeout=20):
                return before, visible
        self.fail("no menu window appeared")

    def test_first_run_tray_menu_and_windows(self):
        notes = self.file("notes.txt")
        self.start_ferrolet()
        self.assertTrue(wait_for(lambda: self.desk.find_window("Move Service")),
                        "the Move Service window opens at launch on a first run")
        self.shows("move-service-window.png", self.desk.find_window("Move Service"))
        second = self.desk.run(["ferrolet"], check=False)
        self.assertEqual(second.returncode, 0)
        self.assertIsNone(self.app.poll(), "a second start hands over and the first keeps running")

        # The tray menu greys a folder that cannot take the selection.
        for folder in (self.dest, os.path.join(self.downloads, "Drafts")):
            os.makedirs(folder, exist_ok=True)
            self.assertEqual(self.desk.command(-1001, [folder]).returncode, 0)
        self.desk.serve_clipboard([notes, self.downloads])
        self.assertIn("  Drafts (inside the selection)\ttag=2002\taction=command\tdisabled",
                      self.desk.run(["ferrolet", "--menu"]).stdout)
        before, visible = self.open_tray_menu()
        self.desk.run(["xdotool", "key", "Down", "Down", "Right"], check=False)
        wait_for(lambda: len(visible()) > before + 1)
        self.shows("tray-menu-unavailable-destinations.png")
        self.desk.run(["xdotool", "key", "Escape", "Escape"], check=False)

        self.desk.run(["ferrolet", "--preferences"])
        self.assertTrue(wait_for(lambda: self.desk.find_window("Ferrolet Preferences")))
        self.shows("preferences.png", self.desk.find_window("Ferrolet Preferences"))
        self.desk.run(["ferrolet", "--service", "Open Move Service Window", self.downloads])
        self.assertTrue(wait_for(lambda: self.desk.find_window("Move Service")))
        self.desk.run(["ferrolet", "--service", "Close Move Service Window", self.downloads])
        self.assertTrue(wait_for(lambda: not self.desk.find_window("Move Service")))

    def test_filing_reveals_once_and_fails_in_one_notice(self):
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        self.assertEqual(self.desk.command(-1001, [self.dest]).returncode, 0)
        with open(self.settings_file, "rb") as f:
            self.assertIsInstance(plistlib.load(f)["PathnamesAliases"][0], bytes)
        files = [self.file(f"twenty {i:02d}.txt", str(i)) for i in range(20)]
        self.assertEqual(self.desk.command(1001, files).returncode, 0)
        self.assertTrue(wait_for(lambda: self.bus_calls("ShowItems") == 1))
        self.assertEqual(sorted(os.listdir(self.dest)), [os.path.basename(f) for f in files])
        self.assertEqual(self.desk.command(1005, [self.file("b.txt")]).returncode, 0)
        self.assertTrue(wait_for(lambda: self.bus_calls("ShowFolders") == 1), "Open Folder")
        # One window for the 20 items revealed, one for the folder opened.
        windows = lambda: len(self.desk.run(["xdotool", "search", "--onlyvisible", "--name",
                                             "Filed Away"], check=False).stdout.split())
        self.assertTrue(wait_for(lambda: windows() == 2), "thunar shows it")
        self.shows("thunar-open-folder.png", self.desk.find_window("Filed Away"))
        self.assertEqual(windows(), 2)
        self.assertEqual(self.bus_calls("Notify"), 0, "success stays silent")

        # The listed folder deleted: refused before it starts, one notice.
        shutil.rmtree(self.dest)
        lost = self.file("lost.txt")
        self.assertEqual(self.desk.command(1001, [lost]).returncode, 2)
        self.assertTrue(wait_for(lambda: self.bus_calls("Notify") == 1))
        self.assertTrue(os.path.exists(lost))


def main():
    global PREFIX, SHOTS
    args = sys.argv[1:]
    installed = os.environ.get("FERROLET_PREFIX")
    if installed:
        PREFIX = os.path.abspath(installed)
        if not os.access(os.path.join(PREFIX, "bin", "ferrolet"), os.X_OK):
            sys.exit(f"no ferrolet installed in {PREFIX}/bin")
    else:
        build_dir = os.path.abspath(args.pop(0))
        SHOTS = os.path.join(build_dir, "e2e-screenshots")
        os.makedirs(SHOTS, exist_ok=True)
        PREFIX = tempfile.mkdtemp(prefix="ferrolet-prefix-")
        subprocess.run(["cmake", "--install", build_dir, "--prefix", PREFIX], check=True,
                       stdout=subprocess.DEVNULL)
    result = unittest.main(argv=[sys.argv[0]] + args, exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
