"""Runs vardex.exe under Wine in the prefix build/wine/service (made on first use), on the
current X display, or on a virtual display started for it when there is none."""
import os
import pathlib
import signal
import subprocess
import sys

import winehost

ROOT = pathlib.Path(__file__).resolve().parent.parent
WINE_ROOT = ROOT / "build" / "wine"
PREFIX = WINE_ROOT / "service"
VARDEX = ROOT / "build" / "win64" / "bin" / "vardex.exe"


def main():
    # A terminate request ends the run like Ctrl+C, so the display and Wine are cleaned up.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    if not (PREFIX / "system.reg").exists():
        print("Preparing the Wine prefix", PREFIX)
        winehost.clone_prefix(winehost.make_template(WINE_ROOT / "template"), PREFIX)
    display = None
    display_name = os.environ.get("DISPLAY")
    if not display_name:
        display = winehost.VirtualDisplay().start()
        display_name = display.name
        print(f"No X display is set: started a virtual display {display_name}.")
        print(f"Take a screenshot of it with:  xwd -root -display {display_name} | convert xwd:- shot.png")
        print(f"Send it keys with:             DISPLAY={display_name} xdotool key ctrl+grave")
    env = winehost.wine_environment(PREFIX, display_name)
    print(f"Settings: WINEPREFIX={PREFIX} wine reg add 'HKLM\\SOFTWARE\\QUORTEX' /v APW /t REG_SZ /d secret")
    print("Running", VARDEX, "(Ctrl+C ends it)")
    try:
        return subprocess.call([winehost.WINE, str(VARDEX)], env=env)
    except KeyboardInterrupt:
        return 0
    finally:
        subprocess.run([winehost.WINESERVER, "--kill"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if display:
            display.stop()


if __name__ == "__main__":
    sys.exit(main())
