"""Endurance of the lock service under Wine (figures, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_endurance.py [CYCLES]

Runs CYCLES (default 1000) lock - wrong password - unlock cycles of the real vardex.exe through
the hot key and the unlock prompt, as a user would, and samples the service every 50 cycles:
its handles, GDI and USER objects as the system counts them (Wine counts none: both read 0
there), its windows on every desktop, its private bytes as Windows reports them, and its
resident and data memory as Linux sees the Wine process. The last line compares the last half of
the run with its first sample after warm-up: a leak shows as growth there.
"""
import pathlib
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from vardex_e2e import Host, password_hash  # noqa: E402

SAMPLE_EVERY = 50
FIELDS = ("handles", "gdi", "user", "windows", "private KiB", "RSS KiB", "data KiB")


def linux_memory(pid):
    status = dict(line.split(":", 1) for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines())
    return int(status["VmRSS"].split()[0]), int(status["VmData"].split()[0])


def sample(host, service):
    lines = host.probe("usage", "vardex.exe").stdout.split()
    handles, gdi, user, windows, private = (int(v) for v in lines[1:6])
    return (handles, gdi, user, windows, private) + linux_memory(service.pid)


def sample_line(count, values):
    return f"{count:7} " + " ".join(f"{v:11}" for v in values)


def report(samples, fields, total, unit):
    """The samples as a table, then the growth over the second half of the run (after warm-up)."""
    print(f"{unit:>7} " + " ".join(f"{f:>11}" for f in fields))
    for count, values in samples:
        print(sample_line(count, values))
    half = [s for s in samples if s[0] >= total // 2]
    if len(samples) > 2 and half:
        first, last = half[0][1], samples[-1][1]
        print("growth over the last half: " + ", ".join(f"{f} {b - a:+d}" for f, a, b in zip(fields, first, last)))


def run(cycles):
    with Host("bench_endurance") as host:
        host.set_text(host.user_key() + "PAPW", password_hash("right"))
        host.set_dword("PMPM", -1)  # no power save while it runs
        service = host.start_service()
        samples = [(0, sample(host, service))]
        started = time.monotonic()
        for cycle in range(1, cycles + 1):
            host.lock_with_hotkey()
            # A key lost while the last prompt still ends is pressed again sooner than the tests do.
            host.enter_password("wrong", retry_after=1)
            host.enter_password("right", retry_after=1)
            host.wait_unlocked()
            if cycle % SAMPLE_EVERY == 0:
                samples.append((cycle, sample(host, service)))
                print(sample_line(*samples[-1]), flush=True)
        seconds = time.monotonic() - started
    print(f"{cycles} cycles in {seconds:.0f} s ({seconds / cycles:.2f} s each)")
    report(samples, FIELDS, cycles, "cycle")


if __name__ == "__main__":
    run(int(sys.argv[1]) if len(sys.argv) > 1 else 1000)
