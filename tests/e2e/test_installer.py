"""The installer package under Wine's msiexec: a silent install puts the programs, the screen saver,
the guardian service and the registry entries in place, always under Program Files; a silent
removal takes them away and keeps the settings key, the statistics logs and usage histories, unless
REMOVESETTINGS=1; a newer package replaces the installed one, keeps the settings and leaves the
running lock services running."""
import collections
import os
import pathlib
import re
import shutil
import subprocess
import time
import unittest

from test_guardian import start_guardian
from vardex_e2e import BIN, Host, kill_lock_services, lock_service_pids, wait_for

MSI = pathlib.Path(os.environ.get("VARDEX_MSI", BIN.parents[1] / "installer" / "vardex.msi")).resolve()
WXS = pathlib.Path(__file__).resolve().parents[2] / "installer" / "vardex.wxs"
# The help in English, and in each language's folder.
INSTALLED_FILES = {"vardex.exe", "vardexguard.exe", "vardexhash.exe", "ombrel.chm", "scrlogo.jpg", "alarm.wav", "policy",
                   "de", "fr", "es"}
HELP_FILES = {f"{language}/ombrel.chm" for language in ("de", "fr", "es")}
# The Group Policy template and each language's file, under policy.
POLICY_FILES = {"vardex.admx", *(f"{language}/vardex.adml" for language in ("en-US", "de-DE", "fr-FR", "es-ES"))}
FOLDER = r"C:\Program Files\PC Vardex"
SERVICE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\vardexguard"
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\vardexguard"
RUN_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
SETTINGS_KEY = r"HKLM\SOFTWARE\QUORTEX"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
SESSION_MANAGER_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager"
NEWER_MARK = b"newer build"

Installation = collections.namedtuple("Installation", "folder saver")
# What Windows tells the removal of the older version during an upgrade: the new product's code.
UPGRADING = "UPGRADINGPRODUCTCODE={6d1f8a52-0c3e-4b7a-9a41-2f5e8c7d9b10}"


def programs(folder):
    """The files of the install folder but the statistics logs and usage histories, which the
    running programs write."""
    return {name for name in os.listdir(folder) if not name.endswith((".log", ".usage.csv"))}


def msiexec(host, *args, log, reboot=False):
    """Runs msiexec silently to its end, its log kept with the test's artifacts. With reboot, it may
    also end saying that a restart is needed (3010, of which a Linux exit status keeps 8 bits)."""
    result = host.run("msiexec", *args, "/qn", "/l*v", host.windows_path(host.artifacts / f"{log}.log"), timeout=300)
    expected = (0, 3010 % 256) if reboot else (0,)
    assert result.returncode in expected, f"msiexec {' '.join(args)} ended with {result.returncode}"


def install(host, msi=MSI, *properties, reboot=False):
    """Installs the package silently and returns where its files went."""
    msiexec(host, "/i", host.windows_path(msi), *properties, log=f"install-{msi.stem}", reboot=reboot)
    drive = host.prefix / "drive_c"
    return Installation(drive / "Program Files" / "PC Vardex", drive / "windows" / "system32" / "vardexsaver.scr")


def remove(host, msi=MSI, *properties, log=None, reboot=False):
    msiexec(host, "/x", host.windows_path(msi), *properties, log=log or f"remove-{msi.stem}", reboot=reboot)


def newer_package(host):
    """The same programs under a far higher version (below 128.0.0, since Wine's msi compares
    versions by their signed difference); its lock service's file is told from the installed one
    by bytes after its end, which Windows does not load."""
    newer, programs_dir = host.run_dir / "vardex-newer.msi", host.run_dir / "newer-bin"
    shutil.copytree(BIN, programs_dir)
    with open(programs_dir / "vardex.exe", "ab") as program:
        program.write(NEWER_MARK)
    subprocess.run(["wixl", "--arch", "x64", "-D", "BinDir=.", "-D", "Version=99.0.0", "-o", str(newer), str(WXS)],
                   cwd=programs_dir, check=True, capture_output=True)
    return newer


def pending_replacements(host):
    """{file: the file that replaces it at the next restart} of PendingFileRenameOperations."""
    output = host.run("reg", "query", SESSION_MANAGER_KEY, "/v", "PendingFileRenameOperations").stdout
    data = next((line.split("REG_MULTI_SZ", 1)[1].strip() for line in output.splitlines() if "REG_MULTI_SZ" in line),
                "")
    names = data.split("\\0")

    def linux(name):
        return host.prefix / "drive_c" / name.removeprefix("\\??\\C:\\").replace("\\", "/")

    return {linux(target): linux(source) for source, target in zip(names[::2], names[1::2]) if target}


def actions_run(host, log):
    """The actions that an msiexec log says were started."""
    data = (host.artifacts / f"{log}.log").read_bytes()
    text = data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("latin-1")
    return set(re.findall(r"Action start [0-9:]+: (\w+)\.", text))


def registry_values(host, key):
    """{name: (type, data)} of a key's values, or None when the key does not exist."""
    result = host.run("reg", "query", key)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        fields = line.strip().split("    ")
        if line.startswith("    ") and len(fields) >= 2:
            values[fields[0]] = (fields[1], fields[2] if len(fields) > 2 else "")
    return values


def service_state(host):
    """The guardian service's state as sc names it (RUNNING, STOPPED, ...), or None."""
    for line in host.run("sc", "query", "vardexguard").stdout.splitlines():
        if line.strip().startswith("STATE"):
            return line.split()[-1]
    return None


def running_lock_services(host):
    """The lock services running in the host once the guardian has started one."""
    wait_for(lambda: lock_service_pids(host), timeout=30, what="the lock service started by the guardian")
    return set(lock_service_pids(host))


def end_lock_services(host):
    """Stops the guardian and ends the lock services it started, as an administrator can. The
    removal does this itself on Windows, as SYSTEM; under Wine every program runs as the one user
    whom the lock service denies ending it, so the test ends it from outside."""
    host.run("sc", "stop", "vardexguard")
    wait_for(lambda: service_state(host) == "STOPPED", what="the guardian to stop")
    kill_lock_services(host)


def products(host):
    """{product code key: DisplayVersion} of the installed PC Vardex packages."""
    listing = host.run("reg", "query", UNINSTALL_KEY, "/s").stdout.split("\n\n")
    return {block.split("\n")[0]: next(line.split()[-1] for line in block.splitlines() if "DisplayVersion" in line)
            for block in (text.strip() for text in listing) if "    DisplayName    REG_SZ    PC Vardex" in block}


class Installer(unittest.TestCase):
    def test_install_puts_everything_in_place_and_removal_keeps_settings_and_logs(self):
        with Host("installer_install") as host:
            installed = install(host, MSI, "INSTALLDIR=C:\\elsewhere", "VardexFolder=C:\\elsewhere\\")
            self.assertEqual(programs(installed.folder), INSTALLED_FILES)
            policy = installed.folder / "policy"
            self.assertEqual({path.relative_to(policy).as_posix() for path in policy.rglob("*") if path.is_file()},
                             POLICY_FILES)
            self.assertTrue(all((installed.folder / help_file).is_file() for help_file in HELP_FILES))
            self.assertFalse((host.prefix / "drive_c" / "elsewhere").exists(), "the command line moved the install")
            # Its access list is set (Wine's icacls sets none; the unit tests check the list against
            # the guardian's rule).
            self.assertIn("ProtectInstallFolder", actions_run(host, f"install-{MSI.stem}"))
            self.assertTrue(installed.saver.exists())
            service = registry_values(host, SERVICE_KEY)
            expected_service = {"Start": ("REG_DWORD", "0x2"), "Type": ("REG_DWORD", "0x10"),
                                "ObjectName": ("REG_SZ", "LocalSystem"),
                                "DisplayName": ("REG_SZ", "PC Vardex Guardian")}
            self.assertEqual({name: service.get(name) for name in expected_service}, expected_service)
            # Wine writes the path without quotes.
            self.assertEqual(service["ImagePath"][1].strip('"'), rf"{FOLDER}\vardexguard.exe")
            wait_for(lambda: service_state(host) == "RUNNING", timeout=10, what="the guardian to run")
            self.assertEqual(registry_values(host, EVENT_SOURCE_KEY),
                             {"EventMessageFile": ("REG_EXPAND_SZ", rf"{FOLDER}\vardexguard.exe"),
                              "TypesSupported": ("REG_DWORD", "0x7")})
            self.assertEqual(registry_values(host, RUN_KEY).get("PC Vardex"),
                             ("REG_SZ", rf'"{FOLDER}\vardex.exe" /logon'))
            self.assertIsNotNone(registry_values(host, SETTINGS_KEY))

            # The guardian has started the lock service; killed during a lock, it comes back locked.
            wait_for(host.service_window_exists, timeout=30, what="the lock service started by the guardian")
            self.assertEqual(host.probe("signal", "1").returncode, 0)
            host.wait_locked()
            time.sleep(1)  # the guardian hears of the lock as the session starts
            self.assertTrue(kill_lock_services(host))
            killed = time.monotonic()
            wait_for(lambda: lock_service_pids(host), timeout=5, interval=0.02, what="the lock service started again")
            print(f"\nstarted again {time.monotonic() - killed:.2f} s after the kill", end=" ")
            host.wait_locked()
            host.screenshot("locked-again")

            (installed.folder / "alice.log").write_bytes(b"statistics\r\n")
            (installed.folder / "alice.usage.csv").write_bytes(b"2026-12-09;30;60;0;0\r\n")
            end_lock_services(host)
            remove(host)
            self.assertIn("EndLockServices", actions_run(host, f"remove-{MSI.stem}"))
            self.assertEqual(programs(installed.folder), set())
            self.assertTrue((installed.folder / "alice.log").exists())
            self.assertTrue((installed.folder / "alice.usage.csv").exists())
            self.assertFalse(installed.saver.exists())
            for key in (SERVICE_KEY, EVENT_SOURCE_KEY):
                self.assertIsNone(registry_values(host, key), key)
            self.assertNotIn("PC Vardex", registry_values(host, RUN_KEY) or {})
            self.assertIsNotNone(registry_values(host, SETTINGS_KEY))
            self.assertEqual(products(host), {})

    def test_newer_package_replaces_the_installed_one_leaving_its_lock_services_running(self):
        with Host("installer_upgrade") as host:
            installed = install(host)
            self.assertEqual(host.run("reg", "add", SETTINGS_KEY, "/v", "PLHK", "/t", "REG_DWORD", "/d", "16576",
                                      "/f").returncode, 0)
            (installed.folder / "alice.log").write_bytes(b"statistics\r\n")
            (installed.folder / "alice.usage.csv").write_bytes(b"2026-12-09;30;60;0;0\r\n")
            program = installed.folder / "vardex.exe"
            running = running_lock_services(host)

            newer = newer_package(host)
            install(host, newer, reboot=True)  # the running lock service's file is in use
            self.assertEqual(list(products(host).values()), ["99.0.0"])
            self.assertTrue((installed.folder / "alice.log").exists())
            self.assertTrue((installed.folder / "alice.usage.csv").exists())
            self.assertEqual(registry_values(host, SETTINGS_KEY).get("PLHK"), ("REG_DWORD", "0x40c0"))
            wait_for(lambda: service_state(host) == "RUNNING", timeout=10, what="the new guardian to run")
            self.assertLessEqual(running, set(lock_service_pids(host)), "the lock service runs on")
            self.assertTrue(host.service_window_exists())
            # Wine cannot rename a running program's file: the new one waits beside it for the next
            # start of Wine. (Windows' Installer moves the running file aside and puts the new one
            # in its place at once.)
            staged = pending_replacements(host).get(program)
            self.assertIsNotNone(staged)
            self.assertTrue(staged.read_bytes().endswith(NEWER_MARK))
            self.assertEqual(programs(installed.folder) - {staged.name}, INSTALLED_FILES)
            end_lock_services(host)
            host.run("wineboot", "--restart")
            self.assertTrue(program.read_bytes().endswith(NEWER_MARK))
            self.assertEqual(programs(installed.folder), INSTALLED_FILES)

            # Wine's upgrade does not tell the older version's removal that it is one, as Windows
            # does: told so, the removal ends no lock service and keeps the settings and the logs,
            # whatever REMOVESETTINGS says.
            start_guardian(host)
            running = running_lock_services(host)
            remove(host, newer, UPGRADING, "REMOVESETTINGS=1", log="remove-upgraded", reboot=True)
            self.assertFalse({"EndLockServices", "RemoveSettingsKey", "RemoveStatisticsLogs"}
                             & actions_run(host, "remove-upgraded"))
            self.assertLessEqual(running, set(lock_service_pids(host)))
            self.assertEqual(registry_values(host, SETTINGS_KEY).get("PLHK"), ("REG_DWORD", "0x40c0"))
            self.assertTrue((installed.folder / "alice.log").exists())
            self.assertTrue((installed.folder / "alice.usage.csv").exists())

            install(host, newer, reboot=True)
            end_lock_services(host)
            remove(host, newer, "REMOVESETTINGS=1")
            self.assertFalse(installed.folder.exists())
            self.assertIsNone(registry_values(host, SETTINGS_KEY))
            self.assertIsNone(registry_values(host, SERVICE_KEY))
            self.assertEqual(products(host), {})

if __name__ == "__main__":
    unittest.main()
