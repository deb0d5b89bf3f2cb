#!/usr/bin/env python3
"""End-to-end walk-through of the installed Ferrolet on a real desktop stack:
Xvfb, a session bus, the trayer tray host and the thunar file manager. It
drives the program as a user would (files copied to the clipboard, the tray
menu opened with the mouse, commands chosen through `ferrolet --command`) and
checks files on disk, log lines, stored settings and the file manager's
reveal calls.

Usage: run_e2e.py BUILD_DIR [unittest options]
       FERROLET_PREFIX=/usr run_e2e.py [unittest options]

With FERROLET_PREFIX the walk-through runs the Ferrolet installed under that
prefix (e.g. from the Debian package) instead of installing a build into a
temporary prefix."""

import os
import plistlib
import shutil
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

    def test_tray_menu_greys_destinations_that_cannot_take_the_selection(self):
        kept = self.desk.path("Filed")
        gone = self.desk.path("Old Projects")
        drafts = self.desk.path("Downloads", "Drafts")
        final = os.path.join(drafts, "Final")
        notes = self.desk.path("Downloads", "notes.txt")
        for folder in (kept, gone, final):
            os.makedirs(folder)
        open(notes, "w").close()
        self.start_ferrolet({"OpenMoveServiceWindow": False, "IncludeWrapItems": False,
                             "IncludeCutAndPasteItems": False})
        for folder in (kept, gone, final):
            self.desk.serve_clipboard([folder])
            self.desk.run(["ferrolet", "--command", "-1001"])  # Add Folder
        os.rmdir(gone)
        self.desk.serve_clipboard([notes, drafts])
        menu = self.menu()
        self.assertIn("  << Folder Not Found >>\ttag=2002\taction=command\tdisabled", menu)
        self.assertIn("  Final (inside the selection)\ttag=3003\taction=command\tdisabled\t"
                      f"tip={final} (inside the selection)", menu)
        self.assertIn("  Filed\ttag=1001\taction=command\ttip=", menu)
        # Choosing it anyway is refused in plain words, and nothing moves.
        refused = self.desk.run(["ferrolet", "--command", "2002"], check=False)
        self.assertEqual(refused.returncode, 2)
        self.assertIn("is not possible now: not found", refused.stderr)
        self.assertTrue(os.path.exists(notes))
        # The tray menu with Move To open: both folders show greyed.
        time.sleep(1.0)
        before = self.visible_ferrolet_windows()
        self.desk.run(["xdotool", "mousemove", "1012", "12", "click", "3"])
        self.assertTrue(wait_for(lambda: len(self.visible_ferrolet_windows()) > len(before)),
                        "a menu window appears")
        self.desk.run(["xdotool", "key", "Down", "Down", "Right"], check=False)
        wait_for(lambda: len(self.visible_ferrolet_windows()) > len(before) + 1)
        time.sleep(0.3)
        self.shot("tray-menu-unavailable-destinations.png")
        self.desk.run(["xdotool", "key", "Escape", "Escape"], check=False)

    def visible_ferrolet_windows(self):
        out = self.desk.run(["xdotool", "search", "--onlyvisible", "--class", "ferrolet"],
                            check=False).stdout
        return out.split()

    def test_preferences_window_opens_in_running_instance(self):
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        self.desk.run(["ferrolet", "--preferences"], timeout=20)
        self.assertTrue(wait_for(lambda: self.desk.find_window("Ferrolet Preferences")))
        self.shot("preferences.png")


class CommandsTest(FerroletSession):
    """One path through every destination command, the folder-list commands and
    the services, chosen through `ferrolet --command` as a shortcut would."""

    def setUp(self):
        super().setUp()
        self.monitor_log = open(os.path.join(self.desk.root, "dbus-monitor.log"), "w+")
        self.addCleanup(self.monitor_log.close)
        self.desk.spawn(["dbus-monitor", "--session",
                         "interface='org.freedesktop.FileManager1'"], stdout=self.monitor_log)
        self.downloads = self.desk.path("Downloads")
        self.dest = self.desk.path("Filed Away")
        os.makedirs(self.downloads)
        os.makedirs(self.dest)
        self.start_ferrolet({"OpenMoveServiceWindow": False})

    def file(self, name, text="data"):
        path = os.path.join(self.downloads, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def command(self, tag, *selection):
        self.desk.serve_clipboard(list(selection))
        return self.desk.run(["ferrolet", "--command", str(tag)], check=False, timeout=120)

    def file_manager_calls(self):
        self.monitor_log.flush()
        with open(self.monitor_log.name) as f:
            return f.read()

    def test_one_reveal_and_one_notice_per_run(self):
        notices = open(os.path.join(self.desk.root, "notify-monitor.log"), "w+")
        self.addCleanup(notices.close)
        self.desk.spawn(["dbus-monitor", "--session",
                         "interface='org.freedesktop.Notifications',member='Notify'"],
                        stdout=notices)

        def notify_calls():
            notices.flush()
            with open(notices.name) as f:
                return f.read()

        self.assertEqual(self.command(-1001, self.dest).returncode, 0)
        files = [self.file(f"twenty {i:02d}.txt") for i in range(20)]
        before = self.file_manager_calls().count("member=ShowItems")
        self.assertEqual(self.command(1001, *files).returncode, 0)
        self.assertTrue(wait_for(
            lambda: self.file_manager_calls().count("member=ShowItems") > before, timeout=60))
        calls = self.file_manager_calls()
        # One window for the run: one ShowItems carrying all twenty items.
        self.assertEqual(calls.count("member=ShowItems"), before + 1)
        for i in range(20):
            self.assertIn(f"Filed%20Away/twenty%20{i:02d}.txt", calls)
        self.assertNotIn("member=Notify", notify_calls(), "success stays silent")

        # The destination was deleted: the command is refused before it
        # starts, and one notice says why.
        shutil.rmtree(self.dest)
        lost = self.file("lost.txt")
        self.assertEqual(self.command(1001, lost).returncode, 2)
        self.assertTrue(wait_for(lambda: "member=Notify" in notify_calls(), timeout=60))
        self.assertTrue(wait_for(lambda: "Move To is not possible" in notify_calls()))
        self.assertIn("not found", notify_calls())
        self.assertEqual(notify_calls().count("member=Notify"), 1)
        self.assertTrue(os.path.exists(lost))

    def test_every_destination_command(self):
        # Add Folder with the destination folder selected.
        self.assertEqual(self.command(-1001, self.dest).returncode, 0)
        stored = self.settings()["PathnamesAliases"]
        self.assertEqual(len(stored), 1)
        self.assertIsInstance(stored[0], bytes)
        menu = self.menu()
        # Still selected, the folder cannot go into itself: listed, greyed.
        self.assertIn("Filed Away (inside the selection)\ttag=1001\taction=command\tdisabled",
                      menu)
        self.assertIn("Filed Away\ttag=1004\taction=command", menu)

        # Move To.
        a = self.file("a.txt", "moved")
        self.assertEqual(self.command(1001, a).returncode, 0)
        self.assertFalse(os.path.exists(a))
        with open(os.path.join(self.dest, "a.txt")) as f:
            self.assertEqual(f.read(), "moved")
        self.assertTrue(wait_for(lambda: 'Moved "a.txt" to "Filed Away"' in self.log_lines()))
        self.assertTrue(wait_for(lambda: "ShowItems" in self.file_manager_calls()),
                        "the moved item is revealed in the file manager")
        self.assertIn("Filed%20Away/a.txt", self.file_manager_calls())

        # Copy To.
        b = self.file("b.txt", "copied")
        self.assertEqual(self.command(1002, b).returncode, 0)
        self.assertTrue(os.path.exists(b))
        self.assertTrue(os.path.exists(os.path.join(self.dest, "b.txt")))

        # Archive To: b.txt.zip holding b.txt.
        self.assertEqual(self.command(1003, b).returncode, 0)
        import zipfile
        with zipfile.ZipFile(os.path.join(self.dest, "b.txt.zip")) as z:
            self.assertEqual(z.namelist(), ["b.txt"])
            self.assertEqual(z.read("b.txt"), b"copied")

        # Alias To: b.txt is taken by the copy, so "b.txt alias".
        self.assertEqual(self.command(1004, b).returncode, 0)
        alias = os.path.join(self.dest, "b.txt alias")
        self.assertTrue(os.path.islink(alias))
        self.assertEqual(os.readlink(alias), b)

        # Hard Link To.
        c = self.file("c.txt", "linked")
        self.assertEqual(self.command(1006, c).returncode, 0)
        self.assertEqual(os.stat(c).st_ino, os.stat(os.path.join(self.dest, "c.txt")).st_ino)

        # Open Folder shows the listed folder.
        self.assertEqual(self.command(1005, c).returncode, 0)
        self.assertTrue(wait_for(lambda: "ShowFolders" in self.file_manager_calls()))

        # Remove Folder with the folder selected: the menu offered it.
        self.desk.serve_clipboard([self.dest])
        self.assertIn("Remove Folder\ttag=-1002", self.menu())
        self.assertEqual(self.command(-1002, self.dest).returncode, 0)
        self.assertEqual(self.settings()["PathnamesAliases"], [])
        self.assertIn("No predefined destination folders", self.menu())

        # A tag the menu does not offer is refused.
        refused = self.command(2002, c)
        self.assertEqual(refused.returncode, 2)
        self.assertTrue(refused.stderr.strip())

    def test_installed_thunar_action_acts_on_the_right_clicked_items(self):
        """The generated Thunar action, run as Thunar runs it (items shell-quoted
        in place of %F, the line through /bin/sh), moves exactly the two
        right-clicked files while the clipboard holds a third."""
        import shlex
        import xml.etree.ElementTree as ElementTree
        self.assertEqual(self.command(-1001, self.dest).returncode, 0)
        installed = self.desk.run(["ferrolet", "--install-menus"], check=False)
        self.assertEqual(installed.returncode, 0, installed.stderr)
        uca = self.desk.path(".config", "Thunar", "uca.xml")
        actions = {a.findtext("name"): a.findtext("command")
                   for a in ElementTree.parse(uca).getroot().iter("action")}
        command = actions["Move To \u25b8 Filed Away"]
        x = self.file("x 'one'.txt", "x")
        y = self.file("y $two; \"three\".txt", "y")
        z = self.file("z.txt", "z")
        self.desk.serve_clipboard([z])
        line = command.replace("%F", " ".join(shlex.quote(p) for p in (x, y)))
        result = self.desk.run(["/bin/sh", "-c", line], check=False, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(sorted(os.listdir(self.dest)), sorted([os.path.basename(x),
                                                                os.path.basename(y)]))
        self.assertTrue(os.path.exists(z))

        # Removing the destination rewrites the installed entries.
        self.assertEqual(self.command(-1002, self.dest).returncode, 0)
        with open(uca) as f:
            self.assertNotIn("Filed Away", f.read())

    def test_services_move_into_standard_folders(self):
        d = self.file("for-documents.txt")
        result = self.desk.run(["ferrolet", "--service", "Move to Documents", d], check=False)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(wait_for(lambda: os.path.exists(
            self.desk.path("Documents", "for-documents.txt"))))
        self.assertFalse(os.path.exists(d))
        # Letter case matters: an unknown entry moves nothing.
        e = self.file("stays.txt")
        self.desk.run(["ferrolet", "--service", "move to desktop", e], check=False)
        self.assertTrue(wait_for(lambda: "The object was not moved" in "\n".join(self.log_lines())))
        self.assertTrue(os.path.exists(e))


class FilingTest(FerroletSession):
    """Put In Its Place, Wrap Items and Cut/Paste, and every service entry."""

    def setUp(self):
        super().setUp()
        self.downloads = self.desk.path("Downloads")
        os.makedirs(self.downloads)

    def file(self, name, folder=None):
        path = os.path.join(folder or self.downloads, name)
        with open(path, "w") as f:
            f.write(name)
        return path

    def command(self, tag, *selection):
        self.desk.serve_clipboard(list(selection))
        result = self.desk.run(["ferrolet", "--command", str(tag)], check=False, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_put_in_its_place_wrap_cut_and_paste(self):
        papers = self.desk.path("Papers")
        os.makedirs(papers)
        # An older path-only extension list moves into folder records at start.
        self.start_ferrolet({"OpenMoveServiceWindow": False, "PromptForWrap": False,
                             "WrapCopies": False, "Extensions": ["pdf"],
                             "ExtensionPaths": [papers]})
        self.assertNotIn("ExtensionPaths", self.settings())
        self.assertEqual(len(self.settings()["ExtensionPathsAliases"]), 1)

        paper = self.file("Paper.PDF")
        notes = self.file("notes.txt")
        self.command(-1003, paper, notes)
        self.assertTrue(os.path.exists(os.path.join(papers, "Paper.PDF")))
        self.assertTrue(os.path.exists(notes), "no folder for txt: it stays")

        # Wrap by moving into a new dated folder beside the first item.
        a, b = self.file("a.txt"), self.file("b.txt")
        self.command(-1004, a, b)
        wrappers = [n for n in os.listdir(self.downloads) if n.startswith("Wrapped Items ")]
        self.assertEqual(len(wrappers), 1)
        self.assertRegex(wrappers[0], r"^Wrapped Items \d{4}-\d\d-\d\d \d\d-\d\d-\d\d [+-]\d{4}$")
        self.assertEqual(sorted(os.listdir(os.path.join(self.downloads, wrappers[0]))),
                         ["a.txt", "b.txt"])
        self.assertTrue(wait_for(lambda: any("Wrap Items. The wrapper path is : " in l
                                             for l in self.log_lines())))

        # Cut, then Paste into another folder; the cut survives a restart.
        target = self.desk.path("Target")
        os.makedirs(target)
        c = self.file("c.txt")
        self.command(-1005, c)
        self.assertFalse(os.path.exists(c), "cut items wait in the holding folder")
        self.desk.serve_clipboard([target])
        self.assertIn("Paste Items\ttag=-1006\taction=command", self.menu())
        self.app.terminate()
        self.app.wait(10)
        self.start_ferrolet()
        self.command(-1006, target)
        self.assertTrue(os.path.exists(os.path.join(target, "c.txt")))

    def test_every_service_entry(self):
        self.start_ferrolet({"OpenMoveServiceWindow": False})
        places = {
            "Move to Documents": "Documents", "Move to Home": "",
            "Move to Pictures": "Pictures", "Move to Movies": "Videos", "Move to Music": "Music",
            "Move to Sites": "public_html", "Move to Public": "Public",
            "Move to Desktop": "Desktop", "Move to Desktop Pictures": "Pictures/Wallpapers",
        }
        for entry, folder in places.items():
            name = entry.replace(" ", "-") + ".txt"
            item = self.file(name)
            self.desk.run(["ferrolet", "--service", entry, item], timeout=60)
            self.assertTrue(wait_for(lambda: os.path.exists(self.desk.path(folder, name))), entry)
            self.assertFalse(os.path.exists(item), entry)

        self.desk.run(["ferrolet", "--service", "Open Move Service Window", self.downloads])
        self.assertTrue(wait_for(lambda: self.desk.find_window("Move Service")))
        self.shot("move-service-window-at-mouse.png")
        self.desk.run(["ferrolet", "--service", "Close Move Service Window", self.downloads])
        self.assertTrue(wait_for(lambda: not self.desk.run(
            ["xdotool", "search", "--onlyvisible", "--name", "Move Service"], check=False).stdout))


def main():
    global BUILD_DIR, PREFIX, SHOTS
    args = sys.argv[1:]
    installed = os.environ.get("FERROLET_PREFIX")
    if installed:
        PREFIX = os.path.abspath(installed)
        if not os.access(os.path.join(PREFIX, "bin", "ferrolet"), os.X_OK):
            sys.exit(f"no ferrolet installed in {PREFIX}/bin")
    else:
        BUILD_DIR = os.path.abspath(args.pop(0))
        SHOTS = os.path.join(BUILD_DIR, "e2e-screenshots")
        os.makedirs(SHOTS, exist_ok=True)
        PREFIX = install_prefix(BUILD_DIR)
    argv = [sys.argv[0]] + args
    result = unittest.main(argv=argv, exit=False, verbosity=2).result
    passed = result.testsRun - len(result.failures) - len(result.errors) - len(result.skipped)
    print(f"{passed} passed, {len(result.failures) + len(result.errors)} failed, "
          f"{len(result.skipped)} skipped")
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
