"""vardexhash reads a password and its confirmation from a pipe and prints the stored form the
lock service checks; a pair it refuses leaves standard output empty and ends with exit code 1."""
import base64
import hashlib
import subprocess
import unittest

from vardex_e2e import BIN, winehost

VARDEXHASH = BIN / "vardexhash.exe"
ITERATIONS = 400000  # what the configuration window writes

# (what, the piped input, the password the printed form must verify; "" for the empty value,
# None for a refusal)
CASES = [
    ("non-ASCII UTF-8 with CRLF lines", "Pässwort 1\r\nPässwort 1\r\n".encode(), "Pässwort 1"),
    ("blanks kept as typed", b" x \n x \n", " x "),
    ("the longest the unlock prompt takes, last line unended", b"a" * 255 + b"\n" + b"a" * 255, "a" * 255),
    ("empty: no password", b"\n\n", ""),
    ("a mismatch", b"Secret 1\nSecret 2\n", None),
    ("one character too long", (b"a" * 256 + b"\n") * 2, None),
    ("a confirmation one character longer", b"a" * 255 + b"\n" + b"a" * 256 + b"\n", None),
    ("no confirmation", b"Secret 1\n", None),
]


def unpadded(text):
    return base64.b64decode(text + "=" * (-len(text) % 4))


def run_with_input(host, data):
    """(exit code, stdout, stderr) of vardexhash with data on its standard input, a pipe."""
    out, err = host.run_dir / "hash.out", host.run_dir / "hash.err"
    with open(out, "w+b") as stdout, open(err, "w+b") as stderr:
        # Output to files: services Wine starts may inherit the handles and outlive the program.
        result = subprocess.run([winehost.WINE, str(VARDEXHASH)], input=data, stdout=stdout, stderr=stderr,
                                env=host.env, timeout=120)
        stdout.seek(0)
        stderr.seek(0)
        return result.returncode, stdout.read(), stderr.read().decode(errors="replace")


class VardexHash(unittest.TestCase):
    def test_prints_the_stored_form_or_refuses(self):
        with winehost.WineHost("vardexhash") as host:
            for what, data, password in CASES:
                with self.subTest(what):
                    code, out, err = run_with_input(host, data)
                    if password is None:
                        self.assertEqual((code, out), (1, b""), err)
                        self.assertIn("vardexhash: ", err)
                        continue
                    self.assertEqual(code, 0, err)
                    self.assertTrue(out.endswith(b"\r\n") and out.count(b"\n") == 1, out)
                    stored = out[:-2].decode("ascii")
                    if not password:
                        self.assertEqual(stored, "")
                        continue
                    empty, algorithm, iterations, salt, digest = stored.split("$")
                    self.assertEqual((empty, algorithm, iterations), ("", "pbkdf2-sha256", f"i={ITERATIONS}"))
                    self.assertEqual((len(unpadded(salt)), len(unpadded(digest))), (16, 32))
                    self.assertEqual(hashlib.pbkdf2_hmac("sha256", password.encode(), unpadded(salt), ITERATIONS),
                                     unpadded(digest))

    def test_speaks_the_administrators_language(self):
        for locale, words in (("de_DE.UTF-8", "Die Kennwörter stimmen nicht überein."),
                              ("es_ES.UTF-8", "Las contraseñas no coinciden.")):
            with self.subTest(locale), winehost.WineHost("vardexhash_" + locale[:2]) as host:
                host.env.update(LANG=locale, LC_ALL=locale)
                code, out, err = run_with_input(host, b"one\r\ntwo\r\n")
                self.assertEqual((code, out), (1, b""), err)
                self.assertIn("vardexhash: " + words, err)


if __name__ == "__main__":
    unittest.main()
