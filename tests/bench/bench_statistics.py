"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_statistics.py [LINES...]

For three users' logs of LINES lines each (default 1000 10000 100000): the time the window takes
to show the "Statistics" node once it is selected, the same again (the tree cleared and built
anew), and, while the view is scrolled to its end SCROLLS times (each end brings the next batch
of lines), the slowest scroll and the slowest answer of the window to a message.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_configuration import start_and_configure  # noqa: E402
from vardex_e2e import Host  # noqa: E402

STATISTICS, ROOT = "0.2", "0"
IDC_STAT_TREE = 1080
USERS = ("anna", "bob", "carla")
SCROLLS = 50


def log_text(lines):
    return "".join(f"09/12/2026 {i % 24:02}:{i % 60:02}:{i % 60:02} Access Permitted\r\n" for i in range(lines))


def show(host):
    host.probe("cfg-tree", ROOT)
    return float(host.probe("cfg-tree", STATISTICS).stdout)


def measure(host, lines):
    for user in USERS:
        (host.program / f"{user}.log").write_text(log_text(lines))
    first = show(host)
    again = show(host)
    slowest_scroll = slowest_answer = 0.0
    for _ in range(SCROLLS):
        slowest_scroll = max(slowest_scroll, float(host.probe("cfg-scroll", IDC_STAT_TREE).stdout))
        slowest_answer = max(slowest_answer, float(host.probe("cfg-ping").stdout))
    nodes = host.probe("cfg-items", IDC_STAT_TREE).stdout.strip()
    print(f"{lines:>7} lines x {len(USERS)} users: shown in {first:.0f} ms, again in {again:.0f} ms; "
          f"{SCROLLS} scrolls to the end: slowest {slowest_scroll:.0f} ms, slowest answer {slowest_answer:.0f} ms, "
          f"{nodes} nodes then")


def main():
    counts = [int(a) for a in sys.argv[1:]] or [1000, 10000, 100000]
    with Host("bench_statistics") as host:
        start_and_configure(host)
        for lines in counts:
            measure(host, lines)


if __name__ == "__main__":
    main()
