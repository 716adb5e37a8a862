"""The configuration window for real: opened from the tray behind the administrator password,
browsed, changed, applied (the running service reloads), cancelled, closed with the question, and
the program ended from it; its pages at three screen resolutions, kept as screenshots."""
import subprocess
import time
import unittest

from vardex_e2e import Host, password_hash, wait_for

CONFIG = ("#32770", "PC Vardex")
INPUT = ("TInputForm", "PC Vardex")
ID_DO_APPLY, ID_DO_CANCEL, ID_DO_EXIT = 2001, 2002, 2003
IDC_BACK_IMAGE, IDC_SHOW_BACK, IDC_PASSWORD1, IDC_PASSWORD2 = 1022, 1024, 1028, 1029
IDYES, IDNO, IDCANCEL = 6, 7, 2
APPEARANCE, SETTINGS, ROOT, USERS, STATISTICS = "0.0.1", "0.0.0", "0", "0.1", "0.2"


def configure(host):
    """Chooses "Configure", the last item of the tray menu. A click that a busy machine's tray has
    not taken yet is given again."""
    for attempt in range(3):
        host.xdotool("mousemove", 12, 30, "click", 3)
        try:
            wait_for(lambda: host.shows(("#32768", "")), timeout=10, what="the tray menu")
            break
        except AssertionError:
            if attempt == 2:
                raise
    host.xdotool("key", "Up", "Return")


def wait_prompt(host, what):
    wait_for(lambda: host.shows(INPUT), what=what)
    host.xdotool("mousemove", 640, 512)  # keys reach Wine through a window under the pointer


def wait_prompt_closed(host):
    """Until the prompt has closed and its desktop is gone: without a window manager, Wine takes
    some 2 s to hide a window, and a request for the window meanwhile is one too many."""
    wait_for(lambda: not host.shows(INPUT), what="the prompt to close")
    wait_for(lambda: host.desktops() == ["Default"], what="the prompt's desktop to go")


def config_open(host):
    return host.probe("cfg-status").returncode == 0


def wait_config(host):
    wait_for(lambda: config_open(host), what="the configuration window")


def start_and_configure(host):
    """Starts the service and opens the configuration window (no administrator password)."""
    host.start_service()
    configure(host)
    wait_config(host)


def enabled(host, command):
    return host.probe("cfg-enabled", command).returncode == 0


class Opening(unittest.TestCase):
    def test_the_administrator_password_guards_the_window_and_a_second_request_asks_nothing(self):
        with Host("cfg_password") as host:
            host.set_text("APW", password_hash("Admin 1"))
            host.start_service()
            configure(host)
            wait_prompt(host, "the password prompt")
            host.xdotool("type", "--delay", "15", "admin 1")
            host.xdotool("key", "Return")
            wait_for(lambda: host.dialog_text("Error") is not None, what="Incorrect Password")
            self.assertIn("Incorrect Password", host.dialog_text("Error"))
            host.probe("dialog-ok", "Error")
            wait_for(lambda: host.dialog_text("Error") is None, what="the message to close")
            self.assertFalse(config_open(host))

            host.xdotool("mousemove", 40, 30)
            configure(host)
            wait_prompt(host, "the password prompt again")
            host.xdotool("key", "Return")  # OK without typing: a cancel, no message
            wait_prompt_closed(host)
            time.sleep(0.5)
            self.assertIsNone(host.dialog_text("Error"))
            self.assertFalse(config_open(host))

            configure(host)
            wait_prompt(host, "the password prompt a third time")
            host.screenshot("password_prompt")
            host.xdotool("type", "--delay", "15", "Admin 1")
            host.xdotool("key", "Return")
            wait_config(host)
            configure(host)  # while open: to the top, no prompt
            time.sleep(1)
            self.assertFalse(host.shows(INPUT))
            self.assertEqual(host.visible_windows().count(CONFIG), 1)


class Editing(unittest.TestCase):
    def test_apply_reloads_the_service_cancel_restores_and_closing_asks(self):
        with Host("cfg_apply") as host:
            pictures = host.run_dir / "pictures"
            pictures.mkdir()
            subprocess.run(["convert", "-size", "640x480", "xc:#c02020", str(pictures / "red.bmp")], check=True)
            host.start_service()
            configure(host)  # no administrator password: no prompt
            wait_config(host)
            self.assertFalse(host.shows(INPUT))
            self.assertFalse(enabled(host, ID_DO_APPLY) or enabled(host, ID_DO_CANCEL), "nothing changed yet")
            host.probe("cfg-tree", APPEARANCE)
            original = host.probe("cfg-get", IDC_BACK_IMAGE).stdout.strip()
            self.assertTrue(original.endswith("scrlogo.jpg"), original)

            # Cancel answered Yes brings the stored value back.
            host.probe("cfg-set", IDC_BACK_IMAGE, "Z:\\nowhere.jpg")
            wait_for(lambda: enabled(host, ID_DO_CANCEL), what="Cancel to be enabled")
            host.probe("cfg-command", ID_DO_CANCEL)
            wait_for(lambda: host.dialog_text("Confirm") is not None, what="the cancel question")
            self.assertIn("Discard all changes that you made?", host.dialog_text("Confirm"))
            host.probe("dialog-press", "Confirm", IDYES)
            wait_for(lambda: host.probe("cfg-get", IDC_BACK_IMAGE).stdout.strip() == original,
                     what="the stored picture back")
            self.assertFalse(enabled(host, ID_DO_APPLY))

            # Applying a new picture: the running service reloads, the next lock shows it.
            host.probe("cfg-set", IDC_BACK_IMAGE, host.windows_path(pictures / "red.bmp"))
            wait_for(lambda: enabled(host, ID_DO_APPLY), what="Apply to be enabled")
            host.screenshot("appearance_changed")
            host.probe("cfg-command", ID_DO_APPLY)
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            time.sleep(0.5)
            red = host.pixel(host.screenshot("locked_with_new_picture"), 640, 300)
            self.assertGreater(red[0], 150)
            self.assertLess(red[1], 80)
            host.enter_password("")
            host.wait_unlocked()

            # Closing with changes asks; Cancel keeps the window, No closes it without writing.
            host.probe("cfg-click", IDC_SHOW_BACK)
            wait_for(lambda: enabled(host, ID_DO_APPLY), what="the change")
            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: host.dialog_text("Confirm") is not None, what="the closing question")
            self.assertIn("Apply vardex settings to Windows?", host.dialog_text("Confirm"))
            host.probe("dialog-press", "Confirm", IDCANCEL)
            time.sleep(0.5)
            self.assertTrue(config_open(host))
            host.probe("cfg-command", IDCANCEL)
            wait_for(lambda: host.dialog_text("Confirm") is not None, what="the closing question again")
            host.probe("dialog-press", "Confirm", IDNO)
            wait_for(lambda: not config_open(host), what="the window to close")
            configure(host)
            wait_config(host)
            host.probe("cfg-tree", APPEARANCE)
            self.assertEqual(host.probe("cfg-checked", IDC_SHOW_BACK).returncode, 0, "not written on No")

    def test_a_new_administrator_password_is_stored_as_a_hash_and_used_at_once(self):
        with Host("cfg_admin_password") as host:
            start_and_configure(host)
            host.probe("cfg-tree", SETTINGS)
            self.assertEqual(host.probe("cfg-get", IDC_PASSWORD1).stdout.strip(), "", "no password set")
            for field in (IDC_PASSWORD1, IDC_PASSWORD2):
                host.probe("cfg-set", field, "New Admin")
            wait_for(lambda: enabled(host, ID_DO_APPLY), what="the change")
            host.probe("cfg-command", ID_DO_APPLY)
            wait_for(lambda: not enabled(host, ID_DO_APPLY), what="the apply")
            stored = host.run("C:\\windows\\system32\\reg.exe", "query", "HKLM\\SOFTWARE\\QUORTEX", "/v", "APW").stdout
            self.assertIn("$pbkdf2-sha256$i=400000$", stored)
            self.assertNotIn("New Admin", stored)
            # The fields hold no password, only a mark that one is kept.
            self.assertNotIn("New Admin", host.probe("cfg-get", IDC_PASSWORD1).stdout)
            host.probe("cfg-command", IDCANCEL)  # nothing changed since: closes without a question
            wait_for(lambda: not config_open(host), what="the window to close")

            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()  # the service reloaded: the new password unlocks
            host.enter_password("New Admin")
            host.wait_unlocked()
            configure(host)
            wait_prompt(host, "the password prompt")
            host.xdotool("type", "--delay", "15", "New Admin")
            host.xdotool("key", "Return")
            wait_config(host)

    def test_a_picture_that_cannot_be_shown_is_reported_and_the_window_stays(self):
        with Host("cfg_bad_picture") as host:
            bad = host.run_dir / "bad.jpg"
            bad.write_text("not a picture\n" * 50)
            start_and_configure(host)
            host.probe("cfg-tree", APPEARANCE)
            host.probe("cfg-set", IDC_BACK_IMAGE, host.windows_path(bad))
            wait_for(lambda: host.dialog_text() is not None, what="the report")
            self.assertTrue(any("cannot be shown" in line for line in host.dialog_text()))
            host.probe("dialog-ok", "PC Vardex")
            self.assertTrue(config_open(host))
            self.assertTrue(enabled(host, ID_DO_APPLY), "the change is kept")

    def test_exit_ends_the_program_without_a_shutdown(self):
        with Host("cfg_exit") as host:
            log, _ = host.start_witness("endsession")
            service = host.start_service()
            configure(host)
            wait_config(host)
            host.probe("cfg-command", ID_DO_EXIT)
            service.wait(30)
            self.assertEqual(service.returncode, 0)
            time.sleep(1)
            self.assertNotIn("query 0 0", log.read_text().splitlines(), "no shutdown")

    def test_f1_opens_the_help(self):
        with Host("cfg_help") as host:
            start_and_configure(host)
            host.xdotool("mousemove", 640, 512)
            host.xdotool("key", "F1")
            wait_for(lambda: any(title == "PC Vardex Help" for _, title in host.visible_windows()),
                     what="the help window")


class Look(unittest.TestCase):
    def test_every_page_at_96_to_192_dpi(self):
        # The screens such resolutions come on: the window is sized for at least 1920 x 1080 at 144.
        for dpi, screen in ((96, "1280x1024x24"), (120, "1280x1024x24"), (144, "1920x1080x24"), (192, "2560x1440x24")):
            with self.subTest(dpi=dpi), Host(f"cfg_look_{dpi}", screen) as host:
                host.set_dpi(dpi)
                user = host.user_key()
                host.set_text(user + "PWTB", "08:00 - 12:00=1;13:30 - 17:00=0;")
                host.set_dword(user + "PWWR", 1)
                for day, periods in enumerate(["16:00-18:00"] * 5 + ["10:00-12:00,15:00-19:00"] * 2, 1):
                    host.set_text(f"{user}PWD{day}", periods)
                (host.program / f"{user}.log").write_text("09/12/2026 08:01:02 Access Permitted\n" * 3)
                start_and_configure(host)
                for name, path in (("root", ROOT), ("settings", SETTINGS), ("appearance", APPEARANCE),
                                   ("users", USERS), ("user", USERS + ".1"), ("statistics", STATISTICS)):
                    host.probe("cfg-tree", path)
                    time.sleep(0.5)
                    host.screenshot(f"{name}_{dpi}dpi")
                self.assertTrue(config_open(host))


if __name__ == "__main__":
    unittest.main()
