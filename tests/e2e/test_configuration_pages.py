"""The configuration window's pages for real: a user's schedule edited with its dialog and keys,
what its checked periods allow and the question before one that allows nothing, each user's edits
kept until Apply, password pairs confirmed before every save and before another user shows, number
fields left as they were, the power-save items and a new hot key, the keys of edits, the boot file,
and the statistics of the running service, a huge log among them, newest lines first and a log
cleared; what is applied takes effect in the running service."""
import datetime
import os
import pathlib
import subprocess
import time
import unittest

from test_configuration import configure, enabled, start_and_configure, wait_config
from vardex_e2e import CTRL, HOSTILE, VK_F9, Host, day_number, stored, wait_for

ID_DO_APPLY = 2001
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
VK_UP = 0x26
SETTINGS, APPEARANCE, DEFAULT_USER, CURRENT_USER, STATISTICS = "0.0.0", "0.0.1", "0.1.0", "0.1.1", "0.2"
IDC_BACK_IMAGE, IDC_PASSWORD1, IDC_PASSWORD2 = 1022, 1028, 1029
IDC_VARDEX_STARTUP, IDC_DISABLE_BOOT_KEYS = 1040, 1043
IDC_POWER_NONE, IDC_POWER_BLANK, IDC_POWER_SUSPEND, IDC_POWER_OFF = 1045, 1046, 1047, 1048
IDC_TIMEOUT, IDC_HOTKEY = 1049, 1051
IDC_UPSW1, IDC_UPSW2 = 1060, 1061
IDC_SCHEDULE, IDC_DURATION, IDC_SCHEDULE_CHECK, IDC_DURATION_CHECK = 1062, 1066, 1068, 1069
IDC_SCHEDULE_SUMMARY = 1071
ALT, VK_X = 0x8000, 0x58
IDC_STAT_TREE, IDC_ENABLE_STATISTICS = 1080, 1081
IDC_FROM_TIME, IDC_TILL_TIME = 1091, 1093
TIME_PERIOD = ("#32770", "Time Period")


def service_process(host):
    """/proc's folder of the lock service that the host started from its program folder."""
    program = str(host.program / "vardex.exe").encode()
    for entry in pathlib.Path("/proc").iterdir():
        try:
            if (entry / "cmdline").read_bytes().split(b"\0")[0] == program:
                return entry
        except OSError:
            continue
    raise AssertionError("no lock service runs")


def peak_memory_mib(host):
    """The most memory the lock service has held in RAM since it started (or since "5" was
    written to its clear_refs), in MiB."""
    status = (service_process(host) / "status").read_text()
    return int(next(line for line in status.splitlines() if line.startswith("VmHWM:")).split()[1]) / 1024


def write_huge_log(path, size, lines):
    """A log of the size given, all of it zero bytes but its newest lines: the file takes room on
    the disk only for those."""
    with open(path, "wb") as log:
        log.truncate(size - len(lines))
        log.seek(0, os.SEEK_END)
        log.write(lines)


def apply(host):
    wait_for(lambda: enabled(host, ID_DO_APPLY), what="a change to apply")
    host.probe("cfg-command", ID_DO_APPLY)
    wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")


def schedule_items(host):
    """(selected, checked) of each period of the schedule list."""
    lines = host.probe("cfg-items", IDC_SCHEDULE).stdout.split("\n")
    return [tuple(int(v) for v in line.split()) for line in lines if line.strip()]


def click_control(host, control, first_line=False):
    """Clicks the control in its middle, or on its first line (a list's first item)."""
    left, top, right, bottom = (int(v) for v in host.probe("cfg-rect", control).stdout.split())
    host.xdotool("mousemove", left + 60 if first_line else (left + right) // 2,
                 top + 9 if first_line else (top + bottom) // 2, "click", 1)


def nodes(host):
    return int(host.probe("cfg-items", IDC_STAT_TREE).stdout)


def dismiss(host, expected, title="Error"):
    """Waits for the message box that says expected and closes it."""
    text = lambda: " ".join(host.dialog_text(title) or [])  # noqa: E731
    wait_for(lambda: expected in text(), what=f"the message: {expected}")
    host.probe("dialog-ok", title)
    # The general error report has the configuration window's own title.
    wait_for(lambda: expected not in text(), what="the message box to close")


def ask_period(host, from_hour, till_hour):
    """Opens the Time Period dialog with Insert, sets the two hours, and presses OK."""
    host.xdotool("key", "Insert")
    wait_for(lambda: host.shows(TIME_PERIOD), what="the Time Period dialog")
    host.probe("dialog-keys", "Time Period", IDC_FROM_TIME, VK_UP, from_hour)
    host.probe("dialog-keys", "Time Period", IDC_TILL_TIME, VK_UP, till_hour)
    host.probe("dialog-press", "Time Period", IDOK)


class UserPage(unittest.TestCase):
    def test_a_period_goes_in_its_place_equal_times_are_refused_and_ctrl_keys_do_nothing(self):
        with Host("cfg_schedule") as host:
            user = host.user_key()
            host.set_text(user + "PWTB", "09:00 - 12:00=1;15:00 - 16:00=0;")
            start_and_configure(host)
            host.probe("cfg-tree", CURRENT_USER)
            self.assertEqual(host.probe("cfg-get", IDC_SCHEDULE_SUMMARY).stdout.strip(), "Allowed: 09:00\u201312:00")
            click_control(host, IDC_SCHEDULE, first_line=True)
            wait_for(lambda: schedule_items(host) == [(1, 1), (0, 0)], what="the first period selected")

            host.xdotool("key", "ctrl+Insert", "ctrl+Delete", "ctrl+Return")
            time.sleep(1)
            self.assertFalse(host.shows(TIME_PERIOD))
            self.assertEqual(schedule_items(host), [(1, 1), (0, 0)])
            self.assertFalse(enabled(host, ID_DO_APPLY))

            ask_period(host, 13, 14)
            wait_for(lambda: not host.shows(TIME_PERIOD), what="the dialog to close")
            wait_for(lambda: schedule_items(host) == [(0, 1), (1, 1), (0, 0)],
                     what="the new period second, checked and selected")
            host.window_screenshot("PC Vardex", "period_added")

            ask_period(host, 9, 9)
            wait_for(lambda: host.dialog_text("Error") is not None, what="the refusal")
            self.assertIn("Invalid time period!", host.dialog_text("Error"))
            host.probe("dialog-ok", "Error")
            time.sleep(0.5)
            self.assertTrue(host.shows(TIME_PERIOD), "the dialog stays open")
            host.probe("dialog-press", "Time Period", IDCANCEL)
            wait_for(lambda: not host.shows(TIME_PERIOD), what="the dialog to close")
            self.assertEqual(len(schedule_items(host)), 3)

            # No time of day lies in both checked periods: shown under the list, and asked before Apply.
            self.assertEqual(host.probe("cfg-get", IDC_SCHEDULE_SUMMARY).stdout.strip(),
                             "No time is allowed: the checked periods share no time")
            host.probe("cfg-click", IDC_SCHEDULE_CHECK)
            for answer in (IDNO, IDYES):
                host.probe("cfg-command", ID_DO_APPLY)
                # Read once: a second look can miss the box while Wine is still showing it.
                question = []
                wait_for(lambda: question.append(host.dialog_text("Confirm")) or question[-1] is not None,
                         what="the question")
                self.assertIn("allows no time at all", " ".join(question[-1]))
                host.probe("dialog-press", "Confirm", answer)
                wait_for(lambda: host.dialog_text("Confirm") is None, what="the question to close")
                if answer == IDNO:
                    self.assertTrue(enabled(host, ID_DO_APPLY))
                    self.assertEqual(stored(host, user + "PWTB"), "09:00 - 12:00=1;15:00 - 16:00=0;")
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            self.assertEqual(stored(host, user + "PWTB"), "09:00 - 12:00=1;13:00 - 14:00=1;15:00 - 16:00=0;")
            self.assertEqual(stored(host, user + "PWTL"), 1)
            host.probe("cfg-command", IDCANCEL)
            # The service reloaded: no time of day lies in both enabled periods, so it locks.
            wait_for(host.session_active, timeout=30, what="the new schedule to lock")

    def test_each_user_keeps_its_edits_until_apply_and_the_new_duration_is_enforced(self):
        with Host("cfg_users") as host:
            user = host.user_key()
            host.set_dword(user + "PDDC", day_number(datetime.date.today()))
            host.set_dword(user + "PDTC", 3600 - 6)  # almost an hour used today, not counted without a limit
            start_and_configure(host)
            host.probe("cfg-tree", CURRENT_USER)
            host.probe("cfg-set", IDC_DURATION, "1")
            host.probe("cfg-click", IDC_DURATION_CHECK)
            host.probe("cfg-tree", DEFAULT_USER)
            self.assertEqual(host.probe("cfg-get", IDC_DURATION).stdout.strip(), "24")
            host.probe("cfg-set", IDC_DURATION, "5")
            host.probe("cfg-tree", CURRENT_USER)
            self.assertEqual(host.probe("cfg-get", IDC_DURATION).stdout.strip(), "1")
            self.assertEqual(host.probe("cfg-checked", IDC_DURATION_CHECK).returncode, 0)
            host.probe("cfg-tree", DEFAULT_USER)
            self.assertEqual(host.probe("cfg-get", IDC_DURATION).stdout.strip(), "5")
            self.assertFalse(host.session_active())

            apply(host)
            self.assertEqual((stored(host, user + "PWTH"), stored(host, user + "PWTD")), (1, 1))
            self.assertEqual(stored(host, ".DefaultPWTH"), 5)
            host.probe("cfg-command", IDCANCEL)
            # The service reloaded: two more ticks use the hour up, then it locks.
            wait_for(host.session_active, timeout=30, what="the new limit to lock")


class PasswordsAndNumbers(unittest.TestCase):
    def test_a_pair_is_confirmed_before_every_save_and_before_another_user_and_numbers_left_alone_change_nothing(self):
        with Host("cfg_pairs") as host:
            user = host.user_key()
            start_and_configure(host)
            for page, number, pair in ((SETTINGS, IDC_TIMEOUT, (IDC_PASSWORD1, IDC_PASSWORD2)),
                                       (CURRENT_USER, IDC_DURATION, (IDC_UPSW1, IDC_UPSW2))):
                host.probe("cfg-tree", page)
                for field in pair:
                    self.assertEqual(host.probe("cfg-edit", field).stdout.split(), ["255", str(ord("*"))])
                click_control(host, number)
                host.xdotool("key", "Tab")
                time.sleep(0.5)
                self.assertFalse(enabled(host, ID_DO_APPLY), "a number field left as it was")

            host.probe("cfg-tree", SETTINGS)
            # Typed once: Ctrl+S and the tool bar's Apply refuse it, and nothing is written.
            click_control(host, IDC_PASSWORD1)
            host.xdotool("type", "--delay", "15", "secret")
            host.xdotool("key", "ctrl+s")
            dismiss(host, "The administrator password is not confirmed")
            host.probe("cfg-command", ID_DO_APPLY)
            dismiss(host, "The administrator password is not confirmed")
            self.assertIsNone(stored(host, "APW"))
            host.probe("cfg-set", IDC_PASSWORD1, "")

            host.probe("cfg-tree", CURRENT_USER)
            click_control(host, IDC_UPSW1)
            host.xdotool("type", "--delay", "15", "pw 1")
            # Another user from the "User Options" menu: refused, this user's page stays.
            host.xdotool("key", "alt+v", "Down", "Down", "Down", "Right", "Return")
            dismiss(host, f'The password of user "{user}" is not confirmed')
            self.assertIn(f'"{user}"', host.probe("cfg-status").stdout)
            click_control(host, IDC_UPSW2)
            host.xdotool("type", "--delay", "15", "pw 1")
            host.xdotool("key", "ctrl+s")
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            self.assertTrue(stored(host, user + "PAPW").startswith("$pbkdf2-sha256$"))
            self.assertIsNone(stored(host, "APW") or None)


class SystemPage(unittest.TestCase):
    def test_the_power_save_items_and_a_new_hot_key_that_locks_after_apply(self):
        with Host("cfg_system") as host:
            start_and_configure(host)
            host.probe("cfg-tree", SETTINGS)
            host.window_screenshot("PC Vardex", "settings")
            for item, mode in ((IDC_POWER_NONE, -1), (IDC_POWER_SUSPEND, 1), (IDC_POWER_OFF, 2),
                               (IDC_POWER_BLANK, 0)):
                host.probe("cfg-click", item)
                apply(host)
                self.assertEqual(stored(host, "PMPM"), mode)

            click_control(host, IDC_HOTKEY)
            host.xdotool("key", "ctrl+F9")
            apply(host)
            self.assertEqual(stored(host, "PLHK"), CTRL | VK_F9)
            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: host.probe("cfg-status").returncode != 0, what="the window to close")
            host.xdotool("mousemove", 40, 30)
            host.xdotool("key", "ctrl+F9")
            host.wait_locked()

    def test_the_boot_keys_line_is_edited_in_place_and_a_locked_boot_file_stops_the_apply(self):
        with Host("cfg_boot_file") as host:
            boot_file = host.prefix / "drive_c" / "MSDOS.SYS"
            boot_file.write_bytes(b"[Paths]\r\nWinDir=C:\\WINDOWS\r\n[Options]\r\nBootKeys=1\r\nLogo=0\r\n")
            host.run("C:\\windows\\system32\\attrib.exe", "+r", "C:\\MSDOS.SYS")
            self.assertFalse(os.stat(boot_file).st_mode & 0o222, "read-only to begin with")
            start_and_configure(host)
            host.probe("cfg-tree", SETTINGS)
            self.assertNotEqual(host.probe("cfg-checked", IDC_DISABLE_BOOT_KEYS).returncode, 0)
            host.probe("cfg-click", IDC_DISABLE_BOOT_KEYS)
            apply(host)
            self.assertEqual(boot_file.read_bytes(),
                             b"[Paths]\r\nWinDir=C:\\WINDOWS\r\n[Options]\r\nBootKeys=0\r\nLogo=0\r\n")
            self.assertEqual(stored(host, "BKGR"), 1)

            # Another program holds the file: reported, nothing of the settings written, Apply kept.
            holder = host.start(HOSTILE, "lock-file", "C:\\MSDOS.SYS")
            time.sleep(2)
            host.probe("cfg-click", IDC_DISABLE_BOOT_KEYS)
            host.probe("cfg-click", IDC_VARDEX_STARTUP)
            host.probe("cfg-command", ID_DO_APPLY)
            wait_for(lambda: host.dialog_text() is not None, what="the report")
            host.probe("dialog-ok", "PC Vardex")
            self.assertTrue(enabled(host, ID_DO_APPLY))
            self.assertEqual((stored(host, "BKGR"), stored(host, "PSUL")), (1, 0))
            self.assertIn(b"BootKeys=0", boot_file.read_bytes())
            holder.kill()

            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: host.dialog_text("Confirm") is not None, what="the closing question")
            host.probe("dialog-press", "Confirm", IDNO)
            wait_for(lambda: host.probe("cfg-status").returncode != 0, what="the window to close")
            self.assertFalse(os.stat(boot_file).st_mode & 0o222, "read-only again once the window is gone")


class Keys(unittest.TestCase):
    def test_edits_keep_their_own_keys_the_hot_key_field_takes_alt_x_and_esc_closes_nothing(self):
        with Host("cfg_keys") as host:
            subprocess.run(["convert", "-size", "64x48", "xc:#2020c0", str(host.program / "blue.bmp")], check=True)
            start_and_configure(host)
            host.probe("cfg-tree", APPEARANCE)
            click_control(host, IDC_BACK_IMAGE)
            host.xdotool("key", "ctrl+a")
            host.xdotool("type", "--delay", "15", "blue.bmp")
            # Select all and cut, paste back; then copy and paste it once more at the end.
            host.xdotool("key", "ctrl+a", "ctrl+x")
            wait_for(lambda: host.probe("cfg-get", IDC_BACK_IMAGE).stdout.strip() == "", what="the cut")
            host.xdotool("key", "ctrl+v", "ctrl+a", "ctrl+c", "End", "ctrl+v")
            wait_for(lambda: host.probe("cfg-get", IDC_BACK_IMAGE).stdout.strip() == "blue.bmpblue.bmp",
                     what="the text pasted twice")
            host.xdotool("key", "ctrl+a")
            host.xdotool("type", "--delay", "15", "blue.bmp")
            host.xdotool("key", "alt+x", "Escape")
            time.sleep(1)
            self.assertIsNone(host.dialog_text("Confirm"), "Ctrl+C is no Cancel in an edit")
            self.assertTrue(host.service_window_exists() and host.probe("cfg-status").returncode == 0,
                            "Alt+X in an edit and Esc end nothing")
            host.xdotool("key", "ctrl+s")
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            # A bare name is stored as the one in the program's folder, where the preview found it.
            self.assertEqual(stored(host, "PBGI"), host.windows_path(host.program / "blue.bmp"))

            host.probe("cfg-tree", SETTINGS)
            click_control(host, IDC_HOTKEY)
            host.xdotool("key", "alt+x")
            time.sleep(1)
            self.assertTrue(host.service_window_exists(), "Alt+X is the hot key typed, not Exit")
            host.probe("cfg-command", ID_DO_APPLY)  # Ctrl+S here would be the next hot key
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            self.assertEqual(stored(host, "PLHK"), ALT | VK_X)


class StatisticsPage(unittest.TestCase):
    def test_the_view_shows_the_lines_the_service_has_just_logged(self):
        with Host("cfg_statistics") as host:
            # Another user's log with bytes that are not text and a very long line.
            (host.program / "zed.log").write_bytes(b"\x00\x01\xff binary\r\n" + b"x" * 100000 + b"\r\nlast\r\n")
            start_and_configure(host)
            host.probe("cfg-tree", STATISTICS)
            host.probe("cfg-click", IDC_ENABLE_STATISTICS)
            apply(host)
            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: host.probe("cfg-status").returncode != 0, what="the window to close")

            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            host.enter_password("")
            host.wait_unlocked()
            lines = host.log_lines()
            self.assertTrue(lines, "the service logged the session")

            configure(host)
            wait_config(host)
            host.probe("cfg-tree", STATISTICS)
            # The root, two users, their lines.
            expected = 1 + 2 + 3 + len(lines)
            wait_for(lambda: host.probe("cfg-items", IDC_STAT_TREE).stdout.strip() == str(expected),
                     what=f"{expected} nodes")
            host.window_screenshot("PC Vardex", "statistics")

    def test_a_huge_log_shows_its_newest_lines_at_once_in_little_memory(self):
        with Host("cfg_statistics_huge") as host:
            newest = [f"{day:02}/12/2026 10:00:00 Access Denied" for day in range(1, 6)]
            # The zero bytes end as a line, as the older lines of a real log would.
            lines = "".join(f"\r\n{line}" for line in newest) + "\r\n"
            write_huge_log(host.program / "anna.log", 2 << 30, lines.encode())
            start_and_configure(host)
            shown_ms = float(host.probe("cfg-tree", STATISTICS).stdout)
            # The root, the user, the note that older entries are not shown, the newest lines.
            self.assertEqual(host.probe("cfg-items", IDC_STAT_TREE).stdout.strip(), str(1 + 1 + 1 + len(newest)))
            self.assertLess(shown_ms, 3000, "a huge log is not read whole")
            self.assertLess(peak_memory_mib(host), 512, "nor held in memory")
            host.window_screenshot("PC Vardex", "statistics_huge")

    def test_a_users_node_opens_on_its_newest_lines_older_ones_follow_upwards_and_the_log_is_cleared(self):
        with Host("cfg_statistics_newest") as host:
            log = host.program / "anna.log"
            log.write_text("".join(f"{1 + i // 24:02}/11/2026 {i % 24:02}:00:00 Access Denied\r\n" for i in range(450)))
            start_and_configure(host)
            host.probe("cfg-tree", STATISTICS)
            self.assertEqual(nodes(host), 2 + 200, "the newest lines")
            click_control(host, IDC_STAT_TREE)
            host.xdotool("key", "Home", "Down", "Right")  # opens anna's node
            time.sleep(1)
            host.window_screenshot("PC Vardex", "statistics_newest")
            self.assertEqual(nodes(host), 2 + 200, "opened at the newest: the oldest shown is out of view")
            for count in (400, 450):
                host.probe("cfg-scroll", IDC_STAT_TREE, "top")
                wait_for(lambda: nodes(host) == 2 + count, what=f"{count} lines")

            def clear(answer):
                host.probe("cfg-scroll", IDC_STAT_TREE, "top")
                left, top, _, _ = (int(v) for v in host.probe("cfg-rect", IDC_STAT_TREE).stdout.split())
                host.xdotool("mousemove", left + 50, top + 26, "click", 3)  # the user's node, the second row
                time.sleep(1)
                host.xdotool("key", "l")
                wait_for(lambda: host.dialog_text("Confirm") is not None, what="the question")
                self.assertIn('Clear the statistics log of user "anna"?', " ".join(host.dialog_text("Confirm")))
                host.probe("dialog-press", "Confirm", answer)

            clear(IDNO)
            time.sleep(1)
            self.assertEqual(nodes(host), 2 + 450)
            holder = host.start(HOSTILE, "lock-file", host.windows_path(log))
            time.sleep(2)
            clear(IDYES)
            dismiss(host, 'The statistics log of user "anna" was not cleared', "PC Vardex")
            self.assertEqual(nodes(host), 2 + 450, "nothing shown as cleared")
            holder.kill()
            holder.wait()
            clear(IDYES)
            wait_for(lambda: nodes(host) == 2, what="the lines to go")
            self.assertEqual(log.stat().st_size, 0)


if __name__ == "__main__":
    unittest.main()
