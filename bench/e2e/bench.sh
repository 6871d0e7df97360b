#!/usr/bin/env bash
# The program as a user meets it, against the stand-in site in a private
# network namespace with a virtual display: start to window shown, memory
# once the first pages have loaded, and Enter to the result for "hello" shown.
# Each figure is the median of RUNS runs (default 5), each with a new program.
#
#   bench.sh PROJECT1 VORLINDA_SITE [RUNS]
set -euo pipefail
source "$(dirname "$0")/../../tests/e2e/session.sh"

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 PROJECT1 VORLINDA_SITE [RUNS]" >&2
    exit 2
fi
session_begin "$0" "$@"
program=$1
site=$2
runs=${3:-5}

now_ms() {
    local t=$EPOCHREALTIME
    echo $((${t/./} / 1000))
}

# pss_kib PID: proportional set size of PID and all its descendants.
pss_kib() {
    local total=0 pid stat ppid line child queue=("$1") seen=" $1 "
    # Children by parent, from /proc/PID/stat (field 4, after the name).
    local -A children=()
    for stat in /proc/[0-9]*/stat; do
        { read -r line <"$stat"; } 2>/dev/null || continue
        pid=${line%% *}
        line=${line##*) }
        ppid=$(echo "$line" | cut -d' ' -f2)
        children[$ppid]+=" $pid"
    done
    while [ ${#queue[@]} -gt 0 ]; do
        pid=${queue[0]}
        queue=("${queue[@]:1}")
        local kib
        kib=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
        total=$((total + ${kib:-0}))
        for child in ${children[$pid]:-}; do
            case "$seen" in *" $child "*) continue ;; esac
            seen+="$child "
            queue+=("$child")
        done
    done
    echo "$total"
}

median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

start_display
start_site "$site"

starts=() memories=() files=() shown=()
for ((run = 1; run <= runs; run++)); do
    : >"$work/program.log"
    t0=$(now_ms)
    start_program "$program"
    wait_for 60 "main window" window_shown
    starts+=($(($(now_ms) - t0)))

    before_pages=$(requests /ban.asp)
    loaded() {
        [ "$(requests /ban.asp)" -ge $((before_pages + 2)) ] &&
            [ "$(requests /res/cevir.htm)" -ge "$run" ]
    }
    wait_for 60 "first pages" loaded
    # Let the pages that were asked for arrive and render.
    sleep 1
    memories+=($(($(pss_kib "$program_pid") / 1024)))

    open_dictionary_tab
    result_view "$work/before.png"
    type_lookup hello
    t0=$(now_ms)
    xdotool key Return
    wait_for 30 "result file" test -s "$result"
    files+=($(($(now_ms) - t0)))
    # Screenshots until the view is steady; "shown" is the first that already
    # looks like the steady one.
    shots=0
    while :; do
        shots=$((shots + 1))
        result_view "$work/view-$shots.png"
        echo "$(($(now_ms) - t0))" >"$work/view-$shots.ms"
        if [ "$shots" -ge 4 ] && ! cmp -s "$work/view-$shots.png" "$work/before.png" &&
            cmp -s "$work/view-$shots.png" "$work/view-$((shots - 1)).png" &&
            cmp -s "$work/view-$shots.png" "$work/view-$((shots - 3)).png"; then
            break
        fi
        [ "$shots" -lt 200 ] || fail "result view never became steady"
    done
    first=$shots
    while [ "$first" -gt 1 ] && cmp -s "$work/view-$((first - 1)).png" "$work/view-$shots.png"; do
        first=$((first - 1))
    done
    shown+=("$(cat "$work/view-$first.ms")")
    rm -f "$work"/view-*

    kill -TERM "$program_pid"
    wait "$program_pid" 2>/dev/null || true
    echo "run $run: start ${starts[-1]} ms, ${memories[-1]} MiB, result file ${files[-1]} ms, shown ${shown[-1]} ms" >&2
done

printf '\n%-44s %10s   %s\n' "measure (median of $runs runs)" "median" "runs"
printf '%-44s %7s ms   %s\n' "start to window shown" "$(median "${starts[@]}")" "${starts[*]}"
printf '%-44s %6s MiB   %s\n' "memory (PSS, program + web engine)" "$(median "${memories[@]}")" "${memories[*]}"
printf '%-44s %7s ms   %s\n' "Enter to result file written" "$(median "${files[@]}")" "${files[*]}"
printf '%-44s %7s ms   %s\n' "Enter to result shown (screenshot)" "$(median "${shown[@]}")" "${shown[*]}"
