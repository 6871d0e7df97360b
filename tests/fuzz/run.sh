#!/usr/bin/env bash
# Builds the fuzz targets under libFuzzer in the sanitizer build (build-asan:
# clang, ASan and UBSan), then runs each for RUNS inputs (default 100000) on a
# copy of its seed corpus and regressions. A crash, leak, UB report or broken
# check stops the script with the report; the input is left in
# build-asan/crashes/ and belongs, once the fault is mended, in
# tests/fuzz/regressions/<target>/.
# usage: tests/fuzz/run.sh [RUNS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-100000}
shift || true
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
    targets=(response_reader cookie_store result_page query_cp1254 site_request dictd_files index_file)
fi

export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
cmake --preset asan >/dev/null
cmake --build --preset asan --target vorlinda_fuzz -j "$(nproc)"
# UB stops a run as a crash does.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-asan/crashes
for target in "${targets[@]}"; do
    mkdir -p "$work/$target"
    if [ -d tests/fuzz/corpus/"$target" ]; then
        cp tests/fuzz/corpus/"$target"/* "$work/$target/"
    fi
    # The index reader's seeds come from this build's own writer (of the
    # current format).
    if [ "$target" = index_file ]; then
        build-asan/tests/fuzz/fuzz_index_seeds "$work/$target"
    fi
    if [ -d tests/fuzz/regressions/"$target" ]; then
        cp tests/fuzz/regressions/"$target"/* "$work/$target/"
    fi
    # Inputs of 1 KiB reach every limit of the readers (64-byte lines for the
    # response reader); the result page's scan window is 15000 bytes. A
    # dictd file of 1 KiB inflates to 1 MiB at most, so no allocation for it
    # may pass 4 MiB, whatever size its header or index declares.
    maxLength=1024 mallocLimit=64
    [ "$target" = result_page ] && maxLength=16384
    [ "$target" = dictd_files ] && mallocLimit=4
    echo "== $target: $runs runs"
    log=build-asan/crashes/$target.log
    if ! build-asan/tests/fuzz/libfuzzer_"$target" -runs="$runs" -max_len=$maxLength \
        -malloc_limit_mb=$mallocLimit -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix=build-asan/crashes/"$target"- "$work/$target" >"$log" 2>&1; then
        grep -v -E '^#[0-9]+' "$log" | tail -n 60
        exit 1
    fi
    grep -E '^(Done|stat::average_exec_per_sec)' "$log"
done
