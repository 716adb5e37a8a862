"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_statistics.py [LINES...]

For three users' logs of LINES lines each (default 1000 10000 100000), then for the same three
logs of the last count grown to 2 GiB each by zero bytes before their lines (sparse files: the
disk holds only the lines): the time the window takes to show the "Statistics" node once it is
selected, the same again (the tree cleared and built anew), the time until the tree holds the
first lines of every log as seen from outside (each look a probe started under Wine), and, while
the view is scrolled to its end SCROLLS times (each end brings the next batch of lines), the
slowest scroll and the slowest answer of the window to a message; last, the most memory the lock
service held meanwhile.
"""
import pathlib
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_configuration import start_and_configure  # noqa: E402
from test_configuration_pages import peak_memory_mib, service_process, write_huge_log  # noqa: E402
from vardex_e2e import Host, wait_for  # noqa: E402

STATISTICS, ROOT = "0.2", "0"
IDC_STAT_TREE = 1080
USERS = ("anna", "bob", "carla")
SCROLLS = 50
LINES_PER_BATCH = 200
HUGE = 2 << 30


def log_text(lines):
    return "".join(f"09/12/2026 {i % 24:02}:{i % 60:02}:{i % 60:02} Access Permitted\r\n" for i in range(lines))


def show(host):
    host.probe("cfg-tree", ROOT)
    return float(host.probe("cfg-tree", STATISTICS).stdout)


def nodes(host):
    return int(host.probe("cfg-items", IDC_STAT_TREE).stdout)


def measure(host, label, lines, huge):
    text = log_text(lines).encode()
    for user in USERS:
        path = host.program / f"{user}.log"
        if huge:
            write_huge_log(path, HUGE, b"\r\n" + text)
        else:
            path.write_bytes(text)
    (service_process(host) / "clear_refs").write_text("5")  # the peak starts again from now
    host.probe("cfg-tree", ROOT)
    # The root, each user, the note that older entries are not shown, each log's first batch.
    first_lines = 1 + len(USERS) * (1 + (1 if huge else 0) + min(lines, LINES_PER_BATCH))
    started = time.monotonic()
    first = float(host.probe("cfg-tree", STATISTICS).stdout)
    wait_for(lambda: nodes(host) >= first_lines, timeout=120, what="the first lines of every log")
    complete = (time.monotonic() - started) * 1000
    again = show(host)
    slowest_scroll = slowest_answer = 0.0
    for _ in range(SCROLLS):
        slowest_scroll = max(slowest_scroll, float(host.probe("cfg-scroll", IDC_STAT_TREE).stdout))
        slowest_answer = max(slowest_answer, float(host.probe("cfg-ping").stdout))
    print(f"{label:>28} x {len(USERS)} users: shown in {first:.0f} ms, complete in {complete:.0f} ms, "
          f"again in {again:.0f} ms; {SCROLLS} scrolls to the end: slowest {slowest_scroll:.0f} ms, "
          f"slowest answer {slowest_answer:.0f} ms, {nodes(host)} nodes then; "
          f"vardex.exe at most {peak_memory_mib(host):.0f} MiB")


def main():
    counts = [int(a) for a in sys.argv[1:]] or [1000, 10000, 100000]
    with Host("bench_statistics") as host:
        start_and_configure(host)
        for lines in counts:
            measure(host, f"{lines} lines", lines, huge=False)
        measure(host, f"2 GiB, its last {counts[-1]} lines", counts[-1], huge=True)


if __name__ == "__main__":
    main()
