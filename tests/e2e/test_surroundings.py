"""What the locked user controls around the programs changes nothing: DLLs put beside them under
the names of system DLLs are never loaded, the guardian does not run from a folder that users can
write, and a compatibility setting that makes the lock service a "Windows 95" program leaves its
passwords, its limits and its key filter in place."""
import shutil
import subprocess
import unittest

from test_guardian import GUARD, install_guardian, start_guardian
from test_installer import service_state
from vardex_e2e import BIN, Host, lock_service_pids, password_hash, wait_for, winehost

PROGRAMS = ("vardex.exe", "vardexguard.exe", "vardexsaver.exe", "vardexhash.exe")
# What Windows 7 to 11 load from the system folder whatever lies beside a program.
KNOWN_DLLS = {"advapi32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
              "shell32.dll", "user32.dll"}
# Found through the side-by-side assembly that the program's manifest names.
COMMON_CONTROLS = {"vardex.exe", "vardexsaver.exe"}
# The DLLs the programs delay-load or load by name as they run; not version.dll, which Wine's own
# common controls (brought in by its shell32 and comdlg32) import as the process starts, and so
# take from beside the program before any code of ours runs. Windows' KnownDLLs bring what they
# need from the system folder; the import test below shows that no program imports it.
PLANTED = ("bcrypt", "winmm", "userenv", "wtsapi32", "netapi32", "mpr")
TRAY_AREA = ("__winex11_standalone_tray", "Wine System Tray")


def static_imports(program):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(BIN / program)], check=True,
                          capture_output=True, text=True).stdout
    return {line.split()[-1].lower() for line in dump.splitlines() if "DLL Name:" in line}


def wine_messages(host):
    """What Wine's own debug output of this host's programs says (services' included)."""
    return "".join(path.read_text(errors="replace") for path in sorted(host.run_dir.glob("process-*.err")))


class PlantedDlls(unittest.TestCase):
    def test_the_programs_import_nothing_that_the_loader_would_look_for_beside_them(self):
        for program in PROGRAMS:
            allowed = KNOWN_DLLS | ({"comctl32.dll"} if program in COMMON_CONTROLS else set())
            self.assertLessEqual(static_imports(program), allowed, program)

    def test_dlls_planted_beside_the_programs_are_never_loaded(self):
        with Host("planted_dlls") as host:
            # Wine takes its own DLLs before one beside the program; told not to, it searches as
            # Windows does.
            host.env["WINEDLLOVERRIDES"] += ";" + ",".join(PLANTED) + "=n,b"
            for name in PLANTED:
                shutil.copy2(BIN / "vardexplanted.dll", host.program / f"{name}.dll")
            for program in ("vardexsaver.exe", "vardexhash.exe"):
                shutil.copy2(BIN / program, host.program / program)
            host.set_text(host.user_key() + "PAPW", password_hash("right"))

            # The guardian (sessions, the user's environment) starts the lock service (accounts,
            # password hashes) from that folder.
            install_guardian(host)
            wait_for(host.service_window_exists, timeout=30, what="the lock service started by the guardian")
            wait_for(lambda: host.shows(TRAY_AREA), what="the tray icon")
            host.xdotool("mousemove", 40, 30)
            host.lock_with_hotkey()
            host.enter_password("wrong")
            self.assertTrue(host.session_active())
            host.enter_password("right")
            host.wait_unlocked()
            hashed = subprocess.run([winehost.WINE, str(host.program / "vardexhash.exe")], input=b"a\na\n",
                                    capture_output=True, env=host.env, timeout=120)
            self.assertTrue(hashed.stdout.startswith(b"$pbkdf2-sha256$"), hashed.stderr)
            self.assertEqual(host.run(host.program / "vardexsaver.exe", "/a", "0", timeout=30).returncode, 0)

            self.assertEqual(sorted(path.name for path in host.program.glob("*.loaded")), [])


class GuardianFolder(unittest.TestCase):
    def test_the_guardian_does_not_run_from_a_folder_that_users_can_write(self):
        with Host("guardian_open_folder") as host:
            host.env["WINEDEBUG"] = "-all,err+eventlog"  # Wine writes the event log's errors there
            # Wine makes the folder's access list from its Unix mode: everyone may change it.
            host.program.chmod(0o777)
            install_guardian(host, start=False)
            host.run("sc", "start", GUARD)
            wait_for(lambda: service_state(host) == "STOPPED", what="the guardian to stop")
            query = host.run("sc", "query", GUARD).stdout
            self.assertIn("1066", query, "stopped with an error of its own")
            self.assertIn("can be changed by the account S-1-1-0", wine_messages(host))
            self.assertEqual(lock_service_pids(host), [])

            host.program.chmod(0o755)
            start_guardian(host)
            wait_for(host.service_window_exists, timeout=30, what="the lock service started by the guardian")


class CompatibilitySetting(unittest.TestCase):
    def test_a_windows_95_setting_for_the_lock_service_changes_nothing(self):
        with Host("windows_95_setting") as host:
            self.assertEqual(host.run("reg", "add", r"HKCU\Software\Wine\AppDefaults\vardex.exe", "/v", "Version",
                                      "/d", "win95", "/f").returncode, 0)
            host.set_text(host.user_key() + "PAPW", "right")  # in the user's own key, not .Default's
            host.start_service()
            log, _ = host.start_witness("keys")

            def windows_and_menu_keys():
                return [line for line in log.read_text().splitlines() if line.split()[-1] in ("91", "92", "93")]

            host.xdotool("key", "Menu")
            wait_for(lambda: len(windows_and_menu_keys()) == 2, what="the Menu key to reach the witness unlocked")
            host.lock_with_hotkey()
            host.xdotool("key", "super", "Menu")
            host.enter_password("wrong")
            self.assertTrue(host.session_active(), "a wrong entry is refused")
            self.assertEqual(len(windows_and_menu_keys()), 2, "the key filter swallowed the Windows and Menu keys")
            host.enter_password("right")
            host.wait_unlocked()


if __name__ == "__main__":
    unittest.main()
