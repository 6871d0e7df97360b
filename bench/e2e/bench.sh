#!/usr/bin/env bash
# The program as a user meets it, side by side in one run with a bare Qt
# window of the same size (the floor) and, where it is installed, GoldenDict
# (the peer), all under one virtual display in a private network namespace:
#   - start: exec to the program's main window mapped (a MapNotify seen by
#     an X client watching the root window);
#   - PSS: proportional set size of the program's whole process tree, 3 s after
#     its window was mapped (for Project1, once its first pages are loaded);
#     a sample taken while a process outside the program mapped the same web
#     engine reads low (PSS splits shared pages) and is marked and left out;
#   - for Project1, Enter to the result for "hello": file written and shown;
#   - the first lookup after start, then a later one: each round starts
#     Project1 and GoldenDict (English → Turkish only) afresh, times click
#     (Enter) → answer painted for one word, then for another, and counts the
#     plain-white frames on the way; FIRST_ROUNDS rounds (default 5), one word
#     of the five each;
#   - click → answer painted: a click on Çewir in Project1 against the site,
#     and Enter in GoldenDict's search line (once reading every FreeDict
#     dictionary installed, once only English → Turkish), for 5 words in
#     turns, ANSWER_ROUNDS rounds (default 7) after one not counted. A poller
#     reads the pixels of the answer area every 0.3 ms or so; the answer is the
#     first frame from which the area stays as it ends (1.5 s).
# The programs take turns, RUNS rounds (default 5) after one round that warms
# the caches and is not counted; the medians are printed with their ratios.
# PARTS (default "start first answer") picks the parts to run; PEER= leaves
# GoldenDict out.
#
#   bench.sh PROJECT1 VORLINDA_SITE FLOOR PAINT_POLL [RUNS]
set -euo pipefail
source "$(dirname "$0")/../../tests/e2e/session.sh"

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    echo "usage: $0 PROJECT1 VORLINDA_SITE FLOOR PAINT_POLL [RUNS]" >&2
    exit 2
fi
session_begin "$0" "$@"
program=$1
site=$2
floor=$3
poll=$4
runs=${5:-5}
parts=${PARTS:-start first answer}
first_rounds=${FIRST_ROUNDS:-5}
answer_rounds=${ANSWER_ROUNDS:-7}
peer=${PEER-$(command -v goldendict || true)}

now_ms() {
    local t=$EPOCHREALTIME
    echo $((${t/./} / 1000))
}

# pss_kib PID: proportional set size of PID and all its descendants, in
# $pss_total (KiB); the processes walked in $tree.
pss_kib() {
    local total=0 pid stat ppid line child queue=("$1") seen=" $1 "
    tree=()
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
        tree+=("$pid")
        kib=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
        total=$((total + ${kib:-0}))
        for child in ${children[$pid]:-}; do
            case "$seen" in *" $child "*) continue ;; esac
            seen+="$child "
            queue+=("$child")
        done
    done
    pss_total=$total
}

# shared_elsewhere LIBRARY: how many processes outside the last tree that
# pss_kib walked map LIBRARY. PSS splits a shared page among all who map it, so
# another program of the same engine running at the same time (a test, say)
# makes the sample read low.
shared_elsewhere() {
    local maps count=0 pid
    while read -r maps; do
        pid=${maps#/proc/}
        pid=${pid%/maps}
        case " ${tree[*]} " in *" $pid "*) ;; *) count=$((count + 1)) ;; esac
    done < <(grep -l "$1" /proc/[0-9]*/maps 2>/dev/null)
    echo "$count"
}

median() {
    printf '%s\n' "$@" | tr -d '*' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# launch NAME_PATTERN COMMAND...: starts COMMAND with an X client already
# watching the root window; returns once a top-level window whose name matches
# NAME_PATTERN is mapped, with $started (ms from exec to the map) and $pid.
launch() {
    local pattern=$1 line id t0
    shift
    coproc WATCH { exec stdbuf -oL xev -root -event substructure; }
    # shellcheck disable=SC2153 # coproc WATCH sets it
    local watch_pid=$WATCH_PID
    # xev prints its first event only once it is listening: make one.
    xdotool search --name "^no such window$" >/dev/null 2>&1 || true
    sleep 0.2
    t0=$(now_ms)
    "$@" >>"$work/program.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    started=
    while read -r -t 60 line <&"${WATCH[0]}"; do
        [[ $line == MapNotify* ]] || continue
        read -r -t 5 line <&"${WATCH[0]}"
        local now
        now=$(now_ms)
        [[ $line == *"override NO"* ]] || continue
        id=${line#*window }
        id=${id%%,*}
        if xdotool getwindowname "$id" 2>/dev/null | grep -q "$pattern"; then
            started=$((now - t0))
            break
        fi
    done
    kill "$watch_pid" 2>/dev/null || true
    wait "$watch_pid" 2>/dev/null || true
    [ -n "$started" ] || fail "no window named $pattern within 60 s"
}

stop() {
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

start_display
start_site "$site"
peer_home=$(mktemp -d "$work/peer-home.XXXXXX")

declare -A start=() memory=()
files=() shown=()

run_project1() {
    local runtime before_pages mapped_at
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    result="$runtime/vorlinda-sozluk/tmp.htm"
    before_pages=$(requests /ban.asp)
    before_translation=$(requests /res/cevir.htm)
    launch "^Vorlinda Dictionary" env XDG_RUNTIME_DIR="$runtime" HOME="$work/home" \
        QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 "$program"
    mapped_at=$(now_ms)
    program_pid=$pid
    loaded() {
        [ "$(requests /ban.asp)" -ge $((before_pages + 2)) ] &&
            [ "$(requests /res/cevir.htm)" -ge $((before_translation + 1)) ]
    }
    wait_for 60 "first pages" loaded
    sleep "$(awk -v left=$((3000 - ($(now_ms) - mapped_at))) 'BEGIN { print (left > 0 ? left : 0) / 1000 }')"
    pss_kib "$pid"
    sample=$((pss_total / 1024))
    [ "$(shared_elsewhere libQt6WebEngineCore)" -eq 0 ] || sample+="*"
    [ "$1" = count ] || { stop && return 0; }
    start[project1]+=" $started" memory[project1]+=" $sample"

    window_shown
    open_dictionary_tab
    result_view "$work/before.png"
    type_lookup hello
    local t0 shots first
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
    stop
}

# run_plain KEY PATTERN COMMAND...: start and memory of any other program.
run_plain() {
    local key=$1 count=$2 pattern=$3 library=$4
    shift 4
    launch "$pattern" "$@"
    sleep 3
    pss_kib "$pid"
    sample=$((pss_total / 1024))
    [ -z "$library" ] || [ "$(shared_elsewhere "$library")" -eq 0 ] || sample+="*"
    stop
    [ "$count" = count ] || return 0
    start[$key]+=" $started" memory[$key]+=" $sample"
}

round() {
    run_project1 "$1"
    echo "  Project1: start $started ms, $sample MiB" >&2
    run_plain floor "$1" "^Floor window" "" env QT_QPA_PLATFORM=xcb "$floor"
    echo "  floor:    start $started ms, $sample MiB" >&2
    if [ -n "$peer" ]; then
        run_plain peer "$1" "GoldenDict" libQt5WebKit env HOME="$peer_home" QT_QPA_PLATFORM=xcb "$peer"
        echo "  peer:     start $started ms, $sample MiB" >&2
    fi
}

# memory_median KEY: the median of the samples that nothing outside the
# program shared, or of all of them, marked, when there are none such.
# shellcheck disable=SC2086
memory_median() {
    local clean=() sample
    for sample in ${memory[$1]}; do [[ $sample == *"*" ]] || clean+=("$sample"); done
    if [ ${#clean[@]} -gt 0 ]; then median "${clean[@]}"; else echo "$(median ${memory[$1]})*"; fi
}

# shellcheck disable=SC2086
row() { # NAME KEY
    local s m
    s=$(median ${start[$2]}) m=$(memory_median $2)
    printf '%-24s %9s ms %8s MiB   start:%s   PSS:%s\n' "$1" "$s" "$m" "${start[$2]}" "${memory[$2]}"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

start_part() {
    echo "warming up (not counted)" >&2
    round warm
    for ((run = 1; run <= runs; run++)); do
        echo "round $run of $runs" >&2
        round count
    done

    printf '\n%-24s %12s %12s   runs\n' "median of $runs rounds" "start→window" "PSS"
    row Project1 project1
    row "bare Qt window (floor)" floor
    [ -z "$peer" ] || row "GoldenDict (peer)" peer
    # shellcheck disable=SC2086
    if [ -n "$peer" ]; then
        printf '%-24s %11s× %11s×\n' "Project1 / peer" \
            "$(ratio "$(median ${start[project1]})" "$(median ${start[peer]})")" \
            "$(ratio "$(memory_median project1 | tr -d '*')" "$(memory_median peer | tr -d '*')")"
    else
        echo "(no peer: install goldendict for the side-by-side ratios)"
    fi
    case "${memory[*]}" in *"*"*)
        echo "* PSS taken while another process mapped the same web engine: it reads low; the median leaves it out" ;;
    esac
    printf '\n%-44s %7s ms   %s\n' "Project1: Enter to result file written" "$(median "${files[@]}")" "${files[*]}"
    printf '%-44s %7s ms   %s\n' "Project1: Enter to result shown (screenshot)" "$(median "${shown[@]}")" "${shown[*]}"
}

# --- Click → answer painted ------------------------------------------------

answer_words=(hello book water house love)
declare -A answer=() answer_window=()
answer_first=() answer_blank=() answer_file=() answer_log=()
declare -A answer_whites=()

# peer_home_for NAME DICTIONARIES: a GoldenDict home that reads the
# dictionaries in the folder DICTIONARIES, without the full-text index (it
# would build in the background while the peer is timed). GoldenDict runs
# once per user and finds its running instance through the temporary
# folder: each home has its own.
peer_home_for() {
    local home="$work/peer-$1"
    mkdir -p "$home/.goldendict" "$home/tmp"
    cat >"$home/.goldendict/config" <<EOF
<config><paths><path recursive="0">$2</path></paths><preferences>
<checkForNewReleases>0</checkForNewReleases><enableTrayIcon>0</enableTrayIcon>
<fullTextSearch><enabled>0</enabled></fullTextSearch></preferences></config>
EOF
    echo "$home"
}

# poll_answer KEY X Y WIDTH HEIGHT ACTION...: the poller over that area of the
# window under test (raised first); its figures into the arrays.
poll_answer() {
    local key=$1 x=$2 y=$3 out
    out=$("$poll" $((origin_x + x)) $((origin_y + y)) "$4" "$5" "${@:6}") || fail "$key: no answer painted"
    # shellcheck disable=SC2086 # its lines on one
    echo "  $key:" $out >&2
    answer[$key]+=" $(awk '$1 == "answer" { print $2 }' <<<"$out")"
    answer_whites[$key]+=" $(awk '$1 == "whites" { print $2 }' <<<"$out")"
    if [ "$key" = project1 ]; then
        answer_first+=("$(awk '$1 == "first" { print $2 }' <<<"$out")")
        answer_blank+=("$(awk '$1 == "blank" { print $2 }' <<<"$out")")
        answer_file+=("$(awk '$1 == "file" { print $2 }' <<<"$out")")
        answer_log+=("$(awk '$1 == "log" { print $2 }' <<<"$out")")
    fi
}

# focus_window KEY: the window of KEY on top, with the keyboard.
focus_window() {
    xdotool windowraise "${answer_window[$1]}" windowfocus "${answer_window[$1]}"
    # shellcheck disable=SC2034 # the geometry's other fields, set by its eval
    local X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "${answer_window[$1]}")"
    origin_x=$X origin_y=$Y
    sleep 0.3
}

# look_up KEY WORD COUNT [PROGRAM]: one lookup in the program of KEY (PROGRAM,
# project1 or a GoldenDict, where KEY is not the program's own).
look_up() {
    focus_window "$1"
    if [ "${4:-$1}" = project1 ]; then
        click 268 133 && xdotool key ctrl+a && xdotool type --delay 10 "$2"
        sleep 0.3
        [ "$3" = count ] || { click 230 197 && sleep 1.5 && return 0; }
        poll_answer "$1" 10 228 470 340 click:$((origin_x + 230)),$((origin_y + 197)) --settle 1500 \
            --file "$result" --log "$work/site.log"
    else
        click 180 41 && xdotool key ctrl+a && xdotool type --delay 10 "$2"
        sleep 0.5
        [ "$3" = count ] || { xdotool key Return && sleep 1.5 && return 0; }
        poll_answer "$1" 4 100 420 400 key:Return --settle 1500
    fi
}

# start_for_answers KEY PATTERN COMMAND...: starts the program and keeps it.
start_for_answers() {
    local key=$1 pattern=$2
    shift 2
    launch "$pattern" "$@"
    answer_window[$key]=$(xdotool search --onlyvisible --pid "$pid" --name "$pattern" | tail -n 1)
}

answer_part() {
    local runtime one_pair round word key keys=(project1)
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    result="$runtime/vorlinda-sozluk/tmp.htm"
    start_for_answers project1 "^Vorlinda Dictionary" env XDG_RUNTIME_DIR="$runtime" \
        HOME="$work/home" QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 "$program"
    program_pid=$pid
    wait_for 60 "first pages" first_pages_loaded
    focus_window project1
    click 38 13
    sleep 1
    if [ -n "$peer" ]; then
        one_pair=$(mktemp -d "$work/one-pair.XXXXXX")
        ln -s /usr/share/dictd/freedict-eng-tur.index /usr/share/dictd/freedict-eng-tur.dict.dz "$one_pair/"
        for key in all one; do
            local home
            home=$(peer_home_for $key "$([ $key = all ] && echo /usr/share/dictd || echo "$one_pair")")
            start_for_answers $key "^GoldenDict$" env HOME="$home" TMPDIR="$home/tmp" \
                QT_QPA_PLATFORM=xcb "$peer"
        done
        keys+=(all one)
        # The first start indexes the dictionaries.
        wait_for 120 "dictionaries indexed" eval '! xdotool search --name Initializing >/dev/null'
    fi
    echo "click → answer: warming up (not counted)" >&2
    for ((round = 0; round <= answer_rounds; round++)); do
        [ "$round" -eq 0 ] || echo "click → answer: round $round of $answer_rounds" >&2
        for word in "${answer_words[@]}"; do
            for key in "${keys[@]}"; do
                look_up "$key" "$word" "$([ "$round" -gt 0 ] && echo count || echo warm)"
            done
        done
    done

    local n=$((answer_rounds * ${#answer_words[@]}))
    printf '\nclick → answer painted, ms, median (range) of %s lookups\n' "$n"
    # shellcheck disable=SC2086
    range() { printf '%s (%s–%s)' "$(median $1)" "$(printf '%s\n' $1 | sort -n | head -n 1)" \
        "$(printf '%s\n' $1 | sort -n | tail -n 1)"; }
    printf '%-44s %s\n' "Project1, click on Çewir" "$(range "${answer[project1]}")"
    if [ -n "$peer" ]; then
        printf '%-44s %s\n' "GoldenDict, Enter, all dictionaries" "$(range "${answer[all]}")"
        printf '%-44s %s\n' "GoldenDict, Enter, English → Turkish only" "$(range "${answer[one]}")"
        # shellcheck disable=SC2086
        printf '%-44s %s× / %s×\n' "Project1 / peer (all / one pair)" \
            "$(ratio "$(median ${answer[project1]})" "$(median ${answer[all]})")" \
            "$(ratio "$(median ${answer[project1]})" "$(median ${answer[one]})")"
    fi
    # shellcheck disable=SC2086
    printf 'Project1 from the click (medians): site logged the request %s ms, result file %s ms, first pixel %s ms, white %s ms, answer %s ms\n' \
        "$(median "${answer_log[@]}")" "$(median "${answer_file[@]}")" \
        "$(median "${answer_first[@]}")" "$(median "${answer_blank[@]}")" "$(median ${answer[project1]})"
}

# --- The first lookup after start, and a later one ---------------------------

first_part() {
    local round word later key home one_pair runtime
    local -a words=(hello book water house love)
    one_pair=$(mktemp -d "$work/one-pair.XXXXXX")
    ln -s /usr/share/dictd/freedict-eng-tur.index /usr/share/dictd/freedict-eng-tur.dict.dz "$one_pair/"
    [ -z "$peer" ] || home=$(peer_home_for first "$one_pair")
    for ((round = 0; round <= first_rounds; round++)); do
        word=${words[$((round % 5))]} later=${words[$(((round + 1) % 5))]}
        local count=count
        if [ "$round" -gt 0 ]; then
            echo "first lookup: round $round of $first_rounds" >&2
        else
            count=warm
            echo "first lookup: warming up (not counted)" >&2
        fi
        runtime=$(mktemp -d "$work/runtime.XXXXXX")
        result="$runtime/vorlinda-sozluk/tmp.htm"
        local pages=$(($(requests /ban.asp) + 2)) translation=$(($(requests /res/cevir.htm) + 1))
        start_for_answers first-project1 "^Vorlinda Dictionary" env XDG_RUNTIME_DIR="$runtime" \
            HOME="$work/home" QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 "$program"
        # shellcheck disable=SC2016 # expanded by eval, on every try
        wait_for 60 "first pages" eval '[ "$(requests /ban.asp)" -ge '$pages' ] && [ "$(requests /res/cevir.htm)" -ge '$translation' ]'
        focus_window first-project1
        click 38 13
        sleep 1
        answer_window[later-project1]=${answer_window[first-project1]}
        look_up first-project1 "$word" count project1
        look_up later-project1 "$later" count project1
        stop
        if [ -n "$peer" ]; then
            start_for_answers first-peer "^GoldenDict$" env HOME="$home" TMPDIR="$home/tmp" \
                QT_QPA_PLATFORM=xcb "$peer"
            wait_for 120 "dictionaries indexed" eval '! xdotool search --name Initializing >/dev/null'
            sleep 1
            answer_window[later-peer]=${answer_window[first-peer]}
            look_up first-peer "$word" count
            look_up later-peer "$later" count
            stop
        fi
        if [ "$count" = warm ]; then
            for key in first-project1 later-project1 first-peer later-peer; do
                answer[$key]='' answer_whites[$key]=''
            done
        fi
    done

    printf '\nfirst lookup after start, and a later one: click → answer painted, ms, median (range) of %s, and plain-white frames\n' "$first_rounds"
    # shellcheck disable=SC2086
    range() { printf '%s (%s–%s)' "$(median $1)" "$(printf '%s\n' $1 | sort -n | head -n 1)" \
        "$(printf '%s\n' $1 | sort -n | tail -n 1)"; }
    # shellcheck disable=SC2086
    whites() { printf '%s' "$(printf '%s\n' $1 | awk '{ n += $1 } END { print n + 0 }')"; }
    local which
    for which in first later; do
        printf '%-44s %-24s white frames %s\n' "Project1, $which lookup" \
            "$(range "${answer[$which-project1]}")" "$(whites "${answer_whites[$which-project1]}")"
        [ -z "$peer" ] || printf '%-44s %-24s white frames %s\n' "GoldenDict (English → Turkish), $which" \
            "$(range "${answer[$which-peer]}")" "$(whites "${answer_whites[$which-peer]}")"
        # shellcheck disable=SC2086
        [ -z "$peer" ] || printf '%-44s %s×\n' "Project1 / GoldenDict, $which" \
            "$(ratio "$(median ${answer[$which-project1]})" "$(median ${answer[$which-peer]})")"
    done
}

mkdir -p "$work/home"
case " $parts " in *" start "*) start_part ;; esac
case " $parts " in *" first "*) first_part ;; esac
case " $parts " in *" answer "*) answer_part ;; esac
