"""Runs Windows programs under Wine for the tests: each host has its own Wine prefix (cloned
from a template made once per build folder), its own virtual X display and a persistent
wineserver, and tears all of them down when the test ends, passed or failed."""

import contextlib
import fcntl
import os
import pathlib
import select
import shutil
import subprocess
import time


def _find(candidates):
    for candidate in candidates:
        path = shutil.which(candidate) or (candidate if os.path.exists(candidate) else None)
        if path:
            return path
    raise FileNotFoundError(f"none of {candidates} is installed")


# The 64-bit loader itself: Debian's "wine" wrapper warns on every call when wine32 is absent.
WINE = _find(["/usr/lib/wine/wine64", "wine64", "wine"])
WINESERVER = _find(["/usr/lib/wine/wineserver64", "wineserver"])
FAKETIME_LIBRARY = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
# Folders whose files Wine never writes: a clone shares them with the template.
_SHARED_FOLDERS = ("drive_c/windows/system32", "drive_c/windows/syswow64")
_TEMPLATE_MARK = "vardex-template.ok"


class _Display:
    """An X server of a host's own: how it reports that it is ready, its end, and pictures of its
    screen and of its windows."""

    process = None
    name = None

    def _wait_ready(self, read_end, timeout):
        """The display's name, once the server has written its number to read_end."""
        number = b""
        deadline = time.monotonic() + timeout
        with os.fdopen(read_end, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n"):
                remaining = deadline - time.monotonic()
                if remaining <= 0 or not select.select([pipe], [], [], remaining)[0]:
                    self.stop()
                    raise RuntimeError("the X server did not report its display")
                chunk = pipe.read(16)
                if not chunk:
                    self.stop()
                    raise RuntimeError("the X server ended before reporting its display")
                number += chunk
        return ":" + number.decode().strip()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None

    def screenshot(self, path):
        """Saves the whole screen as a PNG file and returns its path."""
        path = pathlib.Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        # xwd now and then fails on a screen that changes while it reads it: try again.
        for attempt in range(3):
            xwd = subprocess.run(["xwd", "-root", "-silent", "-display", self.name], capture_output=True)
            if xwd.returncode == 0:
                break
            time.sleep(0.2)
        else:
            raise RuntimeError(f"xwd failed: {xwd.stderr.decode(errors='replace').strip()}")
        subprocess.run(["convert", "xwd:-", f"png:{path}"], input=xwd.stdout, check=True)
        return path

    def window_screenshot(self, title, path):
        """Saves the X window titled so as a PNG file. Without a window manager, X may stack a
        dialog below its owner while Windows keeps it above: the whole screen then shows no
        dialog, the window's own picture does."""
        path = pathlib.Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        tree = subprocess.run(["xwininfo", "-root", "-tree", "-display", self.name], check=True, capture_output=True,
                              text=True).stdout
        window = next(line.split()[0] for line in tree.splitlines() if f'"{title}":' in line)
        xwd = subprocess.run(["xwd", "-id", window, "-silent", "-display", self.name], check=True,
                             capture_output=True)
        subprocess.run(["convert", "xwd:-", f"png:{path}"], input=xwd.stdout, check=True)
        return path


class VirtualDisplay(_Display):
    """An Xvfb server on the first free display number."""

    def __init__(self, size="1280x1024x24"):
        self.size = size

    def start(self, timeout=20):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.name = self._wait_ready(read_end, timeout)
        return self

_XORG = shutil.which("Xorg")
_DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"
# The dummy device's largest screen and its memory (KiB): room for three large monitors.
_XORG_CONFIG = """Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 131072
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 5120 3072
  EndSubSection
EndSection
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
"""


def monitor_display_missing():
    """Why a display of several monitors cannot be had here, or None when it can."""
    missing = [name for name, there in (("Xorg (xserver-xorg-core)", _XORG),
                                        ("the dummy driver (xserver-xorg-video-dummy)", os.path.exists(_DUMMY_DRIVER)),
                                        ("xrandr (x11-xserver-utils)", shutil.which("xrandr")),
                                        ("xsetroot (x11-xserver-utils)", shutil.which("xsetroot"))) if not there]
    return ", ".join(missing) + " not installed" if missing else None


def parse_monitor(geometry):
    """(width, height, x, y) of an X geometry "WxH+X+Y"."""
    size, x, y = geometry.split("+")
    width, height = size.split("x")
    return int(width), int(height), int(x), int(y)


class MonitorDisplay(_Display):
    """An Xorg server with the dummy driver whose RandR outputs are the monitors of a layout, one
    "WxH+X+Y" each (X's coordinates, the first one primary), changeable while it runs, as a
    monitor plugged in, unplugged or moved would. Where no monitor is, the root shows pure green:
    whatever a picture shows green there is uncovered."""

    UNCOVERED = (0, 255, 0)

    def __init__(self, monitors, folder):
        self.monitors = list(monitors)
        self.folder = pathlib.Path(folder)
        self._modes = set()

    def start(self, timeout=20):
        self.folder.mkdir(parents=True, exist_ok=True)
        config = self.folder / "xorg.conf"
        config.write_text(_XORG_CONFIG)
        # A display number of its own, past the ones desktops and Xvfb take; a seat other than
        # seat0 keeps the server off every virtual terminal.
        for number in range(120, 200):
            if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            read_end, write_end = os.pipe()
            self.process = subprocess.Popen(
                [_XORG, f":{number}", "-displayfd", str(write_end), "-config", str(config), "-configdir",
                 str(self.folder), "-logfile", str(self.folder / "xorg.log"), "-seat", "seat-vardex", "-nolisten",
                 "tcp", "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            try:
                self.name = self._wait_ready(read_end, timeout)
                break
            except RuntimeError:
                continue  # taken meanwhile by another server: the next number
        else:
            raise RuntimeError("no display number was free for Xorg")
        subprocess.run(["xsetroot", "-display", self.name, "-solid", "#00ff00"], check=True)
        self.set_layout(self.monitors)
        return self

    def _xrandr(self, *args):
        return subprocess.run(["xrandr", "-display", self.name, *args], check=True, capture_output=True,
                              text=True).stdout

    def set_layout(self, monitors):
        """Sets the monitors at once, in one request: those not named go off."""
        monitors = list(monitors)
        outputs = [line.split()[0] for line in self._xrandr("--query").splitlines() if line.startswith("DUMMY")]
        change = []
        for index, output in enumerate(outputs):
            if index >= len(monitors):
                change += ["--output", output, "--off"]
                continue
            width, height, x, y = parse_monitor(monitors[index])
            mode = f"vardex{width}x{height}"
            if mode not in self._modes:
                # Timings the dummy takes as they are: blanking of its own, 60 Hz.
                total_x, total_y = width + 160, height + 30
                self._xrandr("--newmode", mode, f"{total_x * total_y * 60 / 1e6:.2f}", str(width), str(width + 48),
                             str(width + 80), str(total_x), str(height), str(height + 3), str(height + 6),
                             str(total_y))
                self._modes.add(mode)
            self._xrandr("--addmode", output, mode)
            change += ["--output", output, "--mode", mode, "--pos", f"{x}x{y}"] + (["--primary"] if index == 0 else [])
        self._xrandr(*change)
        self.monitors = monitors

    def root_size(self):
        """(width, height) of the X screen: the virtual screen of every monitor."""
        line = next(line for line in self._xrandr("--query").splitlines() if line.startswith("Screen"))
        current = line.split("current")[1].split(",")[0].split("x")
        return int(current[0]), int(current[1])


def wine_environment(prefix, display):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), DISPLAY=display, WINEDEBUG="-all",
               # No Mono or Gecko installers: they would wait for a click on the virtual display.
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64")
    return env


def make_template(template):
    """Creates the template prefix once; later calls return at once."""
    template = pathlib.Path(template)
    template.parent.mkdir(parents=True, exist_ok=True)
    with open(template.parent / "template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if (template / _TEMPLATE_MARK).exists():
            return template
        shutil.rmtree(template, ignore_errors=True)
        display = VirtualDisplay().start()
        try:
            env = wine_environment(template, display.name)
            subprocess.run([WINE, "wineboot", "--init"], env=env, check=True, timeout=300,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([WINESERVER, "--wait"], env=env, timeout=300)
        finally:
            display.stop()
        (template / _TEMPLATE_MARK).touch()
    return template


def clone_prefix(template, target):
    template = pathlib.Path(template)

    def copy(source, destination):
        relative = pathlib.Path(source).relative_to(template).as_posix()
        if relative.startswith(_SHARED_FOLDERS):
            os.link(source, destination)
        else:
            shutil.copy2(source, destination)

    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(template, target, symlinks=True, copy_function=copy,
                    ignore=shutil.ignore_patterns(_TEMPLATE_MARK))


class WineHost(contextlib.AbstractContextManager):
    """A Wine prefix, a virtual display and a wineserver for one test.

    The prefix lives in $VARDEX_WINE_ROOT/runs/<name>; artifacts (screenshots) stay in
    $VARDEX_WINE_ROOT/artifacts/<name> after the test.
    """

    def __init__(self, name, size="1280x1024x24", monitors=None, fake_clock=False):
        root = pathlib.Path(os.environ.get("VARDEX_WINE_ROOT", "build/wine")).resolve()
        # A clock of the test's own for every Wine process of the host (wineserver included):
        # libfaketime, told an offset from real time through a file, which advance_clock moves.
        # Both the wall clock and the elapsed one move with it, as real time passing would.
        self.fake_clock = fake_clock
        self._clock_offset = 0
        self.name = name
        self.template = root / "template"
        self.run_dir = root / "runs" / name
        self.prefix = self.run_dir / "prefix"
        self.artifacts = root / "artifacts" / name
        # Several monitors take an Xorg server (monitor_display_missing tells whether there is one).
        self.display = MonitorDisplay(monitors, self.run_dir / "xorg") if monitors else VirtualDisplay(size)
        self.env = None
        self._server = None
        self._processes = []
        self._launches = 0

    def __enter__(self):
        make_template(self.template)
        clone_prefix(self.template, self.prefix)
        shutil.rmtree(self.artifacts, ignore_errors=True)
        self.artifacts.mkdir(parents=True)
        self.display.start()
        self.env = wine_environment(self.prefix, self.display.name)
        if self.fake_clock:
            self.run_dir.mkdir(parents=True, exist_ok=True)
            self._clock_file = self.run_dir / "clock"
            self._clock_file.write_text("+0\n")
            self.env.update(LD_PRELOAD=FAKETIME_LIBRARY, FAKETIME_TIMESTAMP_FILE=str(self._clock_file),
                            FAKETIME_CACHE_DURATION="1")
        self._server = subprocess.Popen([WINESERVER, "--persistent", "--foreground"], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def __exit__(self, *exc):
        for process in self._processes:
            if process.poll() is None:
                process.kill()
        if self.env:
            subprocess.run([WINESERVER, "--kill"], env=self.env, timeout=30,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self._server:
            try:
                self._server.wait(15)
            except subprocess.TimeoutExpired:
                self._server.kill()
                self._server.wait()
        for process in self._processes:
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(5)
            for file in process.output_files:
                file.close()
        self.display.stop()
        shutil.rmtree(self.run_dir, ignore_errors=True)
        return False

    def advance_clock(self, seconds):
        """Moves the fake clock on by so many seconds (taken within a second)."""
        self._clock_offset += seconds
        self._clock_file.write_text(f"+{self._clock_offset}\n")
        time.sleep(1.5)

    def windows_path(self, path):
        """The Windows name of a Linux path (through Wine's Z: drive)."""
        return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")

    def _launch(self, exe, args):
        # Output goes to files, not pipes: the Wine services a program starts inherit its
        # handles and outlive it while the wineserver persists, so a pipe would never close.
        self._launches += 1
        log = self.run_dir / f"process-{self._launches}"
        stdout, stderr = open(f"{log}.out", "w+"), open(f"{log}.err", "w+")
        process = subprocess.Popen([WINE, str(exe), *map(str, args)], env=self.env, stdout=stdout,
                                   stderr=stderr, text=True)
        process.output_files = (stdout, stderr)
        return process

    def start(self, exe, *args):
        """Starts a program and returns its process; it is killed at the end of the test."""
        process = self._launch(exe, args)
        self._processes.append(process)
        return process

    def run(self, exe, *args, timeout=60):
        """Runs a program to its end and returns a CompletedProcess with its output."""
        process = self._launch(exe, args)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise
        output = read_output(process)
        for file in process.output_files:
            file.close()
        return subprocess.CompletedProcess(process.args, process.returncode, *output)

    def screenshot(self, name):
        return self.display.screenshot(self.artifacts / f"{name}.png")

    def window_screenshot(self, title, name):
        return self.display.window_screenshot(title, self.artifacts / f"{name}.png")

    def pixel(self, screenshot, x, y):
        """The (r, g, b) of one pixel of a saved screenshot."""
        text = subprocess.run(["convert", str(screenshot), "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                               f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                              check=True, capture_output=True, text=True).stdout
        return tuple(int(part) for part in text.split(","))

    def xdotool(self, *args):
        """Sends real X input to this host's display only."""
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                              capture_output=True, text=True).stdout


def read_output(process):
    """The (stdout, stderr) texts a launched program has written so far."""
    texts = []
    for file in process.output_files:
        file.flush()
        file.seek(0)
        texts.append(file.read())
    return texts


def wait_for(condition, timeout=15.0, interval=0.1, what="the condition"):
    """Polls condition until it is true; fails the test when the deadline passes."""
    deadline = time.monotonic() + timeout
    while True:
        if condition():
            return
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)
