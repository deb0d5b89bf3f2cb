"""Whole-program benchmarks: the installed `ferrolet --command TAG` timed
from process start to exit, as a user runs it, with the default settings
(reveal on), against the command-line tools that do the same work on the
same files in the same run. Every figure is the median of several runs.

Two desktops: one whose session bus has no file manager and can start none
(the reveal falls back to xdg-open, here a stand-in that records its
starts), and one with Thunar running under Xvfb (the reveal is a ShowItems
call that Thunar answers)."""

import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from desktop import Desktop, uri_list, wait_for  # noqa: E402

RUNS = 5
MOVE_TAG = 1001  # Move To, first listed folder
COPY_TAG = 1002  # Copy To, first listed folder
ARCHIVE_TAG = 1003  # Archive To, first listed folder

# A bus that answers but can start nothing: no file manager is ever there.
BARE_BUS = ("<busconfig><type>session</type><listen>unix:tmpdir={dir}</listen>"
            "<auth>EXTERNAL</auth><policy context='default'><allow send_destination='*'/>"
            "<allow receive_sender='*'/><allow own='*'/></policy></busconfig>\n")


def timed(argv, env, cwd=None):
    """Runs argv to its end; (seconds, peak resident KiB). Fails loudly.
    The peak is what GNU time, the program's parent, reads: a child of this
    Python process counts the resident memory this process had when it
    forked as its own peak (the kernel keeps it across exec)."""
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as peak:
        start = time.monotonic()
        proc = subprocess.Popen(["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name, *argv],
                                env=env, cwd=cwd, stdout=subprocess.DEVNULL, stderr=err)
        _, status, _ = os.wait4(proc.pid, 0)
        elapsed = time.monotonic() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode != 0:
            err.seek(0)
            last = err.read().decode(errors="replace").strip().splitlines()[-1:]
            raise RuntimeError(f"{argv[0]} {' '.join(argv[1:3])} failed ({proc.returncode}): "
                               f"{last}")
        return elapsed, int(peak.read().split()[-1])


def make_files(folder, count):
    """count empty files: what is timed is the work per item, and this
    machine's disk discards the blocks of every file removed, which would
    make each run's clean-up take minutes."""
    os.makedirs(folder, exist_ok=True)
    paths = []
    for i in range(count):
        p = os.path.join(folder, f"file {i:06d}.txt")
        os.close(os.open(p, os.O_CREAT | os.O_WRONLY, 0o644))
        paths.append(p)
    return paths


def fresh(folder):
    """Empties folder, keeping the folder itself: a listed destination
    that is removed and made again is another folder (another inode), which
    the program then looks for around its old place as a user's renamed or
    moved folder, a search that the timed run would wrongly include."""
    os.makedirs(folder, exist_ok=True)
    with os.scandir(folder) as entries:
        for entry in entries:
            if entry.is_dir(follow_symlinks=False):
                shutil.rmtree(entry.path)
            else:
                os.remove(entry.path)
    return folder


def write_mixed_folder(root, megabytes, seed=7):
    """Files of a few KiB to 16 MiB: a third random (photos, videos), the
    rest text and code of varying redundancy, a few links; about megabytes."""
    rng = random.Random(seed)
    words = [w.encode() for w in ("the of and folder report archive moved line data value "
                                  "return int const std string if else for while".split())]
    total, i = megabytes * 1024 * 1024, 0
    written = 0
    while written < total:
        kind = ("media", "text", "code")[i % 3]
        size = min(total - written, 4096 << rng.randrange(0, 13))
        folder = os.path.join(root, kind, f"set{i % 7}")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, f"item{i}." + {"media": "jpg", "text": "txt",
                                                    "code": "cpp"}[kind])
        with open(path, "wb") as f:
            if kind == "media":
                f.write(rng.randbytes(size))
            else:
                chunk = bytearray()
                while len(chunk) < min(size, 1 << 20):
                    chunk += rng.choice(words) + (b" " if rng.random() < 0.8 else b"\n")
                    if kind == "code" and rng.random() < 0.1:
                        chunk += str(rng.randrange(1 << 30)).encode() + b";\n"
                data = bytes(chunk)
                while f.tell() < size:
                    f.write(data[: size - f.tell()])
        written += size
        i += 1
    for n in range(5):
        os.symlink(f"../text/set{n}", os.path.join(root, "media", f"link{n}"))


class Session:
    """A private home and desktop for the installed program."""

    def __init__(self, prefix, with_thunar):
        self.with_thunar = with_thunar
        self.desk = Desktop(prefix, with_tray=False)
        self.launch_log = None
        self.commands = 0

    def __enter__(self):
        desk = self.desk
        if self.with_thunar:
            desk.start()
            subprocess.run(["dbus-update-activation-environment", "DISPLAY"], env=desk.env,
                           check=False, capture_output=True)
            desk.spawn(["thunar", "--daemon"])
            wait_for(lambda: desk.run(["dbus-send", "--session", "--print-reply",
                                       "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus.NameHasOwner",
                                       "string:org.freedesktop.FileManager1"],
                                      check=False).stdout.find("true") >= 0, timeout=30)
        else:
            self._bare_bus()
        self.env = dict(desk.env)
        return self

    def _bare_bus(self):
        desk = self.desk
        desk.env.pop("DISPLAY", None)
        conf = os.path.join(desk.root, "bus.conf")
        with open(conf, "w") as f:
            f.write(BARE_BUS.format(dir=desk.root))
        out = subprocess.check_output(["dbus-daemon", f"--config-file={conf}", "--fork",
                                       "--print-address=1", "--print-pid=1"], env=desk.env,
                                      text=True)
        address, pid = out.split("\n")[:2]
        desk.bus_pid = int(pid)
        desk.env["DBUS_SESSION_BUS_ADDRESS"] = address.strip()
        bin_dir = desk.path("fake-bin")
        os.makedirs(bin_dir)
        self.launch_log = desk.path("xdg-open.log")
        with open(os.path.join(bin_dir, "xdg-open"), "w") as f:
            f.write(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '{self.launch_log}'\n")
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        desk.env["PATH"] = bin_dir + ":" + desk.env["PATH"]

    def __exit__(self, *exc):
        if self.desk.procs:
            self.desk.stop()
            return
        # The bare bus: no X server or other process of ours to stop.
        try:
            os.kill(self.desk.bus_pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        shutil.rmtree(self.desk.root, ignore_errors=True)

    def path(self, *parts):
        return self.desk.path(*parts)

    def listed(self, folder):
        """Makes folder the only listed destination (place 1)."""
        os.makedirs(folder, exist_ok=True)
        plist = self.path(".config", "com.quorvane.Ferrolet.plist")
        if os.path.exists(plist):
            os.remove(plist)
        subprocess.run(["ferrolet", "--command", "-1001", "--", folder], env=self.env, check=True,
                       capture_output=True)

    def command(self, tag, paths):
        self.commands += 1
        return ["ferrolet", "--command", str(tag), "--", *paths]

    def launches(self):
        if not self.launch_log or not os.path.exists(self.launch_log):
            return 0
        with open(self.launch_log) as f:
            return len(f.read().splitlines())


class Table:
    def __init__(self, row):
        self.row = row

    def compare(self, workload, ours, reference, refname, target, limit=None):
        """Adds a row from two lists of times (seconds)."""
        a, b = statistics.median(ours), statistics.median(reference)
        ratio = a / b if b > 0 else float("inf")
        met = "" if limit is None else (" (met)" if ratio <= limit else " (missed)")
        self.row(workload, f"{a:.3f} s", f"{refname} {b:.3f} s", f"{ratio:.2f}x", target + met)


def medians_of(runs, prepare, ours, reference):
    """Times ours and reference runs times on freshly prepared files each."""
    mine, theirs = [], []
    for _ in range(runs):
        args = prepare()
        os.sync()
        theirs.append(reference(args)[0])
        args = prepare()
        os.sync()
        mine.append(ours(args)[0])
    return mine, theirs


def many_files(s, table, label, count=10000, elsewhere=None, across=10000):
    """Move To and Copy To of count small files; across file systems too
    when elsewhere names a folder on another file system."""
    dest = s.path("Dest")
    fresh(dest)
    s.listed(dest)
    src = s.path("many")

    def prepare(folder=src):
        fresh(dest)
        shutil.rmtree(folder, ignore_errors=True)
        return make_files(folder, count)

    mine, theirs = medians_of(RUNS, prepare, lambda p: timed(s.command(MOVE_TAG, p), s.env),
                              lambda p: timed(["mv", "-t", dest, *p], s.env))
    table.compare(f"Move To, {count:,} files, one file system ({label})", mine, theirs, "mv",
                  "at most 3x", 3.0)
    mine, theirs = medians_of(RUNS, prepare, lambda p: timed(s.command(COPY_TAG, p), s.env),
                              lambda p: timed(["cp", "-a", "-t", dest, *p], s.env))
    table.compare(f"Copy To, {count:,} files ({label})", mine, theirs, "cp -a", "at most 3x", 3.0)
    if elsewhere:
        other = os.path.join(elsewhere, "many")

        def prepare_across():
            fresh(dest)
            shutil.rmtree(other, ignore_errors=True)
            return make_files(other, across)

        mine, theirs = medians_of(
            RUNS, prepare_across, lambda p: timed(s.command(MOVE_TAG, p), s.env),
            lambda p: timed(["sh", "-c", 'd="$1"; shift; cp -a -t "$d" "$@" && rm -r "$@"',
                             "sh", dest, *p], s.env))
        table.compare(f"Move To, {across:,} files, tmpfs -> disk ({label})", mine, theirs,
                      "cp -a && rm -r", "at most 1.1x", 1.1)
        shutil.rmtree(other, ignore_errors=True)
    shutil.rmtree(src, ignore_errors=True)
    fresh(dest)


def one_item(s, table, label):
    """A command on one item: the whole process, mostly start-up."""
    dest = s.path("Dest")
    s.listed(dest)

    def prepare():
        fresh(dest)
        return make_files(fresh(s.path("one")), 1)

    mine, theirs = medians_of(RUNS * 2, prepare, lambda p: timed(s.command(MOVE_TAG, p), s.env),
                              lambda p: timed(["mv", "-t", dest, *p], s.env))
    a = statistics.median(mine)
    table.row(f"Move To, one item, whole process ({label})", f"{a * 1000:.0f} ms",
              f"mv {statistics.median(theirs) * 1000:.1f} ms",
              f"{a / statistics.median(theirs):.0f}x",
              "under 60 ms" + (" (met)" if a <= 0.060 else " (missed)"))


def large_file(s, table, elsewhere):
    dest = s.path("Dest")
    s.listed(dest)
    src = os.path.join(elsewhere, "large.bin")

    def prepare():
        fresh(dest)
        with open(src, "wb") as f:
            block = os.urandom(1 << 20)
            for _ in range(1024):
                f.write(block)
        return [src]

    mine, theirs = medians_of(3, prepare, lambda p: timed(s.command(MOVE_TAG, p), s.env),
                              lambda p: timed(["mv", "-t", dest, *p], s.env))
    table.compare("Move To, 1 GiB file, tmpfs -> disk", mine, theirs, "mv", "at most 1.1x", 1.1)
    fresh(dest)


def archive(s, table, megabytes):
    dest = s.path("Dest")
    s.listed(dest)
    data = s.path("Mixed")
    write_mixed_folder(data, megabytes)
    mine, theirs, peaks = [], [], []
    ours_zip = os.path.join(dest, "Mixed.zip")
    ref_zip = s.path("reference.zip")
    for _ in range(RUNS):
        for p in (ours_zip, ref_zip):
            if os.path.exists(p):
                os.remove(p)
        os.sync()
        theirs.append(timed(["zip", "-r", "-y", "-q", "-6", ref_zip, "."], s.env, cwd=data)[0])
        os.sync()
        seconds, peak = timed(s.command(ARCHIVE_TAG, [data]), s.env)
        mine.append(seconds)
        peaks.append(peak)
    with zipfile.ZipFile(ours_zip) as ours, zipfile.ZipFile(ref_zip) as ref:
        bad = ours.testzip()
        same = sorted(i.filename for i in ours.infolist() if not i.is_dir()) == sorted(
            i.filename for i in ref.infolist() if not i.is_dir()) and all(
            ours.read(i.filename) == ref.read(i) for i in ref.infolist() if not i.is_dir())
    table.compare(f"Archive To, {megabytes} MB mixed folder", mine, theirs, "zip -r -y -q -6",
                  "at most 0.6x", 0.6)
    size, ref_size = os.path.getsize(ours_zip), os.path.getsize(ref_zip)
    table.row(f"Archive To, {megabytes} MB mixed folder (size)", f"{size / 1e6:.1f} MB",
              f"zip {ref_size / 1e6:.1f} MB", f"{size / ref_size:.4f}x",
              "at most 1.01x" + (" (met)" if size <= 1.01 * ref_size else " (missed)"))
    table.row("Archive To, peak memory", f"{max(peaks) / 1024:.1f} MiB", "-", "-",
              "under 64 MB" + (" (met)" if max(peaks) < 64 * 1000 else " (missed)"))
    table.row("Archive To, archive checked with Python's zipfile",
              "valid, same content" if bad is None and same else "DIFFERENT", "zip's archive",
              "-", "identical content")
    shutil.rmtree(data, ignore_errors=True)


def clipboard_selection(s, table, count):
    """Move To of count files selected through the clipboard, as from the
    tray menu: the time and the peak memory."""
    dest = fresh(s.path("Dest"))
    s.listed(dest)
    src = s.path("clip")
    paths = make_files(fresh(src), count)
    s.desk.serve_clipboard(data=uri_list(paths))
    os.sync()
    seconds, peak = timed(["ferrolet", "--command", str(MOVE_TAG)], s.env)
    moved = len(os.listdir(dest))
    mb = peak * 1024 / 1e6
    table.row(f"Move To, {count:,} files from the clipboard, peak memory (whole process)",
              f"{mb:.1f} MB",
              f"{moved:,} moved in {seconds:.1f} s", "-",
              "under 100 MB" + (" (met)" if mb < 100 and moved == count else " (missed)"))
    shutil.rmtree(src, ignore_errors=True)
    fresh(dest)


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def tray_rows(prefix, row):
    """The tray application under Xvfb with a tray host and 100 listed
    folders: start to icon, its resident memory after 5 s idle, and its
    memory with a menu on 10,000 items open and closed again."""
    desk = Desktop(prefix).start()
    try:
        # 100 listed folders, as the in-process menu benchmark has.
        folders = [desk.path("Folders", f"Folder {i:03d}") for i in range(100)]
        for folder in folders:
            os.makedirs(folder)
            desk.run(["ferrolet", "--command", "-1001", "--", folder])
        with open(desk.path(".config", "com.quorvane.Ferrolet.plist"), "rb") as f:
            import plistlib
            prefs = plistlib.load(f)
        prefs["OpenMoveServiceWindow"] = False
        with open(desk.path(".config", "com.quorvane.Ferrolet.plist"), "wb") as f:
            plistlib.dump(prefs, f)
        wait_for(lambda: desk.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"],
                                  check=False).stdout.strip(), timeout=60)

        def windows():
            out = desk.run(["xdotool", "search", "--onlyvisible", "--class", "ferrolet"],
                           check=False).stdout
            return out.split()

        ref = []
        for _ in range(3):
            t0 = time.monotonic()
            desk.run(["ferrolet", "--version"])
            ref.append(time.monotonic() - t0)
        t0 = time.monotonic()
        proc = desk.spawn(["ferrolet"])
        wait_for(windows, timeout=60, step=0.005)
        elapsed = time.monotonic() - t0
        row("start to tray icon", f"{elapsed * 1000:.0f} ms",
            f"ferrolet --version {min(ref) * 1000:.0f} ms", f"{elapsed / min(ref):.1f}x",
            "under 300 ms")
        time.sleep(5.0)
        idle = rss_kib(proc.pid)
        idle_mb = idle * 1024 / 1e6
        row("Idle tray, resident memory (after 5 s)", f"{idle_mb:.1f} MB", "-", "-",
            "under 60 MB" + (" (met)" if idle_mb < 60 else " (missed)"))
        menu_memory(desk, proc, idle, row)
    finally:
        desk.stop()


def menu_memory(desk, proc, idle, row):
    """10,000 selected items, the menu opened and closed again."""
    desk.serve_clipboard(make_files(desk.path("many"), 10000))
    desk.run(["xdotool", "mousemove", "1012", "12", "click", "3"])
    time.sleep(3.0)
    open_rss = rss_kib(proc.pid)
    desk.run(["xdotool", "key", "Escape"], check=False)
    time.sleep(6.0)  # the menu's memory is released a few seconds after it closes
    closed_rss = rss_kib(proc.pid)
    row("menu open on 10,000 items, resident memory", f"{open_rss / 1024:.1f} MiB",
        f"idle {idle / 1024:.1f} MiB", f"{open_rss / idle:.2f}x", "falls back when closed")
    row("after the menu closed, resident memory", f"{closed_rss / 1024:.1f} MiB",
        f"menu open {open_rss / 1024:.1f} MiB", f"{closed_rss / open_rss:.2f}x",
        "below the open figure")


def run_all(prefix, row, quick=False):
    """Every whole-program row, added through row(workload, ours, ref, ratio,
    target)."""
    table = Table(row)
    shm = tempfile.mkdtemp(prefix="ferrolet-bench-", dir="/dev/shm")
    try:
        with Session(prefix, with_thunar=False) as s:
            many_files(s, table, "no file manager", elsewhere=shm, across=2000 if quick else 10000)
            row("Move To and Copy To, no file manager: xdg-open starts per run",
                f"{s.launches() / s.commands:.1f}", f"{s.commands} runs", "-", "at most 1")
            one_item(s, table, "no file manager")
            large_file(s, table, shm)
            archive(s, table, 60 if quick else 200)
        with Session(prefix, with_thunar=True) as s:
            many_files(s, table, "Thunar")
            one_item(s, table, "Thunar")
            clipboard_selection(s, table, 20000 if quick else 100000)
    finally:
        shutil.rmtree(shm, ignore_errors=True)


def install(build_dir, prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    subprocess.run(["cmake", "--install", build_dir, "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
