"""Endurance of the guardian under Wine (figures, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_guardian_flood.py [REQUESTS]

With the guardian running as a service and its lock service started, another program of the user
sends REQUESTS (default 100,000) requests to the guardian's public pipe, good and bad mixed, in
batches of 10,000. After each batch the guardian is sampled: its handles as the system counts
them, its windows, and its resident and data memory as Linux sees the Wine process. The last line
gives the growth over the second half of the run; a leak shows there.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_guardian import install_guardian, wait_for_lock_service  # noqa: E402
from vardex_e2e import HOSTILE, Host  # noqa: E402
from bench_endurance import linux_memory, report, sample_line  # noqa: E402

BATCH = int(__import__("os").environ.get("VARDEX_FLOOD_BATCH", "10000"))
FIELDS = ("handles", "RSS KiB", "data KiB")


def guardian_pid(host):
    """The Linux process of vardexguard.exe in this host's prefix."""
    for entry in pathlib.Path("/proc").iterdir():
        try:
            environment = (entry / "environ").read_bytes()
            program = (entry / "cmdline").read_bytes().split(b"\0")[0].decode(errors="replace")
        except (OSError, ValueError):
            continue
        if f"WINEPREFIX={host.prefix}".encode() in environment and program.lower().endswith("vardexguard.exe"):
            return int(entry.name)
    raise AssertionError("no guardian runs")


def sample(host, pid):
    handles = int(host.probe("usage", "vardexguard.exe").stdout.split()[1])
    return (handles,) + linux_memory(pid)


def run(requests):
    with Host("bench_guardian_flood") as host:
        install_guardian(host)
        wait_for_lock_service(host)
        pid = guardian_pid(host)
        samples = [(0, sample(host, pid))]
        seconds = answered = failed = 0.0
        for sent in range(BATCH, requests + 1, BATCH):
            ok, bad, took = host.run(HOSTILE, "guard-flood", str(BATCH), timeout=3600).stdout.split()
            answered, failed, seconds = answered + int(ok), failed + int(bad), seconds + float(took)
            samples.append((sent, sample(host, pid)))
            print(sample_line(*samples[-1]), flush=True)
    print(f"{requests} requests in {seconds:.0f} s ({requests / seconds:.0f} a second): "
          f"{answered:.0f} answered, {failed:.0f} failed")
    report(samples, FIELDS, requests, "sent")


if __name__ == "__main__":
    run(int(sys.argv[1]) if len(sys.argv) > 1 else 100000)
