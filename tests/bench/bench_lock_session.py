"""Benchmarks of the lock session under Wine (figures, not tests; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_lock_session.py \
      [WAITING.exe SPINNING.exe]

(other builds of the two services to compare, an earlier one's for example; VARDEX_BENCH_QUICK=1
leaves out the hot-key timing)

- processor time of the service (and of the wineserver it talks to) over a 30-second lock, for the
  service as built and for the comparison build whose session loop polls without waiting;
- the sleeps a second of the service's threads while locked, as Linux counts them (voluntary
  switches, Wine's own threads among them) over the same 30 seconds, and of the session's own
  thread (the main one): under Wine every call to the wineserver is one, so these are upper
  bounds of the wake-ups, not their number;
- how fast a "Shell_TrayWnd" window that another program shows is hidden again (50 tries), and a
  new borderless one and a borderless "Windows Task Manager", shown at random moments (50 each);
- the time from the hot key to the lock screen painted with a 3840x2160 JPEG background (20 tries).
"""
import os
import pathlib
import shutil
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from vardex_e2e import BIN, WITNESS, Host  # noqa: E402

LOCK_SECONDS = 30


def cpu_seconds(pid):
    """The scheduler's own count of the time the threads ran, to the nanosecond: utime and stime
    are sampled at the clock tick, which charges a loop that wakes on the tick far too much."""
    return sum(int(task.read_text().split()[0]) for task in pathlib.Path(f"/proc/{pid}/task").glob("*/schedstat")) / 1e9


def wakeups(pid, task="*"):
    """Times the threads of the process (or one of them) went to sleep, as Linux counts them."""
    total = 0
    for status in pathlib.Path(f"/proc/{pid}/task").glob(f"{task}/status"):
        for line in status.read_text().splitlines():
            if line.startswith("voluntary_ctxt_switches:"):
                total += int(line.split()[1])
    return total


def big_background(folder):
    """A 3840x2160 JPEG with detail, made from the default background."""
    path = folder / "background-3840x2160.jpg"
    subprocess.run(["convert", str(BIN / "scrlogo.jpg"), "-resize", "3840x2160!", "-attenuate", "0.3",
                    "+noise", "Gaussian", "-quality", "90", str(path)], check=True)
    return path


def measure(variant, program):
    results = {}
    with Host(f"bench_{variant}") as host:
        shutil.copy2(program, host.program / "vardex.exe")
        host.set_text("PBGI", host.windows_path(big_background(host.run_dir)))
        host.set_dword("PMPM", -1)  # no power save during the measurement
        service = host.start_service()
        host.lock_with_hotkey()
        time.sleep(2)
        start = (time.monotonic(), cpu_seconds(service.pid), cpu_seconds(host._server.pid), wakeups(service.pid), wakeups(service.pid, str(service.pid)))
        time.sleep(LOCK_SECONDS)
        end = (time.monotonic(), cpu_seconds(service.pid), cpu_seconds(host._server.pid), wakeups(service.pid), wakeups(service.pid, str(service.pid)))
        wall = end[0] - start[0]
        results["service CPU"] = f"{100 * (end[1] - start[1]) / wall:.2f}% of one core"
        results["wineserver CPU"] = f"{100 * (end[2] - start[2]) / wall:.2f}% of one core"
        results["thread sleeps a second"] = f"{(end[3] - start[3]) / wall:.1f}"
        results["session thread's sleeps a second"] = f"{(end[4] - start[4]) / wall:.1f}"
        for name, kind in (("re-hide", ()), ("re-hide, borderless popup", ("popup",)),
                           ("re-hide, borderless Task Manager", ("taskmgr",))):
            results[name] = host.run(WITNESS, "rehide", "50", *kind, timeout=300).stdout.strip().splitlines()[-1]
        host.enter_password("")
        host.wait_unlocked()
        if variant == "waiting" and not os.environ.get("VARDEX_BENCH_QUICK"):
            timing = host.run(WITNESS, "timelock", "20", "640", "300", timeout=900)
            results["hot key to painted lock screen"] = (timing.stdout.strip().splitlines() or ["?"])[-1] + (
                f" (exit {timing.returncode})" if timing.returncode else "")
    return results


if __name__ == "__main__":
    # Side by side, from the same run.
    programs = sys.argv[1:3] if len(sys.argv) == 3 else [BIN / "vardex.exe", BIN / "vardex_spinning.exe"]
    figures = {variant: measure(variant, program) for variant, program in zip(("waiting", "spinning"), programs)}
    for name in figures["waiting"]:
        print(f"{name:34} waiting: {figures['waiting'][name]:40} spinning: {figures['spinning'].get(name, '-')}")
