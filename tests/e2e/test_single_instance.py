"""The lock service runs once: it holds its mutex and hot key without showing a window, and a
second start only makes the running one reload its settings, then exits with code 0."""
import unittest

from vardex_e2e import ALT, CTRL, SHIFT, VARDEX, VK_F9, VK_F10, Host, wait_for


class SingleInstance(unittest.TestCase):
    def test_second_start_reloads_the_first_and_exits(self):
        first_key, second_key = CTRL | VK_F9, CTRL | SHIFT | ALT | VK_F10
        with Host("single_instance") as host:
            host.set_dword("PLHK", first_key)
            self.assertFalse(host.mutex_exists("Zepa01"))
            service = host.start(VARDEX)
            wait_for(lambda: host.mutex_exists("Zepa01"), what="the service mutex")
            wait_for(lambda: host.hotkey_taken(first_key), what="the configured hot key")
            self.assertEqual(host.service_windows(), [], "the service shows no window")
            self.assertFalse(host.mutex_exists("Zepa02"), "no lock session at start")

            host.set_dword("PLHK", second_key)
            second = host.run(VARDEX, timeout=60)
            self.assertEqual(second.returncode, 0)
            # The second start returns only once the first has reloaded.
            self.assertTrue(host.hotkey_taken(second_key), "the changed hot key is registered")
            self.assertFalse(host.hotkey_taken(first_key), "the old hot key is released")
            self.assertIsNone(service.poll(), "the first instance still runs")
            self.assertEqual(host.service_windows(), [], "neither start shows a window")
            host.screenshot("after_second_start")

            service.kill()
            service.wait(30)
            wait_for(lambda: not host.mutex_exists("Zepa01"), what="the mutex to go with the process")

    def test_wrong_value_type_is_reported_and_the_service_goes_on(self):
        with Host("bad_settings") as host:
            host.set_text("PLHK", "not a number")
            service = host.start(VARDEX)
            wait_for(lambda: ("#32770", "PC Vardex") in host.visible_windows(), what="the error report")
            host.screenshot("error_report")
            self.assertTrue(host.mutex_exists("Zepa01"))
            self.assertIsNone(service.poll())


if __name__ == "__main__":
    unittest.main()
