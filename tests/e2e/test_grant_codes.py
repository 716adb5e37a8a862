"""The "Grant codes" dialog of the configuration's Settings page for real: opened behind the
administrator password, its QR code read back from the screen equals the otpauth address the
dialog shows, whose secret is the one in the private registry key; "Make new..." asks, then shows
a new secret and code; a lock takes the dialog away. At 96 and 144 DPI, kept as screenshots."""
import subprocess
import unittest
import urllib.parse

from test_configuration import configure, wait_config, wait_prompt
from test_configuration_pages import IDYES, SETTINGS, click_control
from vardex_e2e import Host, password_hash, wait_for

IDC_GRANT_CODES, IDC_CODE_ADDRESS, IDC_CODE_SECRET, IDC_MAKE_NEW_SECRET = 1052, 1201, 1202, 1203
GRANT = ("#32770", "Grant codes")


def shown(host, control):
    """The text of the dialog's control, or None while there is no dialog."""
    result = host.probe("dialog-get", "Grant codes", control)
    return result.stdout.strip() if result.returncode == 0 else None


def stored_secret(host):
    key = "HKLM\\SOFTWARE\\QUORTEX\\Guardian\\Codes"
    output = host.run("C:\\windows\\system32\\reg.exe", "query", key, "/v", "Secret").stdout
    return next(line.split()[2] for line in output.splitlines() if line.split()[:1] == ["Secret"])


def scanned(host, name):
    """What a reader reads from the QR code of the dialog's screenshot ("" for nothing)."""
    try:
        picture = host.window_screenshot("Grant codes", name)
    except subprocess.CalledProcessError:
        return ""  # not on the screen yet
    return subprocess.run(["zbarimg", "--raw", "-q", str(picture)], capture_output=True, text=True).stdout.strip()


class GrantCodes(unittest.TestCase):
    def check_shown(self, host, name):
        """The code shown is the address shown, and its secret is the stored one; returns it."""
        address = shown(host, IDC_CODE_ADDRESS)
        wait_for(lambda: scanned(host, name) == address, what="the code of the address")  # drawn a moment later
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(address).query)
        self.assertEqual(query["issuer"], ["PC Vardex"])
        self.assertEqual(query["secret"], [stored_secret(host)])
        self.assertEqual(shown(host, IDC_CODE_SECRET), " ".join(query["secret"][0][i:i + 4] for i in range(0, 32, 4)))
        return query["secret"][0]

    def test_the_code_on_screen_is_the_stored_secret_and_a_new_one_replaces_it(self):
        for dpi, screen in ((96, "1280x1024x24"), (144, "1920x1080x24")):
            with self.subTest(dpi=dpi), Host(f"grant_codes_{dpi}", screen) as host:
                host.set_dpi(dpi)
                host.set_text("APW", password_hash("Admin 1"))
                host.start_service()
                configure(host)
                wait_prompt(host, "the password prompt")
                width, height = map(int, screen.split("x")[:2])
                host.xdotool("mousemove", width // 2, height // 2)  # on the prompt, whatever its size
                host.xdotool("type", "--delay", "15", "Admin 1")
                host.xdotool("key", "Return")
                wait_config(host)
                host.probe("cfg-tree", SETTINGS)
                click_control(host, IDC_GRANT_CODES)
                wait_for(lambda: shown(host, IDC_CODE_ADDRESS), what="the Grant codes dialog")
                first = self.check_shown(host, f"grant_codes_{dpi}dpi")

                host.probe("dialog-press", "Grant codes", IDC_MAKE_NEW_SECRET)
                wait_for(lambda: host.dialog_text("Confirm") is not None, what="the question")
                self.assertIn("every phone", " ".join(host.dialog_text("Confirm")))
                host.probe("dialog-press", "Confirm", IDYES)
                wait_for(lambda: first not in shown(host, IDC_CODE_ADDRESS), what="the new secret")
                self.assertNotEqual(self.check_shown(host, f"grant_codes_new_{dpi}dpi"), first)

                # A lock takes the dialog away with the window: whoever unlocks finds no secret.
                host.xdotool("mousemove", 40, 30)
                host.lock_with_hotkey()
                wait_for(lambda: not host.shows(GRANT), what="the dialog to go with the lock")


if __name__ == "__main__":
    unittest.main()
