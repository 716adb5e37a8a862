"""Benchmark of the lock screen's status block under Wine (figures, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_lock_status.py

On a 3840x2160 screen with a grey 3840x2160 JPEG background and a restricted user, side by side in the
same run, with the status block shown (on the primary monitor) and hidden (the baseline):
- the time from the hot key to the lock screen painted where the block sits (20 tries);
- processor time of the service over a 30-second lock (ten ticks, each updating the block).
"""
import datetime
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from bench_lock_session import LOCK_SECONDS, cpu_seconds  # noqa: E402
from vardex_e2e import WITNESS, Host, day_number  # noqa: E402


def grey_background(folder):
    """A 3840x2160 JPEG with detail and no black pixel anywhere: the point timed is painted,
    with the block's plate or without it, the moment it is no longer black."""
    path = folder / "grey-3840x2160.jpg"
    subprocess.run(["convert", "-size", "3840x2160", "xc:gray50", "-attenuate", "0.3", "+noise", "Gaussian",
                    "-quality", "90", str(path)], check=True)
    return path


def measure(placement):
    with Host(f"bench_status_{placement}", "3840x2160x24") as host:
        host.set_text("PBGI", host.windows_path(grey_background(host.run_dir)))
        host.set_dword("PMPM", -1)  # no power save during the measurement
        host.set_dword("PLSP", placement)
        user = host.user_key()
        host.set_dword(user + "PWTD", 1)
        host.set_dword(user + "PWTH", 20)
        host.set_dword(user + "PDDC", day_number(datetime.date.today()))
        service = host.start_service()
        # Where the block's plate is, at the bottom left: the picture shows there without it.
        timing = host.run(WITNESS, "timelock", "20", "48", "2110", timeout=900)
        hot_key = (timing.stdout.strip().splitlines() or ["?"])[-1]
        host.lock_with_hotkey()
        time.sleep(2)
        start = time.monotonic(), cpu_seconds(service.pid)
        time.sleep(LOCK_SECONDS)
        end = time.monotonic(), cpu_seconds(service.pid)
        cpu = f"{100 * (end[1] - start[1]) / (end[0] - start[0]):.2f}% of one core"
        host.enter_password("")
        host.wait_unlocked()
        return {"hot key to painted lock screen": hot_key, "service CPU while locked": cpu}


if __name__ == "__main__":
    shown, hidden = measure(0), measure(2)
    for name in shown:
        print(f"{name:32} block shown: {shown[name]:44} hidden (baseline): {hidden[name]}")
