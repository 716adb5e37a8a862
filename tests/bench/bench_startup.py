"""Start-up of the lock service under Wine (figures, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_startup.py [TRIES]

Each try (default 5) in a prefix of its own: Wine's start of an empty program (the probe
without a command, to its end; three times, the median taken) as the baseline, then vardex.exe
from its start to its main window and to its icon in the tray, with the hot key held by then.
The figure is the ratio of the service's time to the tray to Wine's empty start.
"""
import pathlib
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from vardex_e2e import Host  # noqa: E402


def run(tries):
    empty, window, tray = [], [], []
    for attempt in range(tries):
        with Host(f"bench_startup_{attempt}") as host:
            host.probe("start-empty")  # the first start of a prefix loads more than any later one
            empty.append(statistics.median(float(host.probe("start-empty").stdout) for _ in range(3)))
            shown, icon, hot_key_free = host.probe("startup", host.windows_path(host.program / "vardex.exe")).stdout.split()
            assert hot_key_free == "1", "the hot key is not held once the tray icon shows"
            window.append(float(shown))
            tray.append(float(icon))
            print(f"try {attempt + 1}: empty program {empty[-1]:.0f} ms, main window {window[-1]:.0f} ms, "
                  f"tray icon and hot key {tray[-1]:.0f} ms", flush=True)
    e, w, t = (statistics.median(v) for v in (empty, window, tray))
    print(f"median of {tries}: empty program {e:.0f} ms, main window {w:.0f} ms, tray icon and hot key {t:.0f} ms "
          f"({t / e:.1f} times the empty program)")


if __name__ == "__main__":
    run(int(sys.argv[1]) if len(sys.argv) > 1 else 5)
