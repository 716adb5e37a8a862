"""Runs one Windows test program under Wine in a host of its own:
run_in_wine.py [--screen WIDTHxHEIGHTxDEPTH] NAME EXE [ARGS]."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import winehost  # noqa: E402

if __name__ == "__main__":
    arguments = sys.argv[1:]
    screen = {}
    if arguments[:1] == ["--screen"]:
        screen = {"size": arguments[1]}
        arguments = arguments[2:]
    name, exe, *args = arguments
    with winehost.WineHost(name, **screen) as host:
        result = host.run(exe, *args, timeout=600)
        sys.stdout.write(result.stdout)
        sys.stderr.write(result.stderr)
    sys.exit(result.returncode)
