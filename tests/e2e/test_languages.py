"""The programs in the user's language: German, French and Spanish users read the lock screen's
status block, the prompts and the configuration window in their own words (looked at in
screenshots), the guardian's event log speaks the machine's language, a language the administrator
forces wins, every dialog's words fit, and the statistics log keeps its English words."""
import datetime
import time
import unittest

from test_configuration import APPEARANCE, ROOT, SETTINGS, STATISTICS, USERS, config_open, start_and_configure
from test_grants import run_out_of_time
from test_guardian import GUARD, install_guardian
from test_installer import service_state
from test_lock_status import restrict_hours
from test_surroundings import wine_messages
from vardex_e2e import PROMPT, SAVER, Host, password_hash, wait_for

CASES = [
    # name, the Unix locale Wine takes the user's language from, forced (PLLG), the hint, the
    # standing, and the unlock prompt's label and buttons
    ("language_de", "de_DE.UTF-8", None, ["Zum Entsperren eine Taste drücken oder klicken",
                                          r"Heute noch (39|40) Min\. \(bis \d\d:\d\d\)",
                                          ["Kennwort eingeben", "OK", "Abbrechen", "Aus"]]),
    ("language_fr", "fr_FR.UTF-8", None, ["Appuyez sur une touche ou cliquez pour déverrouiller",
                                          r"Encore (39|40) min aujourd'hui \(jusqu'à \d\d:\d\d\)",
                                          ["Entrez le mot de passe", "OK", "Annuler", "Éteindre"]]),
    ("language_es_forced", "de_DE.UTF-8", "es", ["Pulse una tecla o haga clic para desbloquear",
                                                 r"Quedan (39|40) min hoy \(hasta las \d\d:\d\d\)",
                                                 ["Escriba la contraseña", "Aceptar", "Cancelar", "Apagar"]]),
]


class Languages(unittest.TestCase):
    def test_the_status_block_speaks_the_users_language_or_the_forced_one(self):
        for name, locale, forced, expected in CASES:
            with self.subTest(name), Host(name) as host:
                host.env.update(LANG=locale, LC_ALL=locale)
                restrict_hours(host, 1200)
                host.set_dword("LFE", 1)  # the statistics log
                host.set_text("APW", password_hash("Admin 1"))
                if forced:
                    host.set_text("PLLG", forced)
                host.start_service()
                host.lock_with_hotkey()
                wait_for(lambda: host.status_blocks(), what="the status block")
                text = host.status_blocks()[0][4]
                hint, standing, prompt = expected
                self.assertIn(hint, text)
                self.assertRegex(text, standing)
                host.screenshot(name)
                host.open_prompt()
                controls = host.hostile("texts", "TPwdForm").stdout
                for words in prompt:
                    self.assertIn(words, controls)
                host.screenshot(name + "_prompt")
                host.xdotool("key", "Escape")
                # A wrong password: the statistics log keeps its English words in any language.
                wait_for(lambda: not host.shows(PROMPT), what="the prompt to close")
                host.enter_password("wrong")
                wait_for(lambda: any(line.endswith(" Access Denied") for line in host.log_lines()),
                         what="the log's English line")

    def test_the_form_for_more_time_speaks_german_and_its_words_fit(self):
        for dpi in (96, 144):
            with self.subTest(dpi=dpi), Host(f"language_grant_de_{dpi}") as host:
                host.env.update(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
                if dpi != 96:
                    host.set_dpi(dpi)
                run_out_of_time(host, datetime.date.today(), seconds_left=6)
                host.set_text("APW", password_hash("Admin 1"))
                host.start_service()
                host.wait_locked()
                wait_for(lambda: "Die Zeit ist um" in host.status_blocks()[0][4], what="the expiry, in German")
                host.open_prompt()
                wait_for(lambda: host.probe("button-press", "Mehr Zeit").returncode == 0, what="Mehr Zeit…")
                wait_for(lambda: host.shows(("#32770", "Mehr Zeit")), what="the form, in German")
                # Read once its texts are there: the form is found by its class among the desktops.
                wait_for(lambda: "Administratorkennwort" in host.hostile("texts", "#32770").stdout,
                         what="the form's texts")
                controls = host.hostile("texts", "#32770").stdout
                for words in ("Administratorkennwort", " Mehr Zeit für heute ", "+15 Minuten", "+1 Stunde", "bis",
                              "den Rest des Tages", "Abbrechen"):
                    self.assertIn(words, controls)
                host.screenshot(f"grant_form_de_{dpi}")
                host.xdotool("key", "Escape")

    def test_the_configuration_window_speaks_the_users_language(self):
        IDC_PAGE_TITLE = 1011
        for name, locale, dpi, help_title, words in (
                ("config_de", "de_DE.UTF-8", 96, "Hilfe zu PC Vardex", {SETTINGS: "Vardex-System- und Sicherheitseinstellungen",
                                                  USERS + ".1": "Einstellungen für Benutzer",
                                                  STATISTICS: "Vardex-Statistik"}),
                ("config_fr", "fr_FR.UTF-8", 144, "Aide de PC Vardex", {APPEARANCE: "Paramètres d'apparence de Vardex",
                                                   USERS + ".1": "Paramètres de l'utilisateur"})):
            with self.subTest(name), Host(name, "1920x1080x24") as host:
                if dpi != 96:
                    host.set_dpi(dpi)  # before the language: reg.exe's French output is not UTF-8
                host.env.update(LANG=locale, LC_ALL=locale)
                user = host.user_key()
                host.set_text(user + "PWTB", "08:00 - 12:00=1;13:30 - 17:00=0;")
                host.set_dword(user + "PWWR", 1)
                (host.program / f"{user}.log").write_text("09/12/2026 08:01:02 Access Permitted\n")
                start_and_configure(host)
                for path, title in words.items():
                    host.probe("cfg-tree", path)
                    wait_for(lambda: title in host.probe("cfg-get", str(IDC_PAGE_TITLE)).stdout, what=title)
                    host.screenshot(f"{name}_{path}")
                self.assertTrue(config_open(host))
                # F1 opens the help of the window's language.
                host.xdotool("mousemove", 960, 540)
                host.xdotool("key", "F1")
                wait_for(lambda: any(title == help_title for _, title in host.visible_windows()),
                         what=f"{help_title}, not {host.visible_windows()}")
                time.sleep(1)
                host.screenshot(f"{name}_help")

    def test_every_dialogs_words_fit_in_every_language_at_96_and_144_dpi(self):
        for dpi in (96, 144):
            with self.subTest(dpi=dpi), Host(f"language_fit_{dpi}") as host:
                if dpi != 96:
                    host.set_dpi(dpi)
                misfits = ""
                for language in ("en", "de", "fr", "es"):
                    fit = host.probe("template-fit", host.windows_path(host.program / "vardex.exe"), language)
                    if fit.returncode != 0:
                        misfits += f"{language}:\n{fit.stdout}"
                self.assertFalse(misfits, misfits)

    def test_the_guardians_event_log_speaks_the_machines_language_or_the_forced_one(self):
        # The entry the guardian writes when it refuses to run from a folder users can change.
        for name, forced, words in (("language_guard_de", None, "kann vom Konto S-1-1-0 ge"),
                                    ("language_guard_es_forced", "es", "La cuenta S-1-1-0 puede modificar")):
            with self.subTest(name), Host(name) as host:
                host.env.update(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8", WINEDEBUG="-all,err+eventlog")
                if forced:
                    host.set_text("PLLG", forced)
                host.program.chmod(0o777)
                install_guardian(host, start=False)
                host.run("sc", "start", GUARD)
                wait_for(lambda: service_state(host) == "STOPPED", what="the guardian to stop")
                self.assertIn(words, wine_messages(host))

    def test_the_screen_savers_box_speaks_german(self):
        with Host("language_saver_de") as host:
            host.env.update(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
            saver = host.start(SAVER, "/p", "1234")
            wait_for(lambda: host.dialog_text("Vardex-Bildschirmschoner") is not None, what="the saver's box, in German")
            self.assertIn("Vardex ist nicht gestartet!", host.dialog_text("Vardex-Bildschirmschoner"))
            host.probe("dialog-ok", "Vardex-Bildschirmschoner")
            self.assertEqual(saver.wait(30), 0)


if __name__ == "__main__":
    unittest.main()
