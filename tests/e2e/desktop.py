"""A real desktop stack for end-to-end runs: an X server, a session bus that
knows the installed Ferrolet and the file manager, a tray host, and a private
home. Everything is started fresh and stopped at the end."""

import os
import shutil
import signal
import subprocess
import tempfile
import time


def wait_for(predicate, timeout=15.0, step=0.05):
    """Waits until predicate() is true; returns its last value."""
    deadline = time.monotonic() + timeout
    value = predicate()
    while not value and time.monotonic() < deadline:
        time.sleep(step)
        value = predicate()
    return value


def serve_clipboard_bytes(env, procs, data, timeout=60.0):
    """Puts data on the clipboard as text/uri-list, byte for byte, and waits
    until a reader gets exactly those bytes. The servers of earlier copies
    are stopped first. An xclip that lost the clipboard before it was seen
    serving (another client took it, or a loaded X server was slow to hand it
    over) has exited; it is started again until the deadline."""
    for old in procs:
        if old.args[:2] == ["xclip", "-quiet"] and old.poll() is None:
            old.terminate()
            old.wait()
    deadline = time.monotonic() + timeout
    proc = None
    while time.monotonic() < deadline:
        if proc is None or proc.poll() is not None:
            proc = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t",
                                     "text/uri-list", "-i"], env=env, stdin=subprocess.PIPE,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            proc.stdin.write(data)
            proc.stdin.close()
            procs.append(proc)
        got = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "text/uri-list"],
                             env=env, capture_output=True).stdout
        if got == data:
            return proc
        time.sleep(0.05)
    raise RuntimeError("the clipboard never offered the selection")


class Desktop:
    def __init__(self, prefix, with_tray=True, with_file_manager=True):
        self.prefix = prefix
        self.with_tray = with_tray
        self.with_file_manager = with_file_manager
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
        }
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)

    # -- lifecycle -------------------------------------------------------
    def start(self):
        self._start_x()
        self._start_bus()
        if self.with_tray:
            self.spawn(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                        "--width", "120", "--heighttype", "pixel", "--height", "24",
                        "--SetDockType", "true"])
        return self

    def _start_x(self):
        read_fd, write_fd = os.pipe()
        proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=(write_fd,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        self.procs.append(proc)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def _start_bus(self):
        out = subprocess.check_output(
            ["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
            env=self.env, text=True)
        address, pid = out.split("\n")[:2]
        self.bus_pid = int(pid)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address.strip()

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        try:
            os.kill(self.bus_pid, signal.SIGTERM)
        except (AttributeError, ProcessLookupError):
            pass
        # Programs the bus started (the file manager) go with their session:
        # only those on this desktop's bus, so runs side by side stay apart.
        for pid in self._started_by_bus():
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.root, ignore_errors=True)

    def _started_by_bus(self):
        """Processes whose environment carries this desktop's bus address."""
        address = self.env.get("DBUS_SESSION_BUS_ADDRESS")
        if not address:
            return []
        # The bus gives the programs it starts its address under both names.
        markers = [b"\0" + name + b"=" + address.encode() + b"\0"
                   for name in (b"DBUS_SESSION_BUS_ADDRESS", b"DBUS_STARTER_ADDRESS")]
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    environ = b"\0" + f.read() + b"\0"
                if any(marker in environ for marker in markers):
                    pids.append(int(entry))
            except OSError:
                pass
        return pids

    # -- helpers ---------------------------------------------------------
    def spawn(self, argv, **kwargs):
        proc = subprocess.Popen(argv, env=self.env, stdout=kwargs.pop("stdout", subprocess.DEVNULL),
                                stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
        self.procs.append(proc)
        return proc

    def run(self, argv, check=True, timeout=60, **kwargs):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              check=check, timeout=timeout, **kwargs)

    def path(self, *parts):
        return os.path.join(self.home, *parts)

    def screenshot(self, target, window=None):
        argv = ["import", "-window", window or "root", target]
        self.run(argv, check=False)

    def find_window(self, name):
        result = self.run(["xdotool", "search", "--name", name], check=False)
        ids = result.stdout.split()
        return ids[0] if ids else None

    def serve_clipboard(self, paths):
        """Copies files as a file manager does: a text/uri-list on the
        clipboard, served by xclip until the next copy."""
        from urllib.parse import quote
        text = "".join("file://" + quote(p) + "\r\n" for p in paths)
        return serve_clipboard_bytes(self.env, self.procs, text.encode())
