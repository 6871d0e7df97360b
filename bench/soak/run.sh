#!/usr/bin/env bash
# The soak: LOOKUPS (default 10000) lookups through HttpClient against the
# real vorlinda-site behind the fault proxy, then the summary. Builds what it
# needs in build/ first. Usage: bench/soak/run.sh [LOOKUPS]
set -euo pipefail
cd "$(dirname "$0")/../.."
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
[ -f build/build.ninja ] || cmake --preset dev
cmake --build build --target vorlinda_soak vorlinda-site
exec build/bench/soak/vorlinda_soak build/site/vorlinda-site "${1:-10000}"
