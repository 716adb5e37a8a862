"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_guardian_restart.py [TRIES]

With the guardian running as a service, the lock service is ended in each way it can end
unplanned, TRIES times each (default 3), and the time is taken from its end to the new lock
service's process and to its lock screen on the X display:
- killed while unlocked, and while locked;
- frozen (every thread stopped): the guardian hears no heartbeat and replaces it;
- killed while the guardian was stopped: timed from the guardian's new start.
The baseline of the same run: a lock by the hot key of a running lock service, to its lock screen.
"""
import os
import pathlib
import signal
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_guardian import install_guardian, start_guardian, stop_guardian, wait_for_lock_service  # noqa: E402
from vardex_e2e import Host, kill_lock_services, lock_service_pids, wait_for  # noqa: E402


def lock_screen_shown(host):
    return any(width >= 1280 for _, _, width, _ in host.window_geometries("PC Vardex"))


def timed_end(host, end, locked_before):
    """Ends the lock service with end(pids) and times the way back to a lock screen."""
    if locked_before:
        host.lock_with_hotkey()
        time.sleep(1)
    old = lock_service_pids(host)
    began = end(old)
    wait_for(lambda: set(lock_service_pids(host)) - set(old), timeout=60, interval=0.01, what="a new lock service")
    return time.monotonic() - began, locked_since(host, began)


def locked_since(host, began):
    """The seconds from began to the lock screen of a running lock session; then it is unlocked."""
    wait_for(lambda: host.session_active() and lock_screen_shown(host), timeout=60, interval=0.01,
             what="the lock screen")
    locked = time.monotonic() - began
    host.enter_password("")
    host.wait_unlocked()
    return locked


def signalled(sig):
    def end(pids):
        for pid in pids:
            os.kill(pid, sig)
        return time.monotonic()
    return end


def killed_while_the_guardian_is_down(host):
    def end(pids):
        stop_guardian(host)
        kill_lock_services(host)
        began = time.monotonic()
        start_guardian(host)
        return began
    return end


def hot_key_lock(host):
    began = time.monotonic()
    host.xdotool("key", "ctrl+grave")
    return None, locked_since(host, began)


def main():
    tries = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    with Host("bench_guardian_restart") as host:
        install_guardian(host)
        wait_for_lock_service(host)
        kinds = (
            ("baseline: the hot key's lock", lambda: hot_key_lock(host)),
            ("killed while unlocked", lambda: timed_end(host, signalled(signal.SIGKILL), False)),
            ("killed while locked", lambda: timed_end(host, signalled(signal.SIGKILL), True)),
            ("frozen while locked", lambda: timed_end(host, signalled(signal.SIGSTOP), True)),
            ("killed with the guardian down", lambda: timed_end(host, killed_while_the_guardian_is_down(host), True)),
        )
        for name, run in kinds:
            times = [run() for _ in range(tries)]
            locked = [t[1] for t in times]
            started = [t[0] for t in times if t[0] is not None]
            figures = f"locked: median {statistics.median(locked):.2f} s, worst {max(locked):.2f} s"
            if started:
                figures = f"process: median {statistics.median(started):.2f} s; " + figures
            print(f"{name:32} {figures} ({tries} tries)", flush=True)
            host.xdotool("mousemove", 40, 30)


if __name__ == "__main__":
    main()
