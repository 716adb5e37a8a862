#!/bin/sh
# Configures and builds both builds into build/: the host build (portable logic, unit tests and
# fuzzers with clang, AddressSanitizer and UBSan) and, inside it, the Windows build (build/win64).
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build build "$@"
