"""The guardian service under Wine: it starts the lock service, starts it again within a second
when it is killed (locked again when it was locked), writes the day's use and the log lines of a
user who cannot write them, and drops what a hostile client sends."""
import datetime
import shutil
import time
import unittest

from vardex_e2e import BIN, Host, day_number, kill_lock_services, lock_service_pids, stored, wait_for
from winehost import read_output

GUARD = "vardexguard"


def install_guardian(host, start=True):
    """Registers the guardian from the host's program folder as an automatic service."""
    shutil.copy2(BIN / "vardexguard.exe", host.program / "vardexguard.exe")
    path = host.windows_path(host.program / "vardexguard.exe")
    assert host.run("sc", "create", GUARD, "binPath=", path, "start=", "auto").returncode == 0
    if start:
        start_guardian(host)


def start_guardian(host):
    assert host.run("sc", "start", GUARD).returncode == 0


def guard(host, *words):
    """Sends one message to the guardian as another program of the user; (exit code, answer)."""
    result = host.hostile("guard", *words)
    return result.returncode, result.stdout.strip()


class Guardian(unittest.TestCase):
    def test_a_killed_lock_service_is_started_again_locked_when_it_was(self):
        with Host("guardian_restart") as host:
            install_guardian(host)
            wait_for(host.service_window_exists, timeout=30, what="the lock service started by the guardian")
            wait_for(lambda: host.shows(("__winex11_standalone_tray", "Wine System Tray")), what="the tray icon")
            host.xdotool("mousemove", 40, 30)

            self.assertTrue(kill_lock_services(host))  # unlocked: started again, unlocked
            wait_for(host.service_window_exists, timeout=10, what="the lock service started again")
            self.assertFalse(host.session_active())

            wait_for(lambda: host.shows(("__winex11_standalone_tray", "Wine System Tray")), what="the tray icon")
            host.lock_with_hotkey()
            time.sleep(1)  # the guardian is told at the session's start; give it the moment
            self.assertTrue(kill_lock_services(host))
            killed = time.monotonic()
            wait_for(lambda: lock_service_pids(host), timeout=10, interval=0.02, what="a new lock service")
            started = time.monotonic() - killed
            wait_for(host.session_active, timeout=10, what="a lock session of the new lock service")
            locked = time.monotonic() - killed
            host.wait_locked()
            host.screenshot("locked-again")
            print(f"\nkilled while locked -> started again in {started:.2f} s, locked in {locked:.2f} s")
            host.enter_password("")  # no password set: any entry unlocks
            host.wait_unlocked()

    def test_the_day_and_the_log_of_a_user_who_cannot_write_them_are_kept_by_the_guardian(self):
        with Host("guardian_writes") as host:
            today = day_number(datetime.date.today())
            host.set_dword("PLSI", 1)
            user = host.user_key()
            self.assertEqual(host.hostile("restrict-key").returncode, 0)
            # A standard user cannot write the key itself...
            probe = host.windows_path(BIN / "vardexprobe.exe")
            self.assertNotEqual(host.hostile("restricted-run", probe, "set-dword", f"{user}PDTC", "0").returncode, 0)
            # ...but the lock service it runs keeps the day's use through the guardian.
            install_guardian(host, start=False)
            host.set_dword(f"{user}PWTH", 1)  # restricted by duration
            host.set_dword(f"{user}PWTD", 1)
            self.assertEqual(host.hostile("restricted", str(host.windows_path(host.program / "vardex.exe"))).returncode, 0)
            wait_for(host.service_window_exists, timeout=30, what="the standard user's lock service")
            time.sleep(4)
            self.assertIsNone(stored(host, f"{user}PDTC"), "without the guardian the count stays in memory")
            start_guardian(host)
            wait_for(lambda: (stored(host, f"{user}PDTC") or 0) >= 6, timeout=30,
                     what="the day's use written by the guardian")
            self.assertEqual(stored(host, f"{user}PDDC"), today)

            # Other programs of the user: today's count only, never lower; log lines to their own log.
            self.assertEqual(guard(host, "day-use", str(today), "0"), (1, "refused"))
            self.assertEqual(guard(host, "day-use", str(today + 1), "0"), (1, "refused"))
            self.assertEqual(guard(host, "log", "09/12/2026 06:00:00 Access Permitted")[0], 0)
            self.assertIn("09/12/2026 06:00:00 Access Permitted", host.log_lines())
            # Only the lock service the guardian started tells its state.
            self.assertEqual(guard(host, "state", "exited"), (1, "refused"))

    def test_malformed_oversized_and_silent_clients_are_dropped_and_the_guardian_goes_on(self):
        with Host("guardian_hostile") as host:
            install_guardian(host)
            wait_for(lambda: guard(host, "ping")[0] == 0, timeout=30, what="the guardian's pipe")
            for words in (["hello"], ["day-use", "-1", "5"], ["log", "a\tb"], ["state", "expired", "x"]):
                self.assertEqual(guard(host, *words), (1, "refused"), words)
            self.assertEqual(host.hostile("guard-bytes", "100000").returncode, 1)
            # A client that says nothing, and one that asks and then neither reads nor closes:
            # both are cut off, and nobody waits for them meanwhile.
            silent = host.start(BIN / "vardexhostile.exe", "guard-silent", "6000")
            deaf = host.start(BIN / "vardexhostile.exe", "guard-deaf", "6000")
            wait_for(lambda: all("connected" in read_output(p)[0] for p in (silent, deaf)), what="the clients")
            asked = time.monotonic()
            self.assertEqual(guard(host, "ping"), (0, "ok"))
            self.assertLess(time.monotonic() - asked, 4)
            for client in (silent, deaf):
                client.wait(30)
                self.assertEqual(client.returncode, 0, "cut off")
            self.assertEqual(guard(host, "ping"), (0, "ok"))

    def test_a_program_that_takes_the_pipes_name_and_never_answers_holds_nothing_up(self):
        with Host("guardian_squatter") as host:
            squatter = host.start(BIN / "vardexhostile.exe", "guard-squat")
            wait_for(lambda: "squatting" in read_output(squatter)[0], what="the squatter")
            host.start_service()
            time.sleep(4)  # a tick has asked the "guardian"
            host.lock_with_hotkey()
            host.enter_password("")
            host.wait_unlocked()


if __name__ == "__main__":
    unittest.main()
