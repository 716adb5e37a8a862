"""The unlock prompt against guessing and against another program of the locked user: a malformed
stored hash unlocks nothing and is reported once the lock is over, wrong entries make the prompt
count down before it takes the next one, and during a slow check the lock screen stays in front;
the prompts' labels hold their texts at every resolution; the prompt shows the keyboard layout and
warns of Caps Lock, and its edit gives no other program its text."""
import re
import time
import unittest

from test_configuration import INPUT, config_open, configure
from vardex_e2e import Host, password_hash, wait_for

ENTER = "Enter password"
CAPS_LOCK = "Caps Lock is on"


def prompt_state(host):
    """(label, edit enabled, OK enabled) of the unlock prompt as another program reads it, or None."""
    result = host.hostile("texts", "TPwdForm")
    controls = {}
    for kind, flag, text in (line.split("\t") for line in result.stdout.splitlines()):
        # The label is the first static; the indicators follow the buttons.
        controls.setdefault(text if kind == "Button" else kind, (text, flag == "1"))
    return (controls["Static"][0], controls["Edit"][1], controls["OK"][1]) if result.returncode == 0 else None


def seconds_left(host):
    label = prompt_state(host)[0]
    return 0 if label == ENTER else int(label.split()[3])


def lock_at(host, dpi):
    """Starts the service at a resolution with the user's password "Secret 1", and locks."""
    host.set_dpi(dpi)
    host.set_text(host.user_key() + "PAPW", password_hash("Secret 1"))
    host.set_dword("LFE", 1)
    host.start_service()
    host.lock_with_hotkey()


def denied(host):
    return sum(1 for line in host.log_lines() if line.endswith("Access Denied"))


class MalformedHash(unittest.TestCase):
    def test_neither_its_text_nor_its_password_unlocks_and_it_is_reported_after_the_lock(self):
        with Host("prompt_malformed") as host:
            user = host.user_key()
            cut = password_hash("Secret 1")[:-1]  # one character cut: no hash, and no password
            host.set_text(user + "PAPW", cut)
            host.set_text("APW", password_hash("Admin 1"))
            host.set_dword("LFE", 1)
            host.set_dword("PSUL", 1)  # locked at the start: the settings' report waits for the unlock
            host.start_service()
            host.wait_locked()
            for count, entry in enumerate((cut, "Secret 1"), start=1):
                host.enter_password(entry)
                wait_for(lambda: denied(host) == count, what=f"entry {count} to be refused")
            self.assertIsNone(host.dialog_text(), "no report during the lock")
            host.enter_password("Admin 1")
            host.wait_unlocked()
            wait_for(lambda: host.dialog_text() is not None, what="the report after the lock")
            report = "\n".join(host.dialog_text())
            self.assertIn(f"Invalid password hash in '{user}PAPW'", report)
            self.assertNotIn(cut[-20:], report, "the value's text is not shown")


class GuessDelay(unittest.TestCase):
    def test_wrong_entries_make_the_prompt_count_down_then_the_right_password_unlocks(self):
        for dpi in (96, 120):
            with self.subTest(dpi=dpi), Host(f"prompt_guess_delay_{dpi}") as host:
                lock_at(host, dpi)
                # The fifth wrong entry makes the next wait 1 s, the sixth 2 s, the seventh 4 s.
                for count in range(1, 8):
                    host.open_prompt()
                    wait_for(lambda: prompt_state(host) == (ENTER, True, True), timeout=5, what="an entry taken")
                    host.xdotool("type", "--delay", "15", "wrong")
                    host.xdotool("key", "Return")
                    wait_for(lambda: denied(host) == count, what=f"wrong entry {count} in the log")
                host.open_prompt()
                wait_for(lambda: prompt_state(host) is not None, timeout=5, what="the prompt")
                label, edit, ok = prompt_state(host)
                self.assertRegex(label, r"^Try again in [1-4] s$")
                self.assertFalse(edit or ok, "no entry is taken while the wait lasts")
                host.screenshot(f"countdown_{dpi}dpi")
                left = seconds_left(host)
                wait_for(lambda: seconds_left(host) == left - 1, timeout=2, what="the next second")
                wait_for(lambda: prompt_state(host) == (ENTER, True, True), timeout=5, what="the end of the wait")
                host.screenshot(f"after_the_wait_{dpi}dpi")
                host.xdotool("type", "--delay", "15", "Secret 1")
                host.xdotool("key", "Return")
                host.wait_unlocked()
                self.assertEqual((denied(host), host.log_lines()[-1][20:]), (7, "Access Permitted"))


class Labels(unittest.TestCase):
    def test_the_prompts_labels_hold_their_texts_at_96_144_and_192_dpi(self):
        for dpi in (96, 144, 192):
            with self.subTest(dpi=dpi), Host(f"prompt_labels_{dpi}") as host:
                host.set_dpi(dpi)
                result = host.probe("prompt-fit")
                self.assertEqual(result.returncode, 0, result.stdout)


def prompt_statics(host):
    """The texts of the unlock prompt's static controls that say something, in their order."""
    lines = host.hostile("texts", "TPwdForm").stdout.splitlines()
    return [text for kind, _, text in (line.split("\t") for line in lines) if kind == "Static" and text]


class Indicators(unittest.TestCase):
    def test_caps_lock_shown_when_on_and_the_edit_gives_no_reader_its_text(self):
        for dpi in (96, 144, 192):
            with self.subTest(dpi=dpi), Host(f"prompt_caps_lock_{dpi}") as host:
                lock_at(host, dpi)
                host.open_prompt()
                wait_for(lambda: prompt_state(host) == (ENTER, True, True), timeout=5, what="an entry taken")
                label, layout = prompt_statics(host)
                self.assertEqual(label, ENTER)
                self.assertRegex(layout, r"^[A-Z]{2,3}$", "the keyboard layout's short name")
                host.xdotool("key", "Caps_Lock")
                try:
                    wait_for(lambda: prompt_statics(host) == [ENTER, CAPS_LOCK, layout], timeout=5,
                             what="the Caps Lock warning")
                    host.xdotool("type", "--delay", "15", "secret")
                    host.screenshot(f"caps_lock_{dpi}dpi")
                    # Typed, but another program gets nothing out of the edit, masked or not.
                    self.assertEqual(host.hostile("edit-text", "TPwdForm").stdout.strip(),
                                     "length 0 text '' line '' unmasked ''")
                finally:
                    host.xdotool("key", "Caps_Lock")
                wait_for(lambda: prompt_statics(host) == [ENTER, layout], timeout=5, what="the warning to go")


class SlowCheck(unittest.TestCase):
    def test_a_window_raised_during_a_check_at_the_cap_does_not_stay_above_the_lock_screen(self):
        with Host("prompt_slow_check") as host:
            host.set_text(host.user_key() + "PAPW", password_hash("Secret 1", 2000000))  # some 3 s a check
            host.set_dword("LFE", 1)
            host.start_service()
            host.lock_with_hotkey()
            host.open_prompt()
            host.xdotool("type", "--delay", "15", "wrong")
            host.xdotool("key", "Return")
            # Without a window manager, Wine takes some 2 s to hide the prompt's window, on the
            # prompt's thread: the check is under way once the window is gone.
            wait_for(lambda: host.hostile("texts", "TPwdForm").returncode == 1, what="the prompt's window to go")
            # The window is watched first, for half a second: on a loaded machine each start of a
            # helper program takes a good part of the check's few seconds.
            watched = host.hostile("raise-once", 500).stdout
            self.assertEqual(denied(host), 0, "the check was still running while the window was watched")
            self.assertEqual(host.hostile("send", 0).stdout.split()[0], "answer", "the service answers")
            foreground, on_top, _ = map(int, re.findall(r"\d+", watched))
            # The guard runs every 20 ms: a few looks at most before the lock screen is back.
            self.assertLessEqual(max(foreground, on_top), 5, f"the raised window kept the {watched.strip()}")
            wait_for(lambda: denied(host) == 1, what="the check's end")
            host.enter_password("Secret 1")
            host.wait_unlocked()

    def test_an_administrator_password_checked_across_a_lock_opens_no_configuration_after_it(self):
        with Host("prompt_slow_admin_check") as host:
            host.set_text("APW", password_hash("Admin 1", 2000000))
            host.start_service()
            configure(host)
            wait_for(lambda: host.shows(INPUT), what="the password prompt")
            host.xdotool("mousemove", 640, 512, "type", "--delay", "15", "Admin 1")
            host.xdotool("key", "Return")
            host.xdotool("mousemove", 40, 30)
            wait_for(lambda: not host.shows(INPUT), what="the prompt to close")
            host.lock_with_hotkey()  # taken during the check
            host.enter_password("Admin 1")
            host.wait_unlocked()
            time.sleep(2)
            self.assertFalse(config_open(host), "the entry was given before the lock")


if __name__ == "__main__":
    unittest.main()
