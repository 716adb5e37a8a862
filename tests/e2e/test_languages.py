"""The lock screen in the user's language: German, French and Spanish users read its status block
in their own words (looked at in screenshots), and a language the administrator forces wins."""
import unittest

from test_lock_status import restrict_hours
from vardex_e2e import Host, wait_for

CASES = [
    # name, the Unix locale Wine takes the user's language from, forced (PLLG), the hint and the standing
    ("language_de", "de_DE.UTF-8", None, ["Zum Entsperren eine Taste drücken oder klicken", r"Heute noch (39|40) Min\. \(bis \d\d:\d\d\)"]),
    ("language_fr", "fr_FR.UTF-8", None, ["Appuyez sur une touche ou cliquez pour déverrouiller",
                                          r"Encore (39|40) min aujourd'hui \(jusqu'à \d\d:\d\d\)"]),
    ("language_es_forced", "de_DE.UTF-8", "es", ["Pulse una tecla o haga clic para desbloquear",
                                                 r"Quedan (39|40) min hoy \(hasta las \d\d:\d\d\)"]),
]


class Languages(unittest.TestCase):
    def test_the_status_block_speaks_the_users_language_or_the_forced_one(self):
        for name, locale, forced, expected in CASES:
            with self.subTest(name), Host(name) as host:
                host.env.update(LANG=locale, LC_ALL=locale)
                restrict_hours(host, 1200)
                if forced:
                    host.set_text("PLLG", forced)
                host.start_service()
                host.lock_with_hotkey()
                wait_for(lambda: host.status_blocks(), what="the status block")
                text = host.status_blocks()[0][4]
                hint, standing = expected
                self.assertIn(hint, text)
                self.assertRegex(text, standing)
                host.screenshot(name)


if __name__ == "__main__":
    unittest.main()
