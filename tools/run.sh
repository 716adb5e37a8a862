#!/bin/sh
# Installs what is missing, builds, and runs the lock service under Wine in its own prefix
# (build/wine/service), on the current X display or, without one, on a virtual display.
set -eu
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh --target win64
exec python3 tools/run_service.py "$@"
