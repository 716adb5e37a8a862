"""The User page's week for real: today's row painted "not allowed" with the mouse on the grid,
applied, and the user, now outside today's time, is locked and warned; the page's "Today" line
says what the service then does."""
import datetime
import subprocess
import unittest

from test_configuration import start_and_configure
from test_configuration_pages import IDCANCEL, apply
from test_time_restrictions import red_share
from vardex_e2e import Host, stored, wait_for

CURRENT_USER = "0.1.1"
IDC_SAME_EVERY_DAY, IDC_WEEK_GRID, IDC_TODAY = 1106, 1108, 1109
SLOTS = 48


def cells(host):
    """Where the grid's cells lie on the screen (x, y, width, height), from its allowed cells: every
    cell of a whole allowed week shows in the highlight colour."""
    left, top, right, bottom = (int(v) for v in host.probe("cfg-rect", IDC_WEEK_GRID).stdout.split())
    shot = host.screenshot("week_grid_allowed")
    text = subprocess.run(["convert", str(shot), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                           "-fx", "b > 0.6 && r < 0.5", "-threshold", "50%", "-trim", "-format", "%w %h %X %Y",
                           "info:"], check=True, capture_output=True, text=True).stdout.split()
    width, height, x, y = (int(v.lstrip("+")) for v in text)
    return left + x, top + y, width, height


def centre(area, row, slot):
    x, y, width, height = area
    return x + (slot + 0.5) * width // SLOTS, y + (row + 0.5) * height // 7


class WeekGrid(unittest.TestCase):
    def test_today_painted_not_allowed_with_the_mouse_locks_the_user_and_the_today_line_said_so(self):
        today = datetime.date.today()
        day_name = f"{today:%A}"
        with Host("week_grid") as host:
            user = host.user_key()
            host.set_text(user + "PWTB", "00:00 - 00:00=1;")  # the every-day rule: the whole day
            host.set_dword(user + "PWTL", 1)
            start_and_configure(host)
            host.probe("cfg-tree", CURRENT_USER)
            self.assertTrue(host.probe("cfg-get", IDC_TODAY).stdout.startswith(f"Today ({day_name}) {user} may work"))
            host.probe("cfg-click", IDC_SAME_EVERY_DAY)  # the weekdays get rules of their own

            # The rows start on the system's first weekday.
            row = (today.weekday() - int(host.probe("first-weekday").stdout)) % 7
            area = cells(host)
            start, end = centre(area, row, 0), centre(area, row, SLOTS - 1)
            host.xdotool("mousemove", int(start[0]), int(start[1]))
            host.xdotool("mousedown", "1")
            host.xdotool("mousemove", int((start[0] + end[0]) // 2), int(start[1]))
            host.xdotool("mousemove", int(end[0]), int(end[1]))
            host.xdotool("mouseup", "1")
            wait_for(lambda: host.probe("cfg-get", IDC_TODAY).stdout.strip() == f"Today ({day_name}) {user} may not work",
                     what="the painted day in the today line")
            host.screenshot("week_grid_painted")

            apply(host)
            self.assertEqual(stored(host, user + "PWWR"), 1)
            days = [stored(host, f"{user}PWD{d}") for d in range(1, 8)]
            self.assertEqual(days[today.weekday()], "")
            self.assertEqual([d for i, d in enumerate(days) if i != today.weekday()], ["00:00-24:00"] * 6)
            host.probe("cfg-command", IDCANCEL)
            # The service reloads: outside today's time it locks and warns.
            wait_for(host.session_active, timeout=30, what="the painted day to lock")
            host.wait_locked()  # the session's mutex comes a moment before its window
            wait_for(lambda: red_share(host.screenshot("week_grid_warning")) > 0.002, timeout=15, interval=0.5,
                     what="the red warning")


if __name__ == "__main__":
    unittest.main()
