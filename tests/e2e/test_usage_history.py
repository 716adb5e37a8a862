"""The statistics view's usage chart: a user's last 30 days from the usage history and today's
live count, with its figures, at 96, 144 and 192 DPI, and the name of a day under the pointer; the
export of the unlock log and the usage history through the save dialog, read back as CSV, and an
export that cannot be written."""
import csv
import datetime
import time
import unittest

from test_configuration import start_and_configure
from test_configuration_pages import click_control, dismiss
from vardex_e2e import HOSTILE, Host, day_number, wait_for

STATISTICS = "0.2"
IDC_STAT_TREE, IDC_USAGE_CHART, IDC_USAGE_FIGURES, IDC_EXPORT_STATISTICS = 1080, 1180, 1181, 1182
HEADER = "date,minutes_used,minutes_allowed,minutes_granted,expired"
SAVE_TITLE = "Export the statistics"


def history(today):
    """(date, used, allowed, expired) of 20 of the last 29 days, some of them expired."""
    days = []
    for back in range(29, 0, -1):
        if back % 3 == 0:
            continue
        date = today - datetime.timedelta(days=back)
        allowed = "" if date.weekday() >= 5 else 120
        used = (back * 37) % 150
        days.append((date, used, allowed, int(allowed != "" and used >= allowed)))
    return days


def write_history(path, days):
    lines = [HEADER] + [f"{d.isoformat()},{used},{allowed},0,{expired}" for d, used, allowed, expired in days]
    # A damaged line and a last line cut while written are left out.
    path.write_bytes(("\r\n".join(lines[:3] + ["2026-02-31,5,,0,0"] + lines[3:]) + "\r\n2026-01-0").encode())


def span(minutes):
    hours, rest = divmod(minutes, 60)
    return f"{rest} min" if not hours else f"{hours} h" + (f" {rest} min" if rest else "")


def select_first_user(host):
    """Selects the first user's node of the statistics tree, as the keys do."""
    click_control(host, IDC_STAT_TREE, first_line=True)
    host.xdotool("key", "Home", "Down")
    time.sleep(0.5)


class UsageChart(unittest.TestCase):
    def test_a_users_last_days_with_today_live_at_every_resolution(self):
        today = datetime.date.today()
        days = history(today)
        live_minutes = 40
        used = [u for _, u, _, _ in days] + [live_minutes]
        expired = sum(e for _, _, _, e in days)
        figures = (f"Average {span((sum(used) * 2 + len(used)) // (2 * len(used)))} a day over the {len(used)} "
                   f"days recorded; time expired on {expired} days.")
        for dpi, screen in ((96, "1280x1024x24"), (144, "1920x1080x24"), (192, "2560x1440x24")):
            with self.subTest(dpi=dpi), Host(f"usage_chart_{dpi}", screen) as host:
                host.set_dpi(dpi)
                user = host.user_key()
                write_history(host.program / f"{user}.usage.csv", days)
                (host.program / f"{user}.log").write_text("09/12/2026 08:01:02 Access Permitted\r\n")
                host.set_dword(user + "PDDC", day_number(today))
                host.set_dword(user + "PDTC", live_minutes * 60 + 59)
                start_and_configure(host)
                host.probe("cfg-tree", STATISTICS)
                self.assertIn("Select a user", host.probe("cfg-get", IDC_USAGE_FIGURES).stdout)
                select_first_user(host)
                wait_for(lambda: host.probe("cfg-get", IDC_USAGE_FIGURES).stdout.strip() == figures,
                         what=figures)
                # The pointer over today's bar names it.
                left, top, right, bottom = (int(v) for v in host.probe("cfg-rect", IDC_USAGE_CHART).stdout.split())
                host.xdotool("mousemove", right - dpi // 16, (top + bottom) // 2)
                time.sleep(1)
                host.screenshot(f"usage_chart_{dpi}dpi")
                self.assertTrue(any(c == "tooltips_class32" and title.startswith("Today") and "40 min" in title
                                    for c, title in host.visible_windows()), host.visible_windows())


class Export(unittest.TestCase):
    def test_the_statistics_exported_through_the_save_dialog_read_back_as_csv(self):
        with Host("usage_export") as host:
            today = datetime.date.today()
            days = history(today)
            user = host.user_key()
            write_history(host.program / f"{user}.usage.csv", days)
            (host.program / f"{user}.log").write_text("08/12/2026 05:40:28 Access Denied\r\nnoise\r\n"
                                                      "08/12/2026 05:41:00 Access Permitted\r\n")
            (host.program / "zoë, z.log").write_bytes(b"09/12/2026 07:00:00 Access Permitted\r\n")
            folder = host.run_dir / "export"
            folder.mkdir()
            start_and_configure(host)
            host.probe("cfg-tree", STATISTICS)

            def export(path):
                click_control(host, IDC_EXPORT_STATISTICS)
                wait_for(lambda: host.window_geometries(SAVE_TITLE), what="the save dialog")
                x, y, width, height = host.window_geometries(SAVE_TITLE)[0]
                host.xdotool("mousemove", x + width // 2, y + height // 2)
                host.xdotool("key", "ctrl+a")
                host.xdotool("type", "--delay", "20", host.windows_path(path))
                host.xdotool("key", "Return")

            # Nothing selected in the tree: everyone's.
            export(folder / "all.csv")
            wait_for(lambda: (folder / "all usage.csv").exists(), what="the exported files")
            with open(folder / "all.csv", encoding="utf-8-sig", newline="") as exported:
                rows = list(csv.reader(exported))
            self.assertEqual(rows, [["user", "date", "time", "event"],
                                    [user, "2026-12-08", "05:40:28", "Access Denied"],
                                    [user, "2026-12-08", "05:41:00", "Access Permitted"],
                                    ["zoë, z", "2026-12-09", "07:00:00", "Access Permitted"]])
            self.assertTrue((folder / "all.csv").read_bytes().startswith(b"\xef\xbb\xbfuser,date,time,event\r\n"))
            with open(folder / "all usage.csv", encoding="utf-8-sig", newline="") as exported:
                usage = list(csv.reader(exported))
            self.assertEqual(usage[0], ["user", "date", "minutes_used", "minutes_allowed", "minutes_granted", "expired"])
            self.assertEqual(usage[1:], [[user, d.isoformat(), str(u), str(a), "0", str(e)] for d, u, a, e in days])

            # A file that cannot be replaced: said so, that file is kept as it was, and no temporary
            # file is left.
            (folder / "err usage.csv").write_text("old")
            holder = host.start(HOSTILE, "lock-file", host.windows_path(folder / "err usage.csv"))
            time.sleep(2)
            export(folder / "err.csv")
            dismiss(host, 'The statistics were not exported to "', "PC Vardex")
            holder.kill()
            holder.wait()
            self.assertEqual((folder / "err usage.csv").read_text(), "old")
            self.assertFalse([p.name for p in folder.iterdir() if p.name.endswith(".tmp")])

if __name__ == "__main__":
    unittest.main()
