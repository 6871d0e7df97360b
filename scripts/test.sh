#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test, then the
# byte-level and socket tests and the fuzz replays again under AddressSanitizer
# and UBSan, then a short libFuzzer run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# ccache keeps what did not change between runs, and between checkouts in
# other folders of the same machine.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cache=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $cache
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORLINDA_ASAN=ON \
    -DVORLINDA_BUILD_BENCH=OFF $cache
cmake --build build-asan -j "$jobs" --target vorlinda_tests
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# A few seconds of each fuzz target, clang build included.
tests/fuzz/run.sh 50000
