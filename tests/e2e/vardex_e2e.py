"""Helpers shared by the end-to-end tests: where the built programs are and what the probe
tells about the Windows side of a host."""
import os
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))

import winehost  # noqa: E402  (path set just above)
from winehost import wait_for  # noqa: E402,F401

BIN = pathlib.Path(os.environ.get("VARDEX_BIN", "build/win64/bin")).resolve()
VARDEX = BIN / "vardex.exe"
SAVER = BIN / "vardexsaver.exe"
PROBE = BIN / "vardexprobe.exe"

CTRL, SHIFT, ALT = 0x4000, 0x2000, 0x8000
VK_F9, VK_F10 = 0x78, 0x79


class Host(winehost.WineHost):
    """A Wine host with the probe's questions as methods."""

    def probe(self, *args):
        return self.run(PROBE, *args, timeout=60)

    def mutex_exists(self, name):
        return self.probe("mutex", name).returncode == 0

    def hotkey_taken(self, code):
        return self.probe("hotkey-free", hex(code)).returncode == 1

    def set_dword(self, name, value):
        assert self.probe("set-dword", name, str(value)).returncode == 0

    def set_text(self, name, text):
        assert self.probe("set-sz", name, text).returncode == 0

    def visible_windows(self):
        """(class, title) of every visible top-level window."""
        lines = self.probe("windows").stdout.splitlines()
        return [tuple(line.split("\t", 1)) for line in lines if "\t" in line]

    def service_windows(self):
        return [w for w in self.visible_windows() if w[0] in ("TMainForm", "TApplication") or w[1] == "PC Vardex"]
