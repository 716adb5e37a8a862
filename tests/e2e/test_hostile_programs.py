"""Another program of the locked user attacks the lock service: it sends and posts messages to
the service's windows, hides, shrinks and covers the lock screen, takes the foreground, holds the
service's mutexes and tries to end the process. None of it may open or weaken a lock: after each
attack the lock holds and the right password still unlocks. A key logger of the user sees nothing
of the administrator password, neither at the configuration's prompt nor at the unlock prompt."""
import datetime
import time
import unittest

from test_configuration import INPUT, configure, wait_config, wait_prompt
from vardex_e2e import HOSTILE, LOCK_SCREEN, PROMPT, Host, day_number, password_hash, wait_for
from winehost import read_output

WM_DESTROY, WM_CLOSE, WM_QUERYENDSESSION, WM_ENDSESSION = 0x02, 0x10, 0x11, 0x16
SCREEN = (0, 0, 1280, 1024)


class Messages(unittest.TestCase):
    def attack_with_messages(self, host):
        host.hostile("post", WM_CLOSE)
        host.hostile("post", WM_DESTROY)
        for wparam in (1, 0):  # a session end, then a cancelled one
            host.hostile("send", WM_QUERYENDSESSION)
            host.hostile("send", WM_ENDSESSION, wparam)
        # Wine's own end of the session: it tells every program, then ends them; this one may
        # not be ended by the user's programs, and Wine offers no sign of a real end to tell
        # it from the messages above.
        host.end_wine_session()
        time.sleep(1)
        self.assertIsNone(host.service.poll(), "the service still runs")

    def test_close_destroy_and_forged_ends_of_session_change_nothing(self):
        with Host("hostile_messages") as host:
            host.set_text(host.user_key() + "PAPW", "right")
            host.start_service()
            self.attack_with_messages(host)
            host.lock_with_hotkey()  # the hot key and the timer are still there
            self.attack_with_messages(host)
            self.assertTrue(host.shows(LOCK_SCREEN))
            host.enter_password("wrong")
            self.assertTrue(host.session_active())
            host.enter_password("right")
            host.wait_unlocked()

    def test_the_process_cannot_be_ended_by_the_user(self):
        with Host("hostile_terminate") as host:
            host.start_service()
            lines = host.hostile("process").stdout.splitlines()
            dacl = lines[0]
            # Denied to the user: terminate, suspend, thread creation, memory writes, handle
            # duplication, DACL and owner changes; the owner's implicit rights are limited.
            denied = int(dacl.split("(D;;")[1].split(";")[0], 16)
            for right in (0x0001, 0x0800, 0x0002, 0x0008, 0x0020, 0x0040, 0x40000, 0x80000):
                self.assertTrue(denied & right, hex(right))
            self.assertIn(";;;OW)", dacl)
            self.assertEqual(lines[1], "terminate denied")
            host.run("C:\\windows\\system32\\taskkill.exe", "/f", "/im", "vardex.exe")
            time.sleep(1)
            self.assertIsNone(host.service.poll())


class LockScreen(unittest.TestCase):
    def test_hidden_shrunk_covered_or_left_the_lock_screen_comes_back(self):
        with Host("hostile_windows") as host:
            host.start_service()
            host.lock_with_hotkey()
            host.hostile("hide-shrink")
            wait_for(lambda: host.shows(LOCK_SCREEN) and host.window_geometries("PC Vardex") == [SCREEN],
                     timeout=5, what="the lock screen to cover the screen again")
            cover = host.start(HOSTILE, "topmost")
            time.sleep(1)
            wait_for(lambda: host.hostile("top-at", 300, 200).stdout.startswith("TMainForm"), timeout=5,
                     what="the lock screen above a topmost window")
            self.assertIsNone(cover.poll())
            host.hostile("foreground", 3)
            wait_for(lambda: host.hostile("top-at", 800, 150).stdout.startswith("TMainForm"), timeout=5,
                     what="the lock screen above the window that took the foreground")
            host.screenshot("after_attacks")
            host.enter_password("")  # keys still reach the lock screen
            host.wait_unlocked()

    def test_mutexes_held_by_another_program_neither_stop_the_start_nor_the_lock(self):
        with Host("hostile_mutexes") as host:
            for name in ("Zepa01", "Zepa02"):
                holder = host.start(HOSTILE, "hold", name)
                wait_for(lambda: host.mutex_exists(name), what=f"{name} to be held")
            host.start_service()
            host.xdotool("key", "ctrl+grave")
            wait_for(lambda: host.shows(LOCK_SCREEN), what="the lock screen")
            host.enter_password("")
            wait_for(lambda: not host.shows(LOCK_SCREEN), what="the unlock")
            self.assertIsNone(holder.poll())


class SecondRound(unittest.TestCase):
    """What was not named the first time: quit messages, the threads, the window's longs and
    parent, and a flood of signals. After each, the lock covers the screen above every other
    window, the keys stay filtered, and the right password unlocks."""

    def assert_lock_holds(self, host, attack):
        wait_for(lambda: host.shows(LOCK_SCREEN) and host.window_geometries("PC Vardex")[:1] == [SCREEN], timeout=5,
                 what=f"the lock screen covering the screen after {attack}")
        wait_for(lambda: host.hostile("top-at", 640, 512).stdout.startswith("TMainForm"), timeout=5,
                 what=f"the lock screen on top after {attack}")
        self.assertIsNone(host.service.poll(), f"the service runs after {attack}")
        self.assertTrue(host.session_active(), attack)

    def test_quit_threads_window_longs_parents_and_floods_leave_the_lock_holding(self):
        with Host("hostile_second_round") as host:
            host.set_text(host.user_key() + "PAPW", "right")
            host.start_service()
            log, _ = host.start_witness("keys")
            host.lock_with_hotkey()

            host.hostile("quit")
            self.assert_lock_holds(host, "WM_QUIT")
            before = len(log.read_text().splitlines())
            host.xdotool("key", "super")  # the keyboard filter's thread is still there
            time.sleep(1)
            self.assertEqual(len(log.read_text().splitlines()), before, "the Windows key was swallowed")

            self.assertEqual(host.hostile("threads").stdout.split()[:2], ["granted", "0"])
            self.assert_lock_holds(host, "the threads' attack")

            host.hostile("userdata-close")
            self.assert_lock_holds(host, "a cleared user data and WM_CLOSE")

            parent = host.start(HOSTILE, "reparent")
            wait_for(lambda: "ready" in read_output(parent)[0], what="the re-parenting")
            self.assert_lock_holds(host, "re-parenting, styles and disabling")

            flood = host.hostile("flood", 5).stdout
            above, looks = (int(word) for word in flood.split()[4::2])
            self.assertLessEqual(above, looks // 10, flood)
            self.assert_lock_holds(host, "a flood of signals")

            host.enter_password("wrong")
            self.assertTrue(host.session_active())
            host.enter_password("right")
            host.wait_unlocked()


class Keys(unittest.TestCase):
    def test_windows_and_menu_keys_do_nothing_while_locked(self):
        with Host("hostile_keys") as host:
            host.start_service()
            log, _ = host.start_witness("keys")

            def seen(*codes):
                return [line for line in log.read_text().splitlines() if line.split()[-1] in codes]

            windows_keys = ("91", "92", "93", "121")  # left and right Windows, Menu, F10
            host.xdotool("key", "Menu")
            wait_for(lambda: len(seen("93")) == 2, what="the Menu key to reach the witness before the lock")
            host.lock_with_hotkey()
            before = len(seen(*windows_keys, "82", "68"))
            for keys in ("super", "super+r", "super+d", "Super_R", "Menu", "shift+F10", "super+Tab"):
                host.xdotool("key", keys)
            time.sleep(1)
            self.assertEqual(len(seen(*windows_keys, "82", "68")), before, "none of them got through")
            host.enter_password("")  # Shift opened the prompt: it is a key like any other
            host.wait_unlocked()


def keys_seen(logger):
    """The virtual-key codes the key logger has seen so far."""
    return [int(line.split()[1]) for line in read_output(logger)[0].splitlines() if line.startswith("key ")]


class KeyLogger(unittest.TestCase):
    def test_a_low_level_hook_of_the_user_sees_nothing_of_the_administrator_password(self):
        with Host("hostile_key_logger") as host:
            host.set_text("APW", password_hash("Admin 1"))
            host.start_service()
            logger = host.start(HOSTILE, "key-hook")
            wait_for(lambda: "hooked" in read_output(logger)[0], what="the key logger")
            configure(host)  # Up and Return on the tray menu, on the user's desktop
            wait_for(lambda: keys_seen(logger)[-2:] == [0x26, 0x0D], what="the menu's keys in the log")
            wait_prompt(host, "the password prompt")
            self.assertNotIn(host.desktop_of(INPUT), (None, "Default"), "the prompt has a desktop of its own")
            before = len(keys_seen(logger))
            host.xdotool("type", "--delay", "15", "Admin 1")
            host.xdotool("key", "Return")
            wait_config(host)  # the prompt took the password
            # What is typed on the user's desktop again, the logger sees.
            host.xdotool("key", "z")
            wait_for(lambda: 0x5A in keys_seen(logger), what="the key typed after the prompt")
            self.assertEqual(keys_seen(logger)[before:], [0x5A], "nothing of the password reached the hook")

    def test_a_low_level_hook_of_the_user_sees_nothing_of_the_password_typed_at_the_unlock_prompt(self):
        with Host("hostile_key_logger_unlock") as host:
            host.set_text("APW", password_hash("Admin 1"))
            host.set_text(host.user_key() + "PAPW", password_hash("Secret 1"))
            host.start_service()
            logger = host.start(HOSTILE, "key-hook")
            wait_for(lambda: "hooked" in read_output(logger)[0], what="the key logger")
            host.lock_with_hotkey()
            host.open_prompt()  # with a key on the lock screen
            self.assertNotIn(host.desktop_of(PROMPT), (None, "Default"), "the prompt has a desktop of its own")
            # The control: a key typed on the lock screen, on the user's desktop, while the prompt
            # shows, reaches the logger (and only wakes the session). Shift, which types nothing
            # where the prompt would share that desktop.
            x, y, _, _ = host.prompt_geometry()
            prompt_at = host.pointer()
            host.xdotool("mousemove", x - 40, y - 40, "key", "Shift_L")
            wait_for(lambda: keys_seen(logger)[-1:] in ([0x10], [0xA0]), what="the key typed on the lock screen")
            self.assertTrue(host.shows(PROMPT), "the prompt is still open")
            before = len(keys_seen(logger))
            host.xdotool("mousemove", *prompt_at, "type", "--delay", "15", "Admin 1")
            host.xdotool("key", "Return")
            host.wait_unlocked()  # the prompt took the administrator password
            host.xdotool("mousemove", *host.pointer_off_prompt, "key", "z")
            wait_for(lambda: 0x5A in keys_seen(logger)[before:], what="the key typed after the lock")
            self.assertEqual(keys_seen(logger)[before:], [0x5A], "nothing of the password reached the hook")


class HotKey(unittest.TestCase):
    def test_a_hot_key_held_by_another_program_is_reported_and_taken_once_free(self):
        with Host("hostile_hotkey") as host:
            holder = host.start(HOSTILE, "hold-hotkey", "16576")  # the default, Ctrl+`
            wait_for(lambda: "holding" in read_output(holder)[0], what="the hot key to be held")
            host.start_service()
            wait_for(lambda: host.dialog_text() is not None, what="the report")
            self.assertTrue(any("is held by another program" in line for line in host.dialog_text()))
            self.assertEqual(host.probe("dialog-ok", "PC Vardex").returncode, 0)
            holder.kill()
            holder.wait(10)
            time.sleep(4)  # the next tick takes it
            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            host.enter_password("")
            host.wait_unlocked()
            self.assertIsNone(host.dialog_text(), "reported once")


class ReportsDuringALock(unittest.TestCase):
    def test_an_unwritable_log_is_reported_after_the_session_and_a_lock_still_works_meanwhile(self):
        with Host("reports_after_lock") as host:
            host.set_text(host.user_key() + "PAPW", "right")
            host.set_dword("LFE", 1)
            host.log_path().mkdir()  # a folder where the log should be: every write fails
            host.start_service()
            host.lock_with_hotkey()
            host.enter_password("wrong")
            time.sleep(1)
            self.assertIsNone(host.dialog_text(), "no box during the lock")
            host.enter_password("right")
            host.wait_unlocked()
            wait_for(lambda: host.dialog_text() is not None, what="the report after the lock")
            self.assertIn("File access denied.", host.dialog_text())
            # The box is open: a lock request is still taken, and the password still unlocks.
            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            host.enter_password("right")
            host.wait_unlocked()
            self.assertEqual(host.probe("dialog-ok", "PC Vardex").returncode, 0)

    def test_a_bad_value_at_start_does_not_hold_back_the_shutdown_of_a_used_up_day(self):
        with Host("bad_value_used_up") as host:
            user = host.user_key()
            host.set_text("PLHK", "16576")  # a number stored as text
            host.set_dword(user + "PWTD", 1)
            host.set_dword(user + "PWTH", 1)
            host.set_dword(user + "PDDC", day_number(datetime.date.today()))
            host.set_dword(user + "PDTC", 3600)
            log, _ = host.start_witness("endsession")
            service = host.start(host.program / "vardex.exe")
            service.wait(60)
            self.assertEqual(service.returncode, 0)
            self.assertIn("query 0 0", log.read_text().splitlines(), "the shutdown path was taken")


if __name__ == "__main__":
    unittest.main()
