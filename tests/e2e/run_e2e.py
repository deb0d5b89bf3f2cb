#!/usr/bin/env python3
"""End-to-end walk-through of the installed Ferrolet on a real desktop stack:
Xvfb, a session bus, the trayer tray host and the thunar file manager. It
drives the program as a user would (files copied to the clipboard, the tray
menu opened with the mouse, commands chosen through `ferrolet --command`) and
checks files on disk, log lines, stored settings and the file manager's
reveal calls.

Usage: run_e2e.py BUILD_DIR [unittest options]"""

import os
import plistlib
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, wait_for  # noqa: E402

BUILD_DIR = None
PREFIX = None
SHOTS = None


def install_prefix(build_dir):
    prefix = tempfile.mkdtemp(prefix="ferrolet-prefix-")
    subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    return prefix


class FerroletSession(unittest.TestCase):
    """One desktop and one running Ferrolet per test."""

    with_file_manager = True

    def setUp(self):
        self.desk = Desktop(PREFIX).start()
        self.addCleanup(self.desk.stop)
        self.settings_file = self.desk.path(".config", "com.quorvane.Ferrolet.plist")

    def start_ferrolet(self, settings=None):
        if settings is not None:
            os.makedirs(os.path.dirname(self.settings_file), exist_ok=True)
            with open(self.settings_file, "wb") as f:
                plistlib.dump(settings, f)
        self.log = open(os.path.join(self.desk.root, "ferrolet.log"), "w+")
        self.addCleanup(self.log.close)
        self.app = self.desk.spawn(["ferrolet"], stderr=self.log, stdout=self.log)
        self.assertTrue(wait_for(lambda: self.bus_has("com.quorvane.Ferrolet")),
                        "Ferrolet never took its bus name")

    def bus_has(self, name):
        out = self.desk.run(["dbus-send", "--session", "--dest=org.freedesktop.DBus",
                             "--type=method_call", "--print-reply", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus.NameHasOwner", "string:" + name],
                            check=False).stdout
        return "boolean true" in out

    def log_lines(self):
        self.log.flush()
        with open(self.log.name) as f:
            return f.read().splitlines()

    def menu(self, *extra):
        return self.desk.run(["ferrolet", "--menu", *extra]).stdout

    def settings(self):
        with open(self.settings_file, "rb") as f:
            return plistlib.load(f)

    def shot(self, name, window=None):
        if SHOTS:
            self.desk.screenshot(os.path.join(SHOTS, name), window)


class ShellTest(FerroletSession):
    def test_launch_shows_tray_icon_and_move_service_window(self):
        self.start_ferrolet()
        window = wait_for(lambda: self.desk.find_window("Move Service"))
        self.assertTrue(window, "the Move Service window opens at launch on a first run")
        self.shot("move-service-window.png")
        # A second start hands over to the first and exits.
        second = self.desk.run(["ferrolet"], timeout=20)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(self.app.poll(), None, "the first instance keeps running")

    def test_menu_reflects_clipboard_selection_and_settings(self):
        a = self.desk.path("Downloads", "report.pdf")
        b = self.desk.path("Downloads", "photo.jpg")
        os.makedirs(os.path.dirname(a))
        for p in (a, b):
            open(p, "w").close()
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        self.desk.serve_clipboard([a, b])
        menu = self.menu()
        self.assertIn("2 Items, First item: report.pdf", menu)
        self.assertIn("Move To\ttag=1001", menu)
        # A change in the settings file is seen by the very next menu.
        settings = self.settings() if os.path.exists(self.settings_file) else {}
        settings["IncludeMoveTo"] = False
        with open(self.settings_file, "wb") as f:
            plistlib.dump(settings, f)
        self.assertNotIn("Move To\t", self.menu())

    def test_tray_menu_opens_on_right_click(self):
        a = self.desk.path("Downloads", "notes.txt")
        os.makedirs(os.path.dirname(a))
        open(a, "w").close()
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        self.desk.serve_clipboard([a])
        # trayer sits at the top right; our icon is its first slot.
        time.sleep(1.0)
        before = self.visible_ferrolet_windows()
        self.desk.run(["xdotool", "mousemove", "1012", "12", "click", "3"])
        self.assertTrue(wait_for(lambda: len(self.visible_ferrolet_windows()) > len(before)),
                        "a menu window appears")
        time.sleep(0.3)
        self.shot("tray-menu.png")
        self.desk.run(["xdotool", "key", "Escape"], check=False)

    def visible_ferrolet_windows(self):
        out = self.desk.run(["xdotool", "search", "--onlyvisible", "--class", "ferrolet"],
                            check=False).stdout
        return out.split()

    def test_preferences_window_opens_in_running_instance(self):
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        self.desk.run(["ferrolet", "--preferences"], timeout=20)
        self.assertTrue(wait_for(lambda: self.desk.find_window("Ferrolet Preferences")))
        self.shot("preferences.png")


def main():
    global BUILD_DIR, PREFIX, SHOTS
    BUILD_DIR = os.path.abspath(sys.argv[1])
    SHOTS = os.path.join(BUILD_DIR, "e2e-screenshots")
    os.makedirs(SHOTS, exist_ok=True)
    PREFIX = install_prefix(BUILD_DIR)
    argv = [sys.argv[0]] + sys.argv[2:]
    result = unittest.main(argv=argv, exit=False, verbosity=2).result
    passed = result.testsRun - len(result.failures) - len(result.errors) - len(result.skipped)
    print(f"{passed} passed, {len(result.failures) + len(result.errors)} failed, "
          f"{len(result.skipped)} skipped")
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
