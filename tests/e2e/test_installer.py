"""The installer package under Wine's msiexec: a silent install puts the programs, the screen saver,
the guardian service and the registry entries in place; a silent removal takes them away and keeps
the settings key and the statistics logs, unless REMOVESETTINGS=1; a newer package replaces the
installed one and keeps the settings."""
import collections
import os
import pathlib
import subprocess
import time
import unittest

from vardex_e2e import BIN, Host, kill_lock_services, lock_service_pids, wait_for

MSI = pathlib.Path(os.environ.get("VARDEX_MSI", BIN.parents[1] / "installer" / "vardex.msi")).resolve()
WXS = pathlib.Path(__file__).resolve().parents[2] / "installer" / "vardex.wxs"
INSTALLED_FILES = {"vardex.exe", "vardexguard.exe", "vardexhash.exe", "ombrel.chm", "scrlogo.jpg", "alarm.wav", "policy"}
FOLDER = r"C:\Program Files\PC Vardex"
SERVICE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\vardexguard"
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\vardexguard"
RUN_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
SETTINGS_KEY = r"HKLM\SOFTWARE\QUORTEX"
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"

Installation = collections.namedtuple("Installation", "folder saver")


def programs(folder):
    """The files of the install folder but the statistics logs, which the running programs write."""
    return {name for name in os.listdir(folder) if not name.endswith(".log")}


def msiexec(host, *args, log):
    """Runs msiexec silently to its end, its log kept with the test's artifacts."""
    result = host.run("msiexec", *args, "/qn", "/l*v", host.windows_path(host.artifacts / f"{log}.log"), timeout=300)
    assert result.returncode == 0, f"msiexec {' '.join(args)} ended with {result.returncode}"


def install(host, msi=MSI):
    """Installs the package silently and returns where its files went."""
    msiexec(host, "/i", host.windows_path(msi), log=f"install-{msi.stem}")
    drive = host.prefix / "drive_c"
    return Installation(drive / "Program Files" / "PC Vardex", drive / "windows" / "system32" / "vardexsaver.scr")


def remove(host, msi=MSI, *properties):
    msiexec(host, "/x", host.windows_path(msi), *properties, log=f"remove-{msi.stem}")


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
            installed = install(host)
            self.assertEqual(programs(installed.folder), INSTALLED_FILES)
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
            end_lock_services(host)
            remove(host)
            self.assertEqual(programs(installed.folder), set())
            self.assertTrue((installed.folder / "alice.log").exists())
            self.assertFalse(installed.saver.exists())
            for key in (SERVICE_KEY, EVENT_SOURCE_KEY):
                self.assertIsNone(registry_values(host, key), key)
            self.assertNotIn("PC Vardex", registry_values(host, RUN_KEY) or {})
            self.assertIsNotNone(registry_values(host, SETTINGS_KEY))
            self.assertEqual(products(host), {})

    def test_newer_package_replaces_the_installed_one_and_removesettings_takes_settings_and_logs(self):
        with Host("installer_upgrade") as host:
            installed = install(host)
            self.assertEqual(host.run("reg", "add", SETTINGS_KEY, "/v", "PLHK", "/t", "REG_DWORD", "/d", "16576",
                                      "/f").returncode, 0)
            (installed.folder / "alice.log").write_bytes(b"statistics\r\n")
            newer = host.run_dir / "vardex-newer.msi"
            # The same programs under a far higher version; below 128.0.0, since Wine's msi
            # compares versions by their signed difference.
            subprocess.run(["wixl", "--arch", "x64", "-D", "BinDir=.", "-D", "Version=99.0.0", "-o", str(newer),
                            str(WXS)], cwd=BIN, check=True, capture_output=True)

            install(host, newer)
            self.assertEqual(list(products(host).values()), ["99.0.0"])
            self.assertEqual(programs(installed.folder), INSTALLED_FILES)
            self.assertTrue((installed.folder / "alice.log").exists())
            self.assertEqual(registry_values(host, SETTINGS_KEY).get("PLHK"), ("REG_DWORD", "0x40c0"))
            wait_for(lambda: service_state(host) == "RUNNING", timeout=10, what="the new guardian to run")

            end_lock_services(host)
            remove(host, newer, "REMOVESETTINGS=1")
            self.assertFalse(installed.folder.exists())
            self.assertIsNone(registry_values(host, SETTINGS_KEY))
            self.assertIsNone(registry_values(host, SERVICE_KEY))
            self.assertEqual(products(host), {})


if __name__ == "__main__":
    unittest.main()
