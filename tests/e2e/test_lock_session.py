"""Locking and unlocking for real: the hot key, the tray menu, the lock screen, the unlock prompt
and its passwords, the statistics log, the keys a session swallows and the windows it hides."""
import time
import unittest

from vardex_e2e import LOCK_SCREEN, PROMPT, Host, password_hash, wait_for


def event_of(line):
    """The event text of a statistics line "dd/mm/yyyy hh:nn:ss Event"."""
    return line.split(" ", 2)[2]


class LockAndUnlock(unittest.TestCase):
    def test_hot_key_locks_and_passwords_unlock_with_a_log(self):
        with Host("lock_unlock") as host:
            user = host.user_key()
            host.set_text(user + "PAPW", password_hash("Secret 1"))
            host.set_text("APW", "admin")  # a plain password stored before hashes
            host.set_dword("LFE", 1)
            host.start_service()
            self.assertFalse(host.session_active())

            host.lock_with_hotkey()
            time.sleep(0.5)
            host.screenshot("lock_screen")
            # A second lock signal during the session starts no second session.
            self.assertEqual(host.probe("signal", "1").returncode, 0)

            host.open_prompt()
            host.screenshot("unlock_prompt")
            host.xdotool("key", "Escape")
            wait_for(lambda: not host.shows(PROMPT), what="Esc to close the prompt")
            self.assertEqual(host.log_lines(), [], "a cancelled prompt logs nothing")

            host.enter_password("secret 1")  # wrong letter case
            self.assertTrue(host.session_active())
            self.assertTrue(host.shows(LOCK_SCREEN))
            wait_for(lambda: len(host.log_lines()) == 1, what="the first log line")

            host.enter_password("Secret 1")
            host.wait_unlocked()
            self.assertEqual([event_of(line) for line in host.log_lines()], ["Access Denied", "Access Permitted"])
            # The second signal did not start another session after the first.
            time.sleep(1.5)
            self.assertFalse(host.session_active())

            # The administrator's password unlocks too.
            host.lock_with_hotkey()
            host.enter_password("admin")
            host.wait_unlocked()
            self.assertEqual(event_of(host.log_lines()[-1]), "Access Permitted")

    def test_tray_menu_locks_and_right_clicks_open_no_prompt(self):
        with Host("tray_menu") as host:
            host.start_service()
            host.xdotool("mousemove", 12, 30, "click", 3)
            wait_for(lambda: host.shows(("#32768", "")), what="the tray menu")
            host.screenshot("tray_menu")
            host.xdotool("key", "Down", "Return")  # the first item: lock
            host.wait_locked()
            host.xdotool("click", "3")
            time.sleep(1)
            self.assertFalse(host.shows(PROMPT), "the right button only wakes")
            host.xdotool("click", "1")
            wait_for(lambda: host.shows(PROMPT), what="a left click to open the prompt")
            x, y, width, height = host.prompt_geometry()
            host.xdotool("mousemove", x + width // 2, y + height * 2 // 5, "click", "3")  # on the edit
            host.screenshot("right_click_in_prompt")
            time.sleep(1)
            self.assertFalse(host.shows(("#32768", "")))
            host.xdotool("key", "Return")  # no password set anywhere: the empty entry unlocks
            host.wait_unlocked()

    def test_alt_f4_and_the_system_menu_leave_the_lock_alone(self):
        with Host("alt_f4") as host:
            host.start_service()
            host.lock_with_hotkey()
            for keys in ("alt+F4", "alt+space", "alt+F4"):
                host.xdotool("key", keys)
                time.sleep(0.7)
            self.assertTrue(host.session_active())
            self.assertTrue(host.shows(LOCK_SCREEN))


class SessionGuards(unittest.TestCase):
    def test_task_switching_keys_are_swallowed_only_while_locked(self):
        with Host("keys") as host:
            host.start_service()
            log, _ = host.start_witness("keys")

            def tabs_and_escapes():
                lines = log.read_text().split()
                return sum(1 for i in range(1, len(lines)) if lines[i] in ("9", "27") and lines[i - 1] in ("down", "up"))

            host.xdotool("key", "alt+Tab")
            wait_for(lambda: tabs_and_escapes() == 2, what="Alt+Tab to reach the witness before the lock")
            host.lock_with_hotkey()
            for keys in ("alt+Tab", "alt+Escape", "ctrl+Escape"):
                host.xdotool("key", keys)
            host.xdotool("key", "Escape")  # closes the prompt the modifiers opened; passes
            wait_for(lambda: tabs_and_escapes() >= 4, what="the plain Escape to get through")
            time.sleep(1)
            self.assertEqual(tabs_and_escapes(), 4, "only the plain Escape got through, down and up")
            host.enter_password("")
            host.wait_unlocked()
            host.xdotool("key", "alt+Tab")
            wait_for(lambda: tabs_and_escapes() == 6, what="Alt+Tab to reach the witness after the unlock")

    def test_shell_windows_are_hidden_again_and_restored_after_unlock(self):
        with Host("shell_windows") as host:
            log, _ = host.start_witness("shell", ready="state 1 1 1 0")
            reshow = host.run_dir / "shell.log.reshow"
            # The witness's taskbar takes the tray icon's messages: no icon; keys through its window.
            host.start_service(pointer=(60, 1000), tray=False)
            host.lock_with_hotkey()
            wait_for(lambda: log.read_text().splitlines()[-1] == "state 0 0 0 0", what="the windows to be hidden")
            reshow.touch()  # the witness shows them again and again; the session hides them
            time.sleep(3)
            reshow.unlink()
            time.sleep(0.5)
            lines = log.read_text().splitlines()
            self.assertGreater(lines.count("reshown"), 10, "the witness showed its windows again and again")
            self.assertEqual([line for line in lines if line.startswith("state")][-1], "state 0 0 0 0")
            host.enter_password("")
            host.wait_unlocked()
            # The taskbar and the desktop are back; the Task Manager comes back minimised.
            wait_for(lambda: [line for line in log.read_text().splitlines() if line.startswith("state")][-1]
                     == "state 1 1 1 1", what="the windows to be restored")


if __name__ == "__main__":
    unittest.main()
