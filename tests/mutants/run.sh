#!/usr/bin/env bash
# Applies each listed breakage in turn to a private copy of the tree, rebuilds,
# runs the tests of the breakage's ctest label (up to the first that fails) and
# reports every breakage that no test catches. The work tree itself is never
# touched.
#
#   tests/mutants/run.sh [LIST ...]     LIST: a *.list name here, e.g. lookup
#
# MUTANT_DIR (default /tmp/vorlinda-mutants) holds the copy and its build.
# Exit status: 0 when every breakage is caught.
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
work=${MUTANT_DIR:-/tmp/vorlinda-mutants}
lists=("$@")
if [ ${#lists[@]} -eq 0 ]; then
    for list in "$src"/tests/mutants/*.list; do
        list=${list##*/}
        lists+=("${list%.list}")
    done
fi

mkdir -p "$work/src"
# By content, and with fresh times on what changed, so that the build never
# keeps an object of a breakage left over from an interrupted run.
rsync -rlpc --delete --exclude '/build*' --exclude /.git "$src/" "$work/src/"
rm -f "$work"/build*/prepared
launcher=$(command -v ccache || true)
# prepare BUILD CMAKE-ARGS...: configures and builds the unbroken tree in
# $work/BUILD the first time a breakage needs it. The windows label's tests
# are those of the MinGW build, run under Wine.
prepare() {
    local build=$work/$1
    shift
    [ ! -f "$build/prepared" ] || return 0
    cmake -S "$work/src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" \
        ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} >/dev/null || exit 2
    cmake --build "$build" >"$work/build.log" 2>&1 || { tail -20 "$work/build.log"; exit 2; }
    touch "$build/prepared"
}

total=0
missed=()
mutant() { # LABEL FILE SED-SCRIPT WHAT
    local label=$1 file=$work/src/$2 what=$4 verdict build=$work/build
    total=$((total + 1))
    if [ "$label" = windows ]; then
        build=$work/build-windows
        prepare build-windows --toolchain "$work/src/cmake/mingw-w64.cmake"
    else
        prepare build -DVORLINDA_BUILD_BENCH=OFF
    fi
    cp "$file" "$work/original"
    sed -i "$3" "$file"
    if cmp -s "$file" "$work/original"; then
        verdict="DOES NOT APPLY"
    elif ! cmake --build "$build" >"$work/build.log" 2>&1; then
        verdict="DOES NOT BUILD"
    # The site's tests read the installed dictionaries through indexes that
    # the build's own site writes once and then finds current: written anew
    # by the broken site, as a fresh build would, never one breakage's
    # indexes under the next one's tests.
    elif rm -rf "$build/answer-indexes" &&
        ctest --test-dir "$build" -L "^$label\$" -j "$(nproc)" --stop-on-failure \
            >"$work/test.log" 2>&1; then
        verdict="NOT CAUGHT"
    else
        verdict="caught"
    fi
    cp "$work/original" "$file"
    printf '%-14s %s (%s)\n' "$verdict" "$what" "$2"
    [ "$verdict" = caught ] || missed+=("$what")
}
for list in "${lists[@]}"; do
    # shellcheck source=/dev/null # the lists only call mutant
    source "$src/tests/mutants/$list.list"
done
for build in "$work"/build "$work"/build-windows; do
    [ ! -f "$build/prepared" ] || cmake --build "$build" >/dev/null 2>&1
done
echo "$((total - ${#missed[@]})) of $total breakages caught"
[ ${#missed[@]} -eq 0 ]
