"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_configure.py [TRIES]

The time from choosing "Configure" in the tray menu (no administrator password set) to the
configuration window shown on the X display, over TRIES openings (default 10).
"""
import pathlib
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from vardex_e2e import Host, wait_for  # noqa: E402

IDCANCEL = 2


def window_shown(host):
    """True when a window titled like the program and wider than the prompts is on screen."""
    return any(width > 500 for _, _, width, _ in host.window_geometries("PC Vardex"))


def main():
    tries = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    times = []
    with Host("bench_configure") as host:
        host.start_service()
        for _ in range(tries):
            host.xdotool("mousemove", 12, 30, "click", 3)
            wait_for(lambda: host.shows(("#32768", "")), what="the tray menu")
            host.xdotool("key", "Up")
            start = time.monotonic()
            host.xdotool("key", "Return")
            while not window_shown(host):
                time.sleep(0.005)
            times.append(1000 * (time.monotonic() - start))
            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: not window_shown(host), what="the window to close")
    print(f"Configure to window shown: median {statistics.median(times):.0f} ms, worst {max(times):.0f} ms "
          f"over {tries}")


if __name__ == "__main__":
    main()
