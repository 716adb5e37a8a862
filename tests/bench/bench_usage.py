"""Benchmark under Wine (a figure, not a test; run by hand):

  VARDEX_BIN=build/win64/bin VARDEX_WINE_ROOT=build/wine python3 tests/bench/bench_usage.py

Ten users with five years of usage lines each, against the same users without usage histories
(the baseline, in the same run): the time the window takes to show the "Statistics" node, and to
show a user's chart once the user's node is selected. The chart drawn anew, against the page's
tree drawn anew. The export of everyone's statistics for three users with 100,000 log lines each,
from the save dialog's Enter until both files are written, against the same with one line each.
Each figure is the median of RUNS.
"""
import datetime
import pathlib
import statistics
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))

from test_configuration import start_and_configure  # noqa: E402
from test_configuration_pages import click_control  # noqa: E402
from vardex_e2e import Host, wait_for  # noqa: E402

STATISTICS, ROOT = "0.2", "0"
IDC_STAT_TREE, IDC_USAGE_CHART, IDC_EXPORT_STATISTICS = 1080, 1180, 1182
RUNS = 5
HEADER = "date,minutes_used,minutes_allowed,minutes_granted,expired\r\n"


def usage_text(days):
    today = datetime.date.today()
    lines = (f"{(today - datetime.timedelta(days=back)).isoformat()},{back % 150},{'' if back % 7 < 2 else 120},0,"
             f"{int(back % 9 == 0)}\r\n" for back in range(days, 0, -1))
    return HEADER + "".join(lines)


def log_text(lines):
    return "".join(f"09/12/2026 {i % 24:02}:{i % 60:02}:{i % 60:02} Access Permitted\r\n" for i in range(lines))


def median(measure):
    return statistics.median(measure() for _ in range(RUNS))


def opening(host, users, days):
    for user in users:
        (host.program / f"{user}.log").write_text(log_text(100))
        path = host.program / f"{user}.usage.csv"
        if days:
            path.write_text(usage_text(days))
        elif path.exists():
            path.unlink()

    def show():
        host.probe("cfg-tree", ROOT)
        return float(host.probe("cfg-tree", STATISTICS).stdout)

    def chart():
        host.probe("cfg-pick", IDC_STAT_TREE, 0)  # the root: no chart
        return float(host.probe("cfg-pick", IDC_STAT_TREE, 1).stdout)

    shown = median(show)
    charted = median(chart)
    print(f"{len(users)} users, {days} days of usage each: Statistics shown in {shown:.1f} ms, "
          f"a user's chart in {charted:.1f} ms")


def drawing(host):
    chart = median(lambda: float(host.probe("cfg-redraw", IDC_USAGE_CHART).stdout))
    tree = median(lambda: float(host.probe("cfg-redraw", IDC_STAT_TREE).stdout))
    print(f"The chart of 30 days drawn anew in {chart:.1f} ms (the tree beside it: {tree:.1f} ms)")


def export(host, users, lines):
    for user in users:
        (host.program / f"{user}.log").write_text(log_text(lines))
        (host.program / f"{user}.usage.csv").write_text(usage_text(5 * 365))
    folder = host.run_dir / "export"
    folder.mkdir(exist_ok=True)
    host.probe("cfg-tree", ROOT)
    host.probe("cfg-tree", STATISTICS)

    def once():
        for old in folder.iterdir():
            old.unlink()
        click_control(host, IDC_EXPORT_STATISTICS)
        wait_for(lambda: host.window_geometries("Export the statistics"), what="the save dialog")
        x, y, width, height = host.window_geometries("Export the statistics")[0]
        host.xdotool("mousemove", x + width // 2, y + height // 2)
        host.xdotool("key", "ctrl+a")
        host.xdotool("type", "--delay", "10", host.windows_path(folder / "all.csv"))
        started = time.monotonic()
        host.xdotool("key", "Return")
        wait_for(lambda: (folder / "all usage.csv").exists(), timeout=60, what="the export", interval=0.005)
        return (time.monotonic() - started) * 1000

    print(f"Export of {len(users)} x {lines} log lines: {median(once):.0f} ms")


def main():
    with Host("bench_usage") as host:
        start_and_configure(host)
        users = [f"user{i}" for i in range(10)]
        opening(host, users, 0)
        opening(host, users, 5 * 365)
        host.probe("cfg-pick", IDC_STAT_TREE, 1)
        drawing(host)
        for user in users:
            for path in host.program.glob(f"{user}.*"):
                path.unlink()
        export(host, users[:3], 1)
        export(host, users[:3], 100000)


if __name__ == "__main__":
    main()
