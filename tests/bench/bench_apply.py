"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_apply.py [TRIES]

The time from Apply in the configuration window to the new hot key written in the settings key,
and to the running lock service holding it (it has reloaded), over TRIES applies (default 5):
first writing directly (no guardian: the baseline), then through the guardian, with the settings
key writable only by administrators and the lock service started by the guardian without them.
The second figure includes the probe's own start (some 100 ms under Wine).
"""
import pathlib
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_config_trust import guarded_host, open_with_password  # noqa: E402
from test_configuration import ID_DO_APPLY, configure, enabled, wait_config  # noqa: E402
from test_configuration_pages import IDC_HOTKEY, SETTINGS, click_control  # noqa: E402
from vardex_e2e import CTRL, VK_F9, VK_F10, Host, stored, wait_for  # noqa: E402


def measure(host, tries):
    written, reloaded = [], []
    host.probe("cfg-tree", SETTINGS)
    for i in range(tries):
        key, code = ("ctrl+F9", CTRL | VK_F9) if i % 2 == 0 else ("ctrl+F10", CTRL | VK_F10)
        click_control(host, IDC_HOTKEY)
        host.xdotool("key", key)
        wait_for(lambda: enabled(host, ID_DO_APPLY), what="the change")
        start = time.monotonic()
        host.probe("cfg-command", ID_DO_APPLY)
        while stored(host, "PLHK") != code:
            time.sleep(0.005)
        written.append(1000 * (time.monotonic() - start))
        while not host.hotkey_taken(code):
            time.sleep(0.005)
        reloaded.append(1000 * (time.monotonic() - start))
    return written, reloaded


def report(what, figures):
    written, reloaded = figures
    print(f"{what}: Apply to written median {statistics.median(written):.0f} ms (worst {max(written):.0f}), "
          f"to reloaded median {statistics.median(reloaded):.0f} ms (worst {max(reloaded):.0f})")


def main():
    tries = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    with Host("bench_apply_direct") as host:
        host.start_service()
        configure(host)
        wait_config(host)
        direct = measure(host, tries)
    with Host("bench_apply_guardian") as host:
        guarded_host(host)
        open_with_password(host)
        guarded = measure(host, tries)
    report("Directly (baseline)", direct)
    report("Through the guardian", guarded)


if __name__ == "__main__":
    main()
