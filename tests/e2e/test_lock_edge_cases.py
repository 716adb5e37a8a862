"""The lock session at its edges: the "Off" button and the shutdown it starts (inside the test's
own Wine prefix only), bad background pictures, the power save, the 255-character entry and
the lock at start-up."""
import shutil
import time
import unittest

from vardex_e2e import PROMPT, Host, wait_for

CENTRE = (640, 300)  # on the padlock of the default background, well above the prompt


def is_black(rgb):
    return max(rgb) <= 8


class OffButton(unittest.TestCase):
    def test_off_ends_the_program_and_shuts_down_the_prefix(self):
        with Host("off_button") as host:
            log, witness = host.start_witness("endsession")
            service = host.start_service()
            host.lock_with_hotkey()
            host.open_prompt()
            self.assertEqual(host.probe("button-enabled", "Off").returncode, 0)
            host.xdotool("key", "Tab", "Tab", "Tab", "space")  # edit, OK, Cancel, Off
            service.wait(60)
            self.assertEqual(service.returncode, 0)
            # The service asked every window whether the session may end, then the system's
            # shutdown (in Wine: the end of this prefix's processes) took the witness too.
            self.assertIn("query 0 0", log.read_text().splitlines())
            witness.wait(60)

    def test_off_is_greyed_when_shutdown_is_not_allowed(self):
        with Host("off_disabled") as host:
            host.set_dword("PLSI", 0)
            host.start_service()
            host.lock_with_hotkey()
            host.open_prompt()
            self.assertEqual(host.probe("button-enabled", "Off").returncode, 1)
            self.assertEqual(host.probe("button-enabled", "Cancel").returncode, 0)


class LockScreen(unittest.TestCase):
    def test_bad_background_pictures_leave_a_black_lock_that_still_unlocks(self):
        with Host("bad_backgrounds") as host:
            pictures = host.run_dir / "pictures"
            pictures.mkdir()
            good = (host.program / "scrlogo.jpg").read_bytes()
            (pictures / "text.jpg").write_text("this is not a picture\n" * 100)
            (pictures / "truncated.jpg").write_bytes(good[: len(good) // 2])
            (pictures / "garbage.bmp").write_bytes(b"BM" + bytes(range(256)) * 40)
            (pictures / "picture.xyz").write_bytes(good)
            # A frame header claiming 20000x20000 pixels on a few bytes of picture data.
            huge = bytearray(good)
            frame = huge.index(b"\xff\xc0")
            huge[frame + 5:frame + 9] = (20000).to_bytes(2, "big") * 2
            (pictures / "huge.jpg").write_bytes(bytes(huge))
            shutil.copy(host.program / "scrlogo.jpg", pictures / "good.jpg")

            host.start_service()
            for name, black in (("good.jpg", False), ("text.jpg", True), ("truncated.jpg", True),
                                ("huge.jpg", True), ("garbage.bmp", True), ("picture.xyz", True),
                                ("missing.jpg", True)):
                with self.subTest(picture=name):
                    host.set_text("PBGI", host.windows_path(pictures / name))
                    self.assertEqual(host.run(host.program / "vardex.exe").returncode, 0)  # reload
                    host.lock_with_hotkey()
                    time.sleep(0.5)
                    shot = host.screenshot(f"background_{name}")
                    self.assertEqual(is_black(host.pixel(shot, *CENTRE)), black)
                    host.enter_password("")
                    host.wait_unlocked()
            self.assertIsNone(host.service.poll(), "the service still runs")

    def test_power_save_blanks_the_screen_and_input_wakes_it(self):
        with Host("power_save") as host:
            host.set_dword("PMTO", 3)  # one tick of 3 seconds
            host.set_dword("PMPM", 0)
            host.start_service()
            host.lock_with_hotkey()
            time.sleep(0.5)
            self.assertFalse(is_black(host.pixel(host.screenshot("awake"), *CENTRE)))
            wait_for(lambda: is_black(host.pixel(host.screenshot("power_saved"), *CENTRE)), timeout=20,
                     interval=0.5, what="the power save to blank the screen")
            host.open_prompt()  # a key wakes and opens the prompt
            wait_for(lambda: not is_black(host.pixel(host.screenshot("woken"), *CENTRE)), interval=0.5,
                     what="the picture to come back")
            # Left without input, the prompt is closed as cancelled before the screen goes dark.
            wait_for(lambda: not host.shows(PROMPT), timeout=20, what="the power save to cancel the prompt")
            self.assertTrue(host.session_active())

    def test_entry_takes_at_most_255_characters(self):
        with Host("long_entry") as host:
            host.set_text(host.user_key() + "PAPW", "a" * 255)
            host.start_service()
            host.lock_with_hotkey()
            host.enter_password("a" * 255 + "bbbbb")  # the b's do not fit
            host.wait_unlocked()

    def test_lock_at_start_up(self):
        with Host("lock_at_startup") as host:
            host.set_dword("PSUL", 1)
            host.start_service(tray=False)
            host.wait_locked()


if __name__ == "__main__":
    unittest.main()
