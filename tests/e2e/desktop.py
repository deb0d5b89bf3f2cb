"""A real desktop stack for end-to-end runs: an X server, a session bus that
knows the installed Ferrolet and the file manager, a tray host, and a private
home. Everything is started fresh and stopped at the end."""

import contextlib
import hashlib
import os
import plistlib
import shutil
import signal
import subprocess
import tempfile
import time
from urllib.parse import quote


def wait_for(predicate, timeout=120.0, step=0.05):
    """Waits until predicate() is true; returns its last value. The timeout
    only stops a hung run: conditions hold long before it under load."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value


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


def write_settings(home, settings):
    """Puts the settings file Ferrolet reads in home; returns its path."""
    path = os.path.join(home, ".config", "com.quorvane.Ferrolet.plist")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        plistlib.dump(settings, f)
    return path


def uri_list(paths):
    """Paths (str or bytes) as the text/uri-list a file manager copies."""
    return b"".join(b"file://" + quote(os.fsencode(p), safe="/").encode() + b"\r\n"
                    for p in paths)


class Desktop:
    def __init__(self, prefix, with_tray=True):
        self.prefix = prefix
        self.with_tray = with_tray
        self.procs = []
        self.root = tempfile.mkdtemp(prefix="ferrolet-e2e-")
        self.home = os.path.join(self.root, "home")
        os.makedirs(self.home)
        self.env = {
            "PATH": os.path.join(prefix, "bin") + ":/usr/bin:/bin",
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_STATE_HOME": os.path.join(self.home, ".local/state"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_RUNTIME_DIR": os.path.join(self.root, "runtime"),
            "XDG_DATA_DIRS": os.path.join(prefix, "share") + ":/usr/local/share:/usr/share",
            "LANG": "C.UTF-8",
            "NO_AT_BRIDGE": "1",
            "QT_QPA_PLATFORM": "xcb",
            # scripts/coverage-per-test counts each run's coverage apart
            **{k: v for k, v in os.environ.items() if k == "GCOV_PREFIX"},
        }
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)

    def start(self):
        read_fd, write_fd = os.pipe()
        self.procs.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(write_fd)
        with os.fdopen(read_fd) as displayfd:  # the display number, then a line break
            self.env["DISPLAY"] = ":" + displayfd.readline().strip()
        # The bus after the X server, so what it starts (thunar) has a display.
        out = subprocess.check_output(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
            env=self.env, text=True)
        address, pid = out.split("\n")[:2]
        self.bus_pid = int(pid)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address.strip()
        if self.with_tray:
            self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                        "--width", "120", "--heighttype", "pixel", "--height", "24",
                        "--SetDockType", "true"])
        return self

    def stop(self):
        # The X server goes first: Ferrolet ends through its lost display
        # like any X client, a normal exit that also leaves its coverage
        # counts, where a signal would not.
        self.procs[0].terminate()
        self.procs[0].wait(timeout=60)
        ours = [p for p in self.procs if p.args[0] == "ferrolet"]
        wait_for(lambda: all(p.poll() is not None for p in ours), timeout=30)
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    proc.kill()
        for pid in filter(None, [getattr(self, "bus_pid", None)] + self._started_by_bus()):
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, signal.SIGTERM)
        shutil.rmtree(self.root, ignore_errors=True)

    def _started_by_bus(self):
        """Processes the bus started (the file manager): those whose
        environment carries this desktop's bus address, so runs side by side
        stay apart."""
        address = self.env.get("DBUS_SESSION_BUS_ADDRESS", "").encode()
        markers = [b"\0" + name + b"=" + address + b"\0"
                   for name in (b"DBUS_SESSION_BUS_ADDRESS", b"DBUS_STARTER_ADDRESS")]
        pids = []
        for entry in os.listdir("/proc"):
            if entry.isdigit() and int(entry) != os.getpid() and address:
                try:
                    with open(f"/proc/{entry}/environ", "rb") as f:
                        environ = b"\0" + f.read() + b"\0"
                    if any(marker in environ for marker in markers):
                        pids.append(int(entry))
                except OSError:
                    pass
        return pids

    def spawn(self, argv, **kwargs):
        proc = subprocess.Popen(argv, env=self.env, stdout=kwargs.pop("stdout", subprocess.DEVNULL),
                                stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
        self.procs.append(proc)
        return proc

    def run(self, argv, check=True, timeout=120, **kwargs):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              check=check, timeout=timeout, **kwargs)

    def path(self, *parts):
        return os.path.join(self.home, *parts)

    def command(self, tag, selection=None):
        """`ferrolet --command TAG`, on selection copied to the clipboard when
        given (else on what the clipboard holds)."""
        if selection is not None:
            self.serve_clipboard(selection)
        return self.run(["ferrolet", "--command", str(tag)], check=False, timeout=300)

    def find_window(self, name):
        """The topmost visible window of that name (xdotool lists them bottom
        to top): a grab of one beneath it would show only what covers it."""
        ids = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return ids.stdout.split()[-1] if ids.stdout.split() else None

    def screenshot(self, target, window="root"):
        """Saves a picture and returns how many colours it has (up to a few
        hundred): a blank or unpainted grab has one or two."""
        self.run(["import", "-window", window, target])
        return int(self.run(["identify", "-format", "%k", target]).stdout or 0)

    def serve_clipboard(self, paths):
        """Copies files as a file manager does: the paths as a text/uri-list
        on the clipboard, served by xclip until the next copy.
        Returns once a reader gets exactly those bytes. An xclip that lost
        the clipboard before it was seen serving (a loaded X server is slow
        to hand it over) has exited and is started again."""
        data = uri_list(paths)
        for old in self.procs:
            if old.args[:2] == ["xclip", "-quiet"] and old.poll() is None:
                old.terminate()
                old.wait()
        deadline = time.monotonic() + 120
        proc = None
        while time.monotonic() < deadline:
            if proc is None or proc.poll() is not None:
                proc = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t",
                                         "text/uri-list", "-i"], env=self.env, stdin=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                proc.stdin.write(data)
                proc.stdin.close()
                self.procs.append(proc)
            try:  # bounded: a reader whose owner never answers would wait for ever
                got = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t",
                                      "text/uri-list"], env=self.env, capture_output=True,
                                     timeout=30).stdout
            except subprocess.TimeoutExpired:
                got = None
            if got == data:
                return proc
            time.sleep(0.05)
        raise RuntimeError("the clipboard never offered the selection")
