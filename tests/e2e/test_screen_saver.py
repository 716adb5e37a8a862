"""The screen-saver companion and the screen-saver lock mode: vardexsaver's command line with and
without the lock service, its message boxes, and the lock request in screen-saver mode."""
import shutil
import time
import unittest

from vardex_e2e import SAVER, Host, wait_for

CAPTION = "Vardex Screen Saver"


class Saver(unittest.TestCase):
    def signals(self, log):
        return [line for line in log.read_text().splitlines() if line.startswith("signal")]

    def start_witness(self, host):
        log, _ = host.start_witness("signals")
        return log

    def dialog_text(self, host, title):
        result = host.probe("dialog", title)
        return result.stdout.splitlines() if result.returncode == 0 else None

    def answer_dialog(self, host, process, title, text):
        """Waits for the message box, checks its text, presses OK and waits for the program."""
        wait_for(lambda: self.dialog_text(host, title) is not None, what=f"the box {title}")
        self.assertIn(text, self.dialog_text(host, title))
        host.probe("dialog-ok", title)
        self.assertEqual(process.wait(30), 0)

    def test_start_locks_once_and_a_start_during_the_session_starts_no_other(self):
        with Host("saver_start") as host:
            log = self.start_witness(host)
            host.start_service()
            self.assertEqual(host.run(SAVER, "/s").returncode, 0)
            host.wait_locked()
            time.sleep(1)
            self.assertEqual(self.signals(log), ["signal 1 0"], "exactly one lock signal")
            self.assertEqual(host.run(SAVER, "-S").returncode, 0)
            wait_for(lambda: len(self.signals(log)) == 2, what="the second lock signal")
            host.enter_password("")
            host.wait_unlocked()
            time.sleep(1.5)
            self.assertFalse(host.session_active(), "the service ignored the signal during its session")

    def test_configure_broadcasts_then_says_there_is_nothing_to_configure(self):
        with Host("saver_configure") as host:
            log = self.start_witness(host)
            host.start_service()
            saver = host.start(SAVER, "/sc")
            self.answer_dialog(host, saver, CAPTION, "Nothing to configure !")
            self.assertEqual(self.signals(log), ["signal 1 0"])
            host.wait_locked()

    def test_preview_without_the_service_says_so_and_with_it_nothing(self):
        with Host("saver_preview") as host:
            log = self.start_witness(host)
            saver = host.start(SAVER, "/p", "1234")
            self.answer_dialog(host, saver, CAPTION, "Vardex is not executed !")
            for arguments in (["/s"], ["/c"], []):  # without the service nothing else acts
                self.assertEqual(host.run(SAVER, *arguments, timeout=30).returncode, 0)
            host.start_service()
            for arguments in (["/p", "1234"], []):
                self.assertEqual(host.run(SAVER, *arguments, timeout=30).returncode, 0)
            self.assertIsNone(self.dialog_text(host, CAPTION))
            self.assertEqual(self.signals(log), [])
            self.assertFalse(host.session_active())

    def test_password_change_with_a_window_handle_that_is_no_number_is_reported(self):
        with Host("saver_password") as host:
            self.assertEqual(host.run(SAVER, "/a", "1234", timeout=30).returncode, 0)
            saver = host.start(SAVER, "/a", "12ab")
            self.answer_dialog(host, saver, CAPTION, "'12ab' is not a valid integer value")


class ScreenSaverMode(unittest.TestCase):
    def test_without_a_configured_saver_the_hot_key_asks_to_configure_one(self):
        with Host("saver_mode_unset") as host:
            host.set_dword("SCSR", 1)
            host.start_service()
            host.xdotool("key", "ctrl+grave")
            wait_for(lambda: host.probe("dialog", "Information").returncode == 0, what="the message")
            self.assertIn("You should configure the Screen Saver before using.",
                          host.probe("dialog", "Information").stdout.splitlines())
            host.screenshot("configure_saver_message")
            host.probe("dialog-ok", "Information")
            time.sleep(1)
            self.assertFalse(host.session_active())

    def test_with_a_configured_saver_the_hot_key_locks_nothing_itself(self):
        with Host("saver_mode_set") as host:
            shutil.copy2(SAVER.with_suffix(".scr"), host.program / "vardexsaver.scr")
            host.set_dword("SCSR", 1)
            host.probe("set-desktop", "SCRNSAVE.EXE", host.windows_path(host.program / "vardexsaver.scr"))
            host.start_service()
            host.xdotool("key", "ctrl+grave")
            time.sleep(3)
            # The request goes to Windows; Wine does not start screen savers, so nothing locks.
            self.assertNotEqual(host.probe("dialog", "Information").returncode, 0)
            self.assertFalse(host.session_active())


if __name__ == "__main__":
    unittest.main()
