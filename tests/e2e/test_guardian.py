"""The guardian service under Wine: it starts the lock service, starts it again within a second
whenever it ends unplanned (killed, or frozen), locked; its own restart keeps every lock; it counts
the day's use of a user who cannot write it; and what another program of the user sends, holds or
pretends changes none of it."""
import datetime
import os
import shutil
import signal
import time
import unittest

from vardex_e2e import BIN, HOSTILE, Host, day_number, kill_lock_services, lock_service_pids, stored, wait_for
from winehost import read_output

GUARD = "vardexguard"
TRAY_AREA = ("__winex11_standalone_tray", "Wine System Tray")


def install_guardian(host, start=True):
    """Registers the guardian from the host's program folder as an automatic service."""
    shutil.copy2(BIN / "vardexguard.exe", host.program / "vardexguard.exe")
    path = host.windows_path(host.program / "vardexguard.exe")
    assert host.run("sc", "create", GUARD, "binPath=", path, "start=", "auto").returncode == 0
    if start:
        start_guardian(host)


def start_guardian(host):
    assert host.run("sc", "start", GUARD).returncode == 0


def stop_guardian(host):
    host.run("sc", "stop", GUARD)
    wait_for(lambda: "STOPPED" in host.run("sc", "query", GUARD).stdout, timeout=30, what="the guardian to stop")


def guard(host, *words):
    """Sends one message to the guardian as another program of the user; (exit code, answer)."""
    result = host.hostile("guard", *words)
    return result.returncode, result.stdout.strip()


def wait_for_lock_service(host, timeout=30):
    wait_for(lambda: guard(host, "who")[1].startswith("service"), timeout=timeout,
             what="the guardian's lock service")
    wait_for(lambda: host.shows(TRAY_AREA), what="the tray icon")
    host.xdotool("mousemove", 40, 30)


def comes_back_locked(host, end, what):
    """Ends the running lock service with end(pids); returns the seconds until a new one runs
    and until its lock session runs."""
    old = lock_service_pids(host)
    end(old)
    ended = time.monotonic()
    wait_for(lambda: set(lock_service_pids(host)) - set(old), timeout=30, interval=0.02, what=f"a new lock service ({what})")
    started = time.monotonic() - ended
    wait_for(host.session_active, timeout=30, interval=0.05, what=f"the new lock service's lock ({what})")
    locked = time.monotonic() - ended
    host.wait_locked()
    print(f"\n{what} -> started again in {started:.2f} s, locked in {locked:.2f} s")
    return started, locked


def kill(pids):
    for pid in pids:
        os.kill(pid, signal.SIGKILL)


def freeze(pids):
    """Every thread of the lock service stops, as a suspended or stalled thread would."""
    for pid in pids:
        os.kill(pid, signal.SIGSTOP)


class Guardian(unittest.TestCase):
    def test_every_unplanned_end_of_the_lock_service_comes_back_locked(self):
        with Host("guardian_restart") as host:
            install_guardian(host)
            wait_for_lock_service(host)
            self.assertFalse(host.session_active(), "the logon's own start is unlocked")
            for what, end in (("killed while unlocked", kill), ("killed while locked", kill), ("frozen", freeze)):
                if what != "killed while unlocked":
                    host.lock_with_hotkey()
                    time.sleep(1)  # the guardian hears of the lock at once; give it the moment
                started, locked = comes_back_locked(host, end, what)
                self.assertLess(started, 2 if end is kill else 15, what)
                host.screenshot(what.replace(" ", "-"))
                host.enter_password("")  # no password set: any entry unlocks
                host.wait_unlocked()

    def test_a_restart_of_the_guardian_keeps_every_lock(self):
        with Host("guardian_own_restart") as host:
            install_guardian(host)
            wait_for_lock_service(host)
            host.lock_with_hotkey()
            time.sleep(1)
            running = lock_service_pids(host)
            stop_guardian(host)  # an upgrade, say: the lock services go on
            time.sleep(2)
            self.assertEqual(lock_service_pids(host), running)
            self.assertTrue(host.session_active())
            # Taken back by the next guardian, its next end comes back locked too. (Under Wine the
            # guardian runs as the user, whom the lock service's access list denies handing it a
            # new channel: it watches the lock service it takes back, and that is all it can.)
            start_guardian(host)
            wait_for(lambda: guard(host, "ping") == (0, "ok"), timeout=15, what="the guardian back")
            time.sleep(3)
            self.assertEqual(lock_service_pids(host), running, "taken back, not started twice")
            comes_back_locked(host, kill, "killed after the guardian's restart")
            # Ended while no guardian ran: the next guardian starts it again, locked.
            stop_guardian(host)
            self.assertTrue(kill_lock_services(host))
            start_guardian(host)
            wait_for(host.session_active, timeout=30, what="the lock again once the guardian is back")
            host.wait_locked()
            host.enter_password("")
            host.wait_unlocked()

    def test_the_day_and_the_log_of_a_user_who_cannot_write_them_are_kept_by_the_guardian(self):
        with Host("guardian_writes") as host:
            today = day_number(datetime.date.today())
            host.set_dword("PLSI", 1)
            user = host.user_key()
            self.assertEqual(host.hostile("restrict-key").returncode, 0)
            # A standard user cannot write the key itself, nor can its own lock service...
            probe = host.windows_path(BIN / "vardexprobe.exe")
            self.assertNotEqual(host.hostile("restricted-run", probe, "set-dword", f"{user}PDTC", "0").returncode, 0)
            install_guardian(host, start=False)
            host.set_dword(f"{user}PWTH", 1)  # restricted by duration
            host.set_dword(f"{user}PWTD", 1)
            self.assertEqual(host.hostile("restricted", str(host.windows_path(host.program / "vardex.exe"))).returncode, 0)
            wait_for(host.service_window_exists, timeout=30, what="the standard user's lock service")
            time.sleep(4)
            self.assertIsNone(stored(host, f"{user}PDTC"), "without the guardian the count stays in memory")
            # ...but the guardian counts the day of the lock service it starts.
            kill_lock_services(host)
            start_guardian(host)
            wait_for(lambda: (stored(host, f"{user}PDTC") or 0) >= 6, timeout=30,
                     what="the day's use written by the guardian")
            self.assertEqual(stored(host, f"{user}PDDC"), today)

            # Other programs of the user write nothing: no count, no log line, no state.
            for words in (["day-use", str(today), "0"], ["log", "09/12/2026 06:00:00 Access Permitted"],
                          ["beat", "exited", "0", "0"], ["state", "exited"]):
                self.assertEqual(guard(host, *words), (1, "refused"), words)
            self.assertNotIn("09/12/2026 06:00:00 Access Permitted", host.log_lines())
            self.assertGreaterEqual(stored(host, f"{user}PDTC"), 6)

    def test_malformed_oversized_silent_and_hogging_clients_hold_nothing_up(self):
        with Host("guardian_hostile") as host:
            user = host.user_key()
            host.set_dword(f"{user}PWTH", 1)
            host.set_dword(f"{user}PWTD", 1)
            host.set_text(f"{user}PDDC", "not a number")  # a counter of the wrong type stops nothing
            install_guardian(host)
            wait_for_lock_service(host)
            for words in (["hello"], ["day-use", "-1", "5"], ["log", "a\tb"], ["state", "expired", "x"], ["channel"]):
                self.assertEqual(guard(host, *words), (1, "refused"), words)
            self.assertEqual(host.hostile("guard-bytes", "100000").returncode, 1)
            # A client that says nothing, one that asks and then neither reads nor closes, and
            # programs that try to hold every instance of the pipe: cut off or held to one
            # connection each, and nobody waits for them meanwhile.
            silent = host.start(HOSTILE, "guard-silent", "6000")
            deaf = host.start(HOSTILE, "guard-deaf", "6000")
            wait_for(lambda: all("connected" in read_output(p)[0] for p in (silent, deaf)), what="the clients")
            hogs = [host.start(HOSTILE, "guard-hog", "8", "40") for _ in range(3)]
            wait_for(lambda: all("hogging" in read_output(p)[0] for p in hogs), what="the hogs")
            asked = time.monotonic()
            self.assertEqual(guard(host, "ping"), (0, "ok"))
            self.assertLess(time.monotonic() - asked, 4)
            for client in (silent, deaf):
                client.wait(30)
                self.assertEqual(client.returncode, 0, "cut off")
            # The day goes on being counted, and a killed lock comes back locked.
            counted = stored(host, f"{user}PDTC") or 0
            host.lock_with_hotkey()
            time.sleep(1)
            comes_back_locked(host, kill, "killed while the pipe is hogged")
            wait_for(lambda: (stored(host, f"{user}PDTC") or 0) >= counted + 6, timeout=20,
                     what="the day's use counted on")
            host.enter_password("")
            host.wait_unlocked()

    def test_a_stand_in_or_a_squatter_of_the_pipes_name_changes_nothing(self):
        with Host("guardian_stand_in") as host:
            # Without a guardian: a program that takes the pipe's name and never answers.
            squatter = host.start(HOSTILE, "guard-squat")
            wait_for(lambda: "squatting" in read_output(squatter)[0], what="the squatter")
            host.start_service()
            time.sleep(4)  # a tick has run
            host.lock_with_hotkey()
            host.enter_password("")
            host.wait_unlocked()
            squatter.kill()
            kill_lock_services(host)
            # With the guardian: a program that holds the service's mutex and a window that
            # answers its signal as the service does; a restart is the service all the same.
            stand_in = host.start(HOSTILE, "stand-in")
            wait_for(lambda: "standing in" in read_output(stand_in)[0], what="the stand-in")
            install_guardian(host)
            wait_for_lock_service(host)
            host.lock_with_hotkey()
            time.sleep(1)
            comes_back_locked(host, kill, "killed with a stand-in running")
            host.enter_password("")
            host.wait_unlocked()


if __name__ == "__main__":
    unittest.main()
