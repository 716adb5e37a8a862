"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_guardian_restart.py [TRIES]

With the guardian running as a service, the lock service is locked and then killed TRIES times
(default 5): the time from the kill to the new lock service's process, and to its lock screen on
the X display.
"""
import pathlib
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_guardian import install_guardian  # noqa: E402
from vardex_e2e import Host, kill_lock_services, lock_service_pids, wait_for  # noqa: E402


def lock_screen_shown(host):
    return any(width >= 1280 for _, _, width, _ in host.window_geometries("PC Vardex"))


def main():
    tries = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    started, locked = [], []
    with Host("bench_guardian_restart") as host:
        install_guardian(host)
        wait_for(host.service_window_exists, timeout=30, what="the lock service")
        for _ in range(tries):
            host.probe("signal", "1")
            host.wait_locked()
            time.sleep(1)
            kill_lock_services(host)
            killed = time.monotonic()
            wait_for(lambda: not lock_screen_shown(host), timeout=10, interval=0.01, what="the old lock screen to go")
            wait_for(lambda: lock_service_pids(host), timeout=10, interval=0.01, what="a new lock service")
            started.append(time.monotonic() - killed)
            wait_for(lambda: lock_screen_shown(host), timeout=20, interval=0.01, what="the new lock screen")
            locked.append(time.monotonic() - killed)
            host.enter_password("")
            host.wait_unlocked()
    for name, times in (("process started", started), ("lock screen shown", locked)):
        print(f"kill -> {name}: median {statistics.median(times) * 1000:.0f} ms, "
              f"worst {max(times) * 1000:.0f} ms over {tries}")


if __name__ == "__main__":
    main()
