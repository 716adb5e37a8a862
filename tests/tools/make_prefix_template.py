"""Makes the template Wine prefix that every Wine test clones (once per build folder)."""
import pathlib
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import winehost  # noqa: E402

if __name__ == "__main__":
    start = time.monotonic()
    template = winehost.make_template(sys.argv[1])
    print(f"Wine prefix template ready in {template} ({time.monotonic() - start:.1f} s)")
