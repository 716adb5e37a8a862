"""Helpers shared by the end-to-end tests: where the built programs are, a Wine host that runs
the lock service from a program folder of its own, and what the probe tells about the Windows
side of a host."""
import base64
import datetime
import hashlib
import os
import pathlib
import shutil
import signal
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))

import winehost  # noqa: E402  (path set just above)
from winehost import wait_for  # noqa: E402,F401

BIN = pathlib.Path(os.environ.get("VARDEX_BIN", "build/win64/bin")).resolve()
VARDEX = BIN / "vardex.exe"
SAVER = BIN / "vardexsaver.exe"
PROBE = BIN / "vardexprobe.exe"
WITNESS = BIN / "vardexwitness.exe"
HOSTILE = BIN / "vardexhostile.exe"
PROGRAM_FILES = ("vardex.exe", "scrlogo.jpg", "alarm.wav", "ombrel.chm", "de/ombrel.chm", "fr/ombrel.chm",
                 "es/ombrel.chm")

CTRL, SHIFT, ALT = 0x4000, 0x2000, 0x8000
VK_F9, VK_F10 = 0x78, 0x79
LOCK_SCREEN = ("TMainForm", "PC Vardex")
PROMPT = ("TPwdForm", "PC Vardex")
TRAY_AREA = ("__winex11_standalone_tray", "Wine System Tray")


def day_number(date):
    """A date as the store counts days: from 30 December 1899."""
    return (date - datetime.date(1899, 12, 30)).days


def password_hash(password, iterations=100000):
    """The stored form of a password as the configuration writes it, made independently here; by
    default at the fewest iterations a stored hash may have, the quickest to make and to check."""
    salt = os.urandom(16)
    digest = hashlib.pbkdf2_hmac("sha256", password.encode(), salt, iterations)
    encode = lambda data: base64.b64encode(data).decode().rstrip("=")  # noqa: E731
    return f"$pbkdf2-sha256$i={iterations}${encode(salt)}${encode(digest)}"


def lock_service_pids(host):
    """Linux process ids of the lock services (vardex.exe) running in this host's prefix, and
    in no other test's."""
    pids = []
    for entry in pathlib.Path("/proc").iterdir():
        try:
            environment = (entry / "environ").read_bytes().split(b"\0")
            program = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
        except (OSError, ValueError):
            continue
        # Started by Wine, the name is a Windows path; started by a test, a Linux one.
        if f"WINEPREFIX={host.prefix}".encode() in environment and \
                program.replace("/", "\\").lower().endswith("\\vardex.exe"):
            pids.append(int(entry.name))
    return pids


def kill_lock_services(host):
    """Ends the lock services at once, without a word, as an administrator's kill would."""
    pids = lock_service_pids(host)
    for pid in pids:
        os.kill(pid, signal.SIGKILL)
    # The killed ones, not every one: a guardian may have started a new one meanwhile.
    wait_for(lambda: not set(pids) & set(lock_service_pids(host)), what="the lock services to end")
    return bool(pids)


def stored(host, name):
    """The settings value as reg.exe shows it (a number for a DWORD), or None when absent."""
    output = host.run("C:\\windows\\system32\\reg.exe", "query", "HKLM\\SOFTWARE\\QUORTEX", "/v", name).stdout
    for line in output.splitlines():
        parts = line.split(None, 2)
        if len(parts) >= 2 and parts[0] == name:
            value = parts[2] if len(parts) == 3 else ""
            if parts[1] == "REG_DWORD":
                number = int(value, 16)
                return number - (1 << 32) if number >= 1 << 31 else number
            return value
    return None


class Host(winehost.WineHost):
    """A Wine host with the lock service in a program folder of its own (its statistics logs
    land there) and the probe's questions as methods."""

    def __enter__(self):
        super().__enter__()
        self.service = None
        try:
            self.program = self.run_dir / "program"
            self.program.mkdir(parents=True, exist_ok=True)
            for name in PROGRAM_FILES:
                (self.program / name).parent.mkdir(exist_ok=True)
                shutil.copy2(BIN / name, self.program / name)
            if isinstance(self.display, winehost.MonitorDisplay):
                self.show_monitors_to_wine()
        except BaseException:
            # A missing program (a build under way) must not leave the display and the
            # wineserver running.
            self.__exit__(*sys.exc_info())
            raise
        return self

    def show_monitors_to_wine(self):
        """Wine's desktop process starts with the monitors the prefix last saw and takes X's own
        at a change of them: once it runs (the probe starts it), one change, until they show."""
        monitors = self.display.monitors
        self.probe("monitors")
        self.display.set_layout(monitors[:1])
        self.display.set_layout(monitors)
        wait_for(lambda: len(self.monitors()["monitors"]) == len(monitors), what="Wine to see the monitors")

    # The Windows side.
    def probe(self, *args, timeout=60):
        return self.run(PROBE, *args, timeout=timeout)

    def mutex_exists(self, name):
        return self.probe("mutex", name).returncode == 0

    def hotkey_taken(self, code):
        return self.probe("hotkey-free", hex(code)).returncode == 1

    def set_dword(self, name, value):
        assert self.probe("set-dword", name, str(value)).returncode == 0

    def set_text(self, name, text):
        assert self.probe("set-sz", name, text).returncode == 0

    def set_dpi(self, dpi):
        """The screen resolution the programs started from now on use."""
        self.run("C:\\windows\\system32\\reg.exe", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels",
                 "/t", "REG_DWORD", "/d", str(dpi), "/f")

    def hostile(self, *args):
        """Runs the helper that plays another program of the user."""
        return self.run(HOSTILE, *args, timeout=60)

    def start_witness(self, kind, ready="ready"):
        """Starts the witness of that kind and waits until it is ready; returns its log and process."""
        log = self.run_dir / f"{kind}.log"
        process = self.start(WITNESS, kind, self.windows_path(log))
        wait_for(lambda: log.exists() and ready in log.read_text(), what=f"the {kind} witness")
        return log, process

    def end_wine_session(self):
        """Wine's own end of the session: every program is told, then ended."""
        subprocess.run([winehost.WINE, "wineboot", "--end-session"], env=self.env, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def service_window_exists(self):
        return self.hostile("send", 0).returncode == 0  # message 0: nothing but a look

    def dialog_text(self, title="PC Vardex"):
        """The texts of the message box with that title, or None when there is none."""
        result = self.probe("dialog", title)
        return result.stdout.splitlines() if result.returncode == 0 else None

    def monitors(self, timeout=60):
        """What the Windows side sees: {"virtual": rect, "monitors": [(rect, primary, covered)],
        "lock": rect or None}, rects as (left, top, right, bottom); covered, at how many of a
        monitor's corners and centre the lock screen is the top-level window."""
        seen = {"monitors": [], "lock": None}
        for line in self.probe("monitors", timeout=timeout).stdout.splitlines():
            kind, *numbers = line.split()
            numbers = tuple(map(int, numbers))
            if kind == "monitor":
                seen["monitors"].append((numbers[:4], bool(numbers[4]), numbers[5]))
            else:
                seen[kind] = numbers
        return seen

    def status_blocks(self):
        """(left, top, right, bottom, text) of each status block on the lock screen, its lines
        joined by "|"."""
        blocks = []
        for line in self.probe("status-blocks").stdout.splitlines():
            left, top, right, bottom, text = line.split(" ", 4)
            blocks.append((int(left), int(top), int(right), int(bottom), text))
        return blocks

    def user_key(self):
        return self.probe("user").stdout.strip()

    def visible_windows_and_desktops(self):
        """(class, title, desktop) of every visible top-level window of every desktop."""
        lines = self.probe("windows").stdout.splitlines()
        return [tuple(line.split("\t")) for line in lines if line.count("\t") == 2]

    def visible_windows(self):
        """(class, title) of every visible top-level window, on whichever desktop."""
        return [window[:2] for window in self.visible_windows_and_desktops()]

    def desktops(self):
        return self.probe("desktops").stdout.split()

    def desktop_of(self, window):
        """The desktop's name of a visible top-level window (class, title), or None."""
        return next((d for c, t, d in self.visible_windows_and_desktops() if (c, t) == window), None)

    def service_windows(self):
        return [w for w in self.visible_windows() if w[0] in ("TMainForm", "TApplication") or w[1] == "PC Vardex"]

    def shows(self, window):
        return window in self.visible_windows()

    # The lock service.
    def start_service(self, pointer=(40, 30), tray=True):
        """Starts vardex.exe from the host's program folder and waits until it runs (and its tray
        icon shows). Without a window manager, keys reach Wine only through a Wine window under
        the pointer: pointer is where to put it, by default on the tray area."""
        self.service = self.start(self.program / "vardex.exe")
        # A first start in a fresh prefix on a busy machine takes Wine a while.
        wait_for(self.service_window_exists, timeout=30, what="the service's main window")
        if tray:
            wait_for(lambda: self.shows(TRAY_AREA), what="the tray icon")
        self.xdotool("mousemove", *pointer)
        return self.service

    def window_geometries(self, title):
        """(x, y, width, height) of the visible X windows with exactly this title."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=self.env,
                               capture_output=True, text=True).stdout.split()
        geometries = []
        for window in found:
            shell = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", window).split())
            geometries.append(tuple(int(shell[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")))
        return geometries

    def prompt_geometry(self):
        """The unlock prompt's place: the smaller of the two windows titled "PC Vardex"."""
        return min(self.window_geometries("PC Vardex"), key=lambda g: g[2] * g[3])

    def session_active(self):
        return self.mutex_exists("Zepa02")

    def wait_locked(self):
        wait_for(self.session_active, what="the lock session")
        wait_for(lambda: self.shows(LOCK_SCREEN), what="the lock screen")

    def wait_unlocked(self):
        wait_for(lambda: not self.session_active(), what="the end of the lock session")
        wait_for(lambda: not self.shows(LOCK_SCREEN), what="the lock screen to go")

    def lock_with_hotkey(self):
        self.xdotool("key", "ctrl+grave")
        self.wait_locked()

    def pointer(self):
        shell = dict(line.split("=", 1) for line in self.xdotool("getmouselocation", "--shell").split())
        return int(shell["X"]), int(shell["Y"])

    def open_prompt(self, retry_after=5):
        """Opens the unlock prompt with a key on the lock screen and puts the pointer on it. The
        prompt has a desktop of its own, and under Wine keys reach a window of another desktop
        only while the pointer is over it (Windows would show the prompt's desktop alone, and send
        it every key). Where the pointer was before, off any prompt, enter_password puts it back."""
        # A key that arrives while the lock screen shows but before the session takes keys is
        # lost, as it would be for a user: press again, as a user would.
        for _ in range(max(3, 15 // retry_after)):
            self.xdotool("key", "shift")
            try:
                wait_for(lambda: self.shows(PROMPT), timeout=retry_after, what="the unlock prompt")
                break
            except AssertionError:
                pass
        else:
            raise AssertionError("the unlock prompt did not open")
        wait_for(lambda: len(self.window_geometries("PC Vardex")) > 1, what="the prompt's X window")
        x, y, width, height = self.prompt_geometry()
        was = self.pointer()
        if not (x <= was[0] < x + width and y <= was[1] < y + height):
            self.pointer_off_prompt = was
        self.xdotool("mousemove", x + width // 2, y + height // 2)

    def enter_password(self, text, retry_after=5):
        """Opens the prompt, types text and confirms it; the pointer goes back off the prompt, where
        keys reach Wine again once the lock is over."""
        self.open_prompt(retry_after)
        if text:
            self.xdotool("type", "--delay", "15", text)
        self.xdotool("key", "Return")
        wait_for(lambda: not self.shows(PROMPT), what="the prompt to close")
        self.xdotool("mousemove", *self.pointer_off_prompt)

    def log_path(self):
        return self.program / f"{self.user_key()}.log"

    def log_lines(self):
        path = self.log_path()
        if not path.exists():
            return []
        return path.read_bytes().decode("latin-1").split("\r\n")[:-1]
