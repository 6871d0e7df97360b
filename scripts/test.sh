#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test, then the
# byte-level and socket tests and the fuzz replays again under AddressSanitizer
# and UBSan, then a short libFuzzer run of every fuzz target, then the Debian
# packages built, installed, run and purged.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
# ccache keeps what did not change between runs, and between checkouts in
# other folders of the same machine (the presets set the same for their builds).
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

# The configurations are CMakePresets.json's: dev (build/), windows, asan, release.
cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"

# The Qt-free parts cross-built for Windows, their tests under Wine.
cmake --preset windows
cmake --build --preset windows -j "$jobs"
ctest --preset windows -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

# A few seconds of each fuzz target, linked under libFuzzer in the asan build.
tests/fuzz/run.sh 50000

# Both Debian packages from the release build: lintian, installed, "hello"
# through the installed program and site, purged without a trace.
packaging/test-packages.sh
