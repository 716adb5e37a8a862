"""What the person at the PC is told: the lock screen's status block (read back through the
window texts a screen reader names it by, and looked at in screenshots), the tray's warning
before the time runs out, and the news of wrong entries after an unlock."""
import datetime
import time
import unittest

from vardex_e2e import Host, day_number, password_hash, wait_for


def restrict_hours(host, used_seconds):
    user = host.user_key()
    host.set_dword(user + "PWTD", 1)
    host.set_dword(user + "PWTH", 1)
    host.set_dword(user + "PDDC", day_number(datetime.date.today()))
    host.set_dword(user + "PDTC", used_seconds)


def balloons(host):
    result = host.probe("balloons")
    return result.stdout.splitlines() if result.returncode == 0 else []


class LockStatus(unittest.TestCase):
    def test_the_status_block_says_who_is_locked_where_they_stand_and_how_to_unlock(self):
        cases = [
            # name, screen, dpi, restricted, picture
            ("status_restricted_96", "1280x1024x24", 96, True, True),
            ("status_free_no_picture_192", "2560x1440x24", 192, False, False),
        ]
        for name, screen, dpi, restricted, picture in cases:
            with self.subTest(name), Host(name, screen) as host:
                width, height = (int(n) for n in screen.split("x")[:2])
                if dpi != 96:
                    host.set_dpi(dpi)
                if restricted:
                    restrict_hours(host, 1200)
                if not picture:
                    host.set_dword("PSBI", 0)
                user = host.user_key()
                host.start_service()
                host.lock_with_hotkey()
                wait_for(lambda: host.status_blocks(), what="the status block")
                blocks = host.status_blocks()
                self.assertEqual(len(blocks), 1, "on the primary monitor only, by default")
                left, top, right, bottom, text = blocks[0]
                self.assertIn(user, text)
                self.assertIn("Press any key or click to unlock", text)
                self.assertRegex(text, r"\d\d?:\d\d")
                if restricted:
                    self.assertRegex(text, r"(39|40) min left today \(until \d\d:\d\d\)")
                else:
                    self.assertNotIn("left today", text)
                # Below the panel's half of the screen, left of its middle, on the screen.
                self.assertGreaterEqual(left, 0)
                self.assertLessEqual(right, width // 2)
                self.assertGreaterEqual(top, height * 3 // 4)
                self.assertLessEqual(bottom, height)
                host.screenshot(name)
                host.hostile("set-text", "TMainForm", "TStatusBlock", "Time is up: this PC shuts down in 0:05")
                self.assertNotIn("Time is up", host.status_blocks()[0][4], "another program's words are not taken")

    def test_a_warning_comes_five_minutes_before_the_end(self):
        with Host("status_warning") as host:
            # 306 seconds left: the first tick reads more than five minutes, the third five.
            restrict_hours(host, 3600 - 306)
            host.start_service()
            wait_for(lambda: balloons(host), timeout=30, what="the warning")
            self.assertRegex(balloons(host)[0], r"^5 minutes left today\. Your time ends at \d\d:\d\d\.$")
            host.screenshot("five_minute_warning")

    def test_wrong_entries_are_told_after_the_unlock_without_the_statistics_log(self):
        with Host("status_attempts") as host:
            host.set_text(host.user_key() + "PAPW", password_hash("right"))
            host.start_service()
            host.lock_with_hotkey()
            for entry in ("wrong", "also wrong"):
                host.enter_password(entry)
                time.sleep(1.5)  # the wait after a wrong entry
            self.assertEqual(balloons(host), [], "nothing told while locked")
            host.enter_password("right")
            host.wait_unlocked()
            wait_for(lambda: balloons(host), timeout=15, what="the news of the attempts")
            self.assertRegex(balloons(host)[0],
                             r"^2 failed unlock attempts since your last unlock; the last at \d\d:\d\d$")
            self.assertFalse(host.log_path().exists(), "the statistics log is off")
            # A lock takes the notification away: no other window above the lock screen.
            host.lock_with_hotkey()
            wait_for(lambda: not balloons(host), timeout=5, what="the notification to go with the lock")


if __name__ == "__main__":
    unittest.main()
