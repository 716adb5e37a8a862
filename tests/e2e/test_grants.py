"""More time at the lock: a user whose time ran out gets more from the administrator password, or
from a one-time code of a phone's authenticator app (computed here from the secret, as the app
would), without a restart or a network. The grant ends the lock and its shutdown, comes back as an
expiry at its end under the test's own clock, outlives a restart of the lock service and is logged.
A code works once, and no other program of the user reads the secret or grants time."""
import base64
import datetime
import hashlib
import hmac
import struct
import time
import unittest

from test_config_trust import ADMIN, USER, admin_session, b64, guarded_host
from test_guardian import guard
from vardex_e2e import Host, day_number, kill_lock_services, lock_service_pids, password_hash, stored, wait_for

GRANT_FORM = ("#32770", "More time")
MORE_TIME = "More time"  # the start of "More time…"


def totp(secret_base32, at):
    """The 6-digit code an authenticator app shows for the secret at a time (seconds since 1970)."""
    secret = base64.b32decode(secret_base32 + "=" * (-len(secret_base32) % 8))
    mac = hmac.new(secret, struct.pack(">Q", int(at // 30)), hashlib.sha1).digest()
    offset = mac[-1] & 0x0F
    return f"{(struct.unpack('>I', mac[offset:offset + 4])[0] & 0x7FFFFFFF) % 1000000:06d}"


def pin_clock(host, at):
    """Moves the host's clock (and so every Wine program's) on to the local datetime at."""
    host.advance_clock(int((at - host_now(host)).total_seconds()))
    return at


def next_hour(host):
    """A minute past the next whole hour, kept off midnight: a day's times for the test."""
    target = host_now(host).replace(minute=1, second=0, microsecond=0) + datetime.timedelta(hours=1)
    return target + datetime.timedelta(hours=2) if target.hour in (0, 23) else target


def host_now(host):
    return datetime.datetime.now() + datetime.timedelta(seconds=host._clock_offset)


def run_out_of_time(host, today, seconds_left):
    """An hour a day, almost used up: the time runs out a few ticks after the start."""
    user = host.user_key()
    host.set_dword(user + "PWTD", 1)
    host.set_dword(user + "PWTH", 1)
    host.set_dword(user + "PDDC", day_number(today))
    host.set_dword(user + "PDTC", 3600 - seconds_left)
    host.set_dword("LFE", 1)


def standing(host):
    blocks = host.status_blocks()
    return blocks[0][4] if blocks else ""


def ask_for_time(host, proof, an_hour=False):
    """At the lock: opens the unlock prompt, presses "More time…", types the proof and confirms the
    choice the form starts with (+15 minutes), or with an_hour the next one (+1 hour)."""
    host.open_prompt()
    wait_for(lambda: host.probe("button-enabled", MORE_TIME).returncode == 0, what="More time…")
    host.screenshot("prompt_more_time")
    assert host.probe("button-press", MORE_TIME).returncode == 0
    wait_for(lambda: host.shows(GRANT_FORM), what="the form for more time")
    x, y, width, height = min(host.window_geometries("More time"), key=lambda g: g[2] * g[3])
    host.xdotool("mousemove", x + width // 2, y + 20)
    host.xdotool("type", "--delay", "15", proof)
    if an_hour:
        host.xdotool("key", "Tab", "Down")
    host.screenshot("grant_form")
    host.xdotool("key", "Return")
    wait_for(lambda: not host.shows(GRANT_FORM), what="the form to close")
    host.xdotool("mousemove", *host.pointer_off_prompt)


def last_event(host):
    lines = host.log_lines()
    return lines[-1].split(" ", 2)[2] if lines else None


def stored_grant(host):
    """(day, end in seconds of the day, seconds granted)."""
    return tuple(int(word) for word in stored(host, host.user_key() + "PDGR").split())


class MoreTime(unittest.TestCase):
    def test_the_password_lifts_the_expiry_and_its_shutdown_and_the_expiry_comes_back_at_the_grants_end(self):
        with Host("grant_password", fake_clock=True) as host:
            today = pin_clock(host, next_hour(host))
            run_out_of_time(host, today.date(), seconds_left=6)
            host.set_text("APW", password_hash(ADMIN))
            log, _ = host.start_witness("endsession")
            host.start_service()
            host.wait_locked()
            wait_for(lambda: "Time is up" in standing(host), what="the expiry on the lock screen")
            started = time.monotonic()
            ask_for_time(host, ADMIN)
            host.wait_unlocked()
            print(f"\nFrom a key on the lock screen to the desktop, the password typed: {time.monotonic() - started:.1f} s")
            self.assertEqual(last_event(host), "Time Granted 15 min (password)")
            day, until, seconds = stored_grant(host)
            now = host_now(host)
            self.assertEqual((day, seconds), (day_number(now.date()), 900))
            self.assertLess(abs(until - (now.hour * 3600 + now.minute * 60 + now.second + 900)), 30)
            # The shutdown went with the expiry: a lock now tells the time left, not a countdown,
            # and its prompt is the one without More time….
            host.lock_with_hotkey()
            wait_for(lambda: "left today" in standing(host), what="the time left")
            host.open_prompt()
            self.assertEqual(host.probe("button-enabled", MORE_TIME).returncode, 2, "no More time…")
            host.xdotool("key", "Escape")
            host.xdotool("mousemove", *host.pointer_off_prompt)
            host.enter_password(ADMIN)
            host.wait_unlocked()
            # Nearly 15 minutes on the warning comes before the new end; then the time is up again,
            # with a whole grace.
            host.advance_clock(14 * 60 + 20)
            wait_for(lambda: "1 min" in host.probe("balloons").stdout, timeout=20, what="the warning before the end")
            host.advance_clock(60)
            host.wait_locked()
            wait_for(lambda: "Time is up" in standing(host), timeout=20, what="the expiry at the grant's end")
            self.assertRegex(standing(host), r"shuts down in (5:00|4:[45]\d)", "a fresh grace of five minutes")
            self.assertNotIn("query", log.read_text())

    def test_a_phones_code_works_once_grants_through_the_guardian_across_midnight_and_outlives_a_restart(self):
        with Host("grant_code", fake_clock=True) as host:
            # A Wednesday near its end: an hour that day, almost used; none on Thursday.
            now = host_now(host)
            wednesday = now.date() + datetime.timedelta(days=(2 - now.weekday()) % 7 or 7)
            pin_clock(host, datetime.datetime.combine(wednesday, datetime.time(23, 56)))
            user = host.user_key()
            for name, value in (("PWTD", 1), ("PWWR", 1), ("PWM3", 60), ("PWM4", 0), ("PDDC", day_number(wednesday)),
                                ("PDTC", 3600 - 60), ("LFE", 1)):
                host.set_dword(user + name if name.startswith("P") else name, value)
            host.set_dpi(144)
            guarded_host(host)
            # The administrator's window has the guardian make the secret; a standard user's
            # program can neither read it nor grant time, with or without the password.
            secret = admin_session(host, ADMIN, f"codes TICKET {b64('show')}")[1].split()[1]
            reader = host.hostile("restricted-run", host.program / "vardexhostile.exe", "read-secret")
            self.assertEqual(reader.returncode, 1, "a standard user's program reads no secret")
            self.assertEqual(guard(host, "grant", "min", "15", b64(ADMIN))[1], "refused", "only the lock service asks")
            wait_for(lambda: "Time is up" in standing(host), timeout=90, what="the expiry")
            ask_for_time(host, "000000" if totp(secret, host_now(host).timestamp()) != "000000" else "111111")
            wait_for(lambda: last_event(host) == "Access Denied", what="the wrong code logged")
            # At 23:59:31 an hour from the phone's code holds till midnight...
            pin_clock(host, datetime.datetime.combine(wednesday, datetime.time(23, 59, 31)))
            code = totp(secret, host_now(host).timestamp())
            ask_for_time(host, code, an_hour=True)
            host.wait_unlocked()
            self.assertEqual(last_event(host), "Time Granted 60 min (code)")
            self.assertEqual(stored_grant(host)[:2], (day_number(wednesday), 86400))
            # ...where Thursday's rules take over: no time. The same code, still within its
            # window, is refused; the next one the phone shows grants.
            pin_clock(host, datetime.datetime.combine(wednesday + datetime.timedelta(days=1), datetime.time(0, 0, 1)))
            host.wait_locked()
            wait_for(lambda: "Time is up" in standing(host), timeout=20, what="Thursday's expiry")
            ask_for_time(host, code)
            wait_for(lambda: last_event(host) == "Access Denied", what="the used code refused")
            self.assertTrue(host.session_active())
            ask_for_time(host, totp(secret, host_now(host).timestamp() + 30))
            host.wait_unlocked()
            self.assertEqual(last_event(host), "Time Granted 15 min (code)")
            self.assertEqual(stored_grant(host)[0], day_number(wednesday) + 1)
            # The lock service ends; the one the guardian starts, locked, goes on with the grant.
            old = lock_service_pids(host)
            kill_lock_services(host)
            wait_for(lambda: set(lock_service_pids(host)) - set(old), timeout=30, what="a new lock service")
            host.wait_locked()
            wait_for(lambda: "left today" in standing(host), timeout=20, what="the grant after the restart")
            host.enter_password(USER)
            host.wait_unlocked()


if __name__ == "__main__":
    unittest.main()
