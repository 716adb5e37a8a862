#!/bin/sh
# Installs what is missing, builds, and runs every test: unit (native), win (the Win32 layer
# under Wine) and e2e (the real programs under Wine in a virtual X display).
set -eu
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
ctest --test-dir build --output-on-failure --parallel 2 "$@"
