"""The configuration window where the guardian runs, as a standard user has it: the administrator
password is proved to the guardian, which writes what is applied (the lock service itself may not);
no other program of the user writes anything without the password, a posted Exit only asks for it,
and a lock ends the window's trust until the password is given again."""
import base64
import time
import unittest

from test_configuration import CONFIG, ID_DO_APPLY, ID_DO_EXIT, IDYES, INPUT, configure, enabled, wait_config, wait_prompt
from test_configuration_pages import (CURRENT_USER, IDC_DURATION, IDC_HOTKEY, IDC_STAT_TREE, SETTINGS, STATISTICS, apply,
                                      click_control)
from test_guardian import TRAY_AREA, guard, install_guardian, wait_for_lock_service
from vardex_e2e import CTRL, HOSTILE, VK_F9, Host, lock_service_pids, password_hash, stored, wait_for
from winehost import read_output

ADMIN, USER = "Admin 1", "User 1"


def b64(text):
    return base64.b64encode(text.encode()).decode().rstrip("=")


def admin_session(host, password, *messages, wait_ms=0):
    """Another program of the user logs in with password and sends the messages with its ticket;
    its answers, the login's first."""
    result = host.hostile("guard-admin", "admin " + b64(password), str(wait_ms), *messages)
    return result.stdout.split("\n")[:1 + len(messages)]


def guarded_host(host):
    """A standard user's PC: the settings key is the administrators' and the guardian's, the
    lock service runs without administrator rights, and the administrator password is set."""
    host.set_text("APW", password_hash(ADMIN))
    host.set_text(host.user_key() + "PAPW", password_hash(USER))
    assert host.hostile("restrict-key").returncode == 0
    install_guardian(host)
    wait_for_lock_service(host)


def open_with_password(host, password=ADMIN):
    configure(host)
    try:
        wait_for(lambda: host.shows(INPUT), timeout=8, what="the password prompt")
    except AssertionError:
        # Under Wine without a window manager the tray menu's keys now and then go to no window:
        # the menu is closed and Configure chosen once more.
        host.xdotool("key", "Escape")
        host.xdotool("mousemove", 40, 30)
        configure(host)
    wait_prompt(host, "the password prompt")
    host.xdotool("type", "--delay", "15", password)
    host.xdotool("key", "Return")
    wait_config(host)


def window_shown(host):
    return CONFIG in host.visible_windows()


class ThroughTheGuardian(unittest.TestCase):
    def test_what_the_administrator_applies_is_written_by_the_guardian_and_nothing_without_the_password(self):
        with Host("trust_apply") as host:
            user = host.user_key()
            guarded_host(host)
            open_with_password(host)
            host.probe("cfg-tree", SETTINGS)
            click_control(host, IDC_HOTKEY)
            host.xdotool("key", "ctrl+F9")
            host.probe("cfg-tree", CURRENT_USER)
            host.probe("cfg-set", IDC_DURATION, "3")
            started = time.monotonic()
            apply(host)
            print(f"\nApply through the guardian: {time.monotonic() - started:.2f} s")
            self.assertEqual((stored(host, "PLHK"), stored(host, user + "PWTH")), (CTRL | VK_F9, 3))
            # A user's log is cleared through the guardian too.
            log = host.program / f"{user}.log"
            log.write_text("01/11/2026 10:00:00 Access Denied\r\n" * 3)
            host.probe("cfg-tree", STATISTICS)
            left, top, _, _ = (int(v) for v in host.probe("cfg-rect", IDC_STAT_TREE).stdout.split())
            host.xdotool("mousemove", left + 50, top + 26, "click", 3)  # the user's node, the second row
            time.sleep(1)
            host.xdotool("key", "l")
            wait_for(lambda: host.dialog_text("Confirm") is not None, what="the question")
            host.probe("dialog-press", "Confirm", IDYES)
            wait_for(lambda: log.stat().st_size == 0, what="the log cleared")
            # The service reloaded: the new hot key locks.
            host.xdotool("mousemove", 40, 30)
            host.xdotool("key", "ctrl+F9")
            host.wait_locked()
            # While locked, nobody is given a ticket, not even for the right password.
            self.assertEqual(admin_session(host, ADMIN)[0], "refused")
            host.enter_password(USER)
            host.wait_unlocked()

            ticket = "0" * 32
            put = f"put TICKET {b64('PMTO')} n 60"
            refusals = {
                "no ticket": guard(host, "put", ticket, b64("PMTO"), "n", "60")[1],
                "the stored hash as the password": admin_session(host, stored(host, "APW"))[0],
                "an out-of-range value": admin_session(host, ADMIN, f"put TICKET {b64('PMTO')} n 5",
                                                       "commit TICKET 1")[2],
                "a plain password": admin_session(host, ADMIN, f"put TICKET {b64('APW')} t {b64('plain')}",
                                                  "commit TICKET 1")[2],
                "an unknown name": admin_session(host, ADMIN, f"put TICKET {b64('XPW')} n 1", "commit TICKET 1")[2],
            }
            # A ticket is its process's: another process of the same user cannot use it.
            taken = admin_session(host, ADMIN)[0].split()[-1]
            refusals["a ticket of another process"] = guard(host, "put", taken, b64("PMTO"), "n", "60")[1]
            # A ticket taken before a lock is worth nothing after it.
            waiting = host.start(HOSTILE, "guard-admin", "admin " + b64(ADMIN), "5000", put)
            time.sleep(2)
            host.xdotool("key", "ctrl+F9")  # the hot key applied above
            host.wait_locked()
            waiting.wait(30)
            refusals["a ticket from before a lock"] = read_output(waiting)[0].split("\n")[1]
            host.enter_password(USER)
            host.wait_unlocked()
            for what, answer in refusals.items():
                self.assertTrue(answer.startswith(("refused", "invalid", "wrong")), f"{what}: {answer}")
            self.assertEqual(stored(host, "PMTO"), 15, "as the window applied it, neither 60 nor 5")
            self.assertIsNone(stored(host, "XPW"))
            self.assertTrue(stored(host, "APW").startswith("$pbkdf2"))
            # A run of wrong passwords is slowed down: the sixth in a row waits.
            answers = [admin_session(host, "guess")[0] for _ in range(6)]
            self.assertTrue(any(answer.startswith("wait") for answer in answers), answers)

    def test_a_posted_exit_only_asks_for_the_password_and_a_lock_hides_the_window_until_it_is_given(self):
        with Host("trust_window") as host:
            guarded_host(host)
            running = lock_service_pids(host)
            open_with_password(host)
            host.probe("cfg-tree", CURRENT_USER)
            host.probe("cfg-set", IDC_DURATION, "5")
            wait_for(lambda: enabled(host, ID_DO_APPLY), what="the unsaved change")
            # Another program chooses Exit: the prompt opens, and nothing ends without the password.
            host.probe("cfg-command", ID_DO_EXIT)
            wait_prompt(host, "the prompt of Exit")
            host.screenshot("exit_asks")
            host.xdotool("key", "Escape")
            wait_for(lambda: not host.shows(INPUT), what="the prompt to close")
            time.sleep(1)
            self.assertEqual(lock_service_pids(host), running)
            self.assertTrue(window_shown(host))

            # A lock hides the window; whoever unlocks with their own password does not find it.
            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            wait_for(lambda: not window_shown(host), what="the window to hide")
            host.enter_password(USER)
            host.wait_unlocked()
            wait_prompt(host, "the administrator password again")
            self.assertFalse(window_shown(host))
            host.xdotool("type", "--delay", "15", ADMIN)
            host.xdotool("key", "Return")
            wait_for(lambda: window_shown(host), what="the window back")
            self.assertEqual(host.probe("cfg-get", IDC_DURATION).stdout.strip(), "5", "the unsaved change kept")
            self.assertTrue(enabled(host, ID_DO_APPLY))

            # Without the password after a lock, the window closes unsaved and says so.
            host.lock_with_hotkey()
            host.enter_password(USER)
            host.wait_unlocked()
            wait_prompt(host, "the administrator password once more")
            host.xdotool("key", "Escape")
            wait_for(lambda: host.dialog_text("Information") is not None, what="the notice")
            self.assertIn("closed without saving", " ".join(host.dialog_text("Information")))
            self.assertFalse(window_shown(host))
            self.assertIsNone(stored(host, host.user_key() + "PWTH"))
            self.assertEqual(lock_service_pids(host), running)


class WithoutTheGuardian(unittest.TestCase):
    def test_a_standard_users_apply_is_reported_and_nothing_is_lost_from_the_window(self):
        with Host("trust_direct") as host:
            self.assertEqual(host.hostile("restrict-key").returncode, 0)
            vardex = host.windows_path(host.program / "vardex.exe")
            self.assertEqual(host.hostile("restricted", vardex).returncode, 0)
            wait_for(host.service_window_exists, timeout=30, what="the standard user's lock service")
            wait_for(lambda: host.shows(TRAY_AREA), what="the tray icon")
            host.xdotool("mousemove", 40, 30)
            configure(host)
            wait_config(host)
            host.probe("cfg-tree", CURRENT_USER)
            host.probe("cfg-set", IDC_DURATION, "5")
            wait_for(lambda: enabled(host, ID_DO_APPLY), what="the change")
            host.probe("cfg-command", ID_DO_APPLY)
            wait_for(lambda: host.dialog_text() is not None, what="the report")
            self.assertIn("Nothing was saved", " ".join(host.dialog_text()))
            host.probe("dialog-ok", "PC Vardex")
            self.assertTrue(enabled(host, ID_DO_APPLY), "the change is still to apply")
            self.assertEqual(host.probe("cfg-get", IDC_DURATION).stdout.strip(), "5")
            self.assertIsNone(stored(host, host.user_key() + "PWTH"))


if __name__ == "__main__":
    unittest.main()
