"""Time restrictions for real: a day's time used up at start-up shuts the computer down (inside the
test's own Wine prefix) about 3 seconds after the start; running out while working locks the
screen and shows the red warning."""
import datetime
import subprocess
import time
import unittest

from vardex_e2e import LOCK_SCREEN, Host, day_number, wait_for

PANEL = "640x512+320+256"  # the warning panel: half the screen, centred


def red_share(screenshot):
    """The share of the warning panel's pixels that are red."""
    text = subprocess.run(["convert", str(screenshot), "-crop", PANEL, "-fx", "r > 0.8 && g < 0.25 && b < 0.25",
                           "-format", "%[fx:mean]", "info:"], check=True, capture_output=True, text=True).stdout
    return float(text)


class TimeRestrictions(unittest.TestCase):
    def restrict_duration(self, host, used_seconds):
        user = host.user_key()
        host.set_dword(user + "PWTD", 1)
        host.set_dword(user + "PWTH", 1)
        host.set_dword(user + "PDDC", day_number(datetime.date.today()))
        host.set_dword(user + "PDTC", used_seconds)

    def start_with_witness(self, host):
        log, witness = host.start_witness("endsession")
        return log, witness

    def test_day_used_up_at_start_shuts_down_at_the_first_timer_tick(self):
        with Host("used_up_at_start") as host:
            self.restrict_duration(host, 3600)
            log, _ = self.start_with_witness(host)
            started = time.monotonic()
            service = host.start(host.program / "vardex.exe")
            service.wait(60)
            elapsed = time.monotonic() - started
            self.assertEqual(service.returncode, 0)
            self.assertIn("query 0 0", log.read_text().splitlines(), "the shutdown path was taken")
            self.assertGreater(elapsed, 2.5)
            self.assertLess(elapsed, 15, "about 3 s after the start, not after the grace period")

    def test_outside_the_schedule_at_start_shuts_down_too(self):
        with Host("outside_schedule") as host:
            later = datetime.datetime.now() + datetime.timedelta(hours=2)
            period = f"{later:%H}:00 - {(later + datetime.timedelta(hours=1)):%H}:00=1;"
            user = host.user_key()
            host.set_text(user + "PWTB", period)
            host.set_dword(user + "PWTL", 1)
            log, _ = self.start_with_witness(host)
            service = host.start(host.program / "vardex.exe")
            service.wait(60)
            # The witness writes down the shutdown's query as it answers it: give its line the
            # moment to land.
            wait_for(lambda: "query 0 0" in log.read_text().splitlines(), timeout=10, what="the shutdown's query")

    def test_the_weekdays_own_periods_or_minutes_win_over_the_every_day_rule(self):
        # The every-day rule allows the whole day; today's own rule does not.
        later = datetime.datetime.now() + datetime.timedelta(hours=2)
        today = f"{datetime.date.today().weekday() + 1}"
        cases = {
            "own_periods": {"PWTB": "00:00 - 00:00=1;", "PWTL": 1, "PWWR": 1,
                            "PWD" + today: f"{later:%H}:00-{(later + datetime.timedelta(hours=1)):%H}:00"},
            "own_minutes": {"PWTD": 1, "PWTH": 24, "PWWR": 1, "PWM" + today: 1,
                            "PDDC": day_number(datetime.date.today()), "PDTC": 60},
        }
        for name, values in cases.items():
            with self.subTest(name), Host(f"week_{name}") as host:
                user = host.user_key()
                for code, value in values.items():
                    (host.set_text if isinstance(value, str) else host.set_dword)(user + code, value)
                log, _ = self.start_with_witness(host)
                service = host.start(host.program / "vardex.exe")
                service.wait(60)
                wait_for(lambda: "query 0 0" in log.read_text().splitlines(), timeout=10, what="the shutdown's query")

    def test_running_out_while_working_locks_and_shows_the_red_warning(self):
        with Host("running_out") as host:
            self.restrict_duration(host, 3600 - 6)
            host.start_service()
            # Two ticks count the last seconds, the third expires and locks, the next warns.
            wait_for(host.session_active, timeout=30, what="the expiry to lock the screen")
            self.assertTrue(host.shows(LOCK_SCREEN))
            wait_for(lambda: red_share(host.screenshot("time_warning")) > 0.002, timeout=15, interval=0.5,
                     what="the red warning")
            time.sleep(8)  # the lines scroll up from the bottom of the panel
            self.assertGreater(red_share(host.screenshot("time_warning_scrolled")), 0.002)
            self.assertIsNone(host.service.poll(), "the grace period runs: no shutdown yet")


if __name__ == "__main__":
    unittest.main()
