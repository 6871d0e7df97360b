# shellcheck shell=bash
# Shared by the end-to-end tests and the benchmark: the program and the
# stand-in site in a private network namespace with a virtual display.
# Source it, then call session_begin "$0" "$@" first thing.

# session_begin SCRIPT ARGS...: re-runs SCRIPT in a network namespace of its
# own (as a user, in a user namespace too), and where it may, a mount namespace
# with a private X socket directory. Then it brings up loopback and a scratch
# directory $work that is removed on exit.
session_begin() {
    if [ -z "${VORLINDA_SESSION_INSIDE:-}" ]; then
        export VORLINDA_SESSION_INSIDE=1
        local spaces=(--net)
        [ "$(id -u)" -eq 0 ] || spaces=(--map-root-user "${spaces[@]}")
        ! unshare "${spaces[@]}" --mount -- true 2>/dev/null || spaces+=(--mount)
        exec unshare "${spaces[@]}" -- "$@"
    fi
    ip link set lo up
    # An empty /tmp/.X11-unix of our own, so that the virtual display shares no
    # socket file with any other X server on the machine (each picks display 0
    # in its own network namespace, and a server unlinks the socket file of its
    # display both when it starts and when it exits).
    x_sockets_private=no
    if [ -d /tmp/.X11-unix ] && mount -t tmpfs -o mode=1777,size=1m vorlinda-x11 /tmp/.X11-unix 2>/dev/null; then
        x_sockets_private=yes
    fi
    work=$(mktemp -d)
    pids=()
    trap session_end EXIT
}

session_end() {
    local status=$? log
    kill -TERM "${pids[@]}" 2>/dev/null || true
    wait "${pids[@]}" 2>/dev/null || true
    if [ "$status" -ne 0 ]; then
        echo "--- X socket directory private: $x_sockets_private"
        for log in "$work"/{xvfb,site,program}.log; do
            [ ! -s "$log" ] || { echo "--- $(basename "$log") (end)" && tail -n 40 "$log"; }
        done
    fi
    rm -rf "$work"
}

fail() { echo "FAIL: $*" >&2 && exit 1; }

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds. (Its
# arguments are expanded once: poll a function for anything that changes.)
wait_for() {
    local limit=$1 what=$2 deadline=$((SECONDS + $1))
    shift 2
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "no $what within $limit s"
        sleep 0.05
    done
}

# start_display: Xvfb inside the namespace; it picks a free display number.
# The program starts only once the display answers a client. A display that
# dies on the way up is the machine's fault, not the program's: it is tried
# again, twice at most, with its log kept.
start_display() {
    local attempt
    for attempt in 1 2 3; do
        try_display && return 0
        echo "virtual display, attempt $attempt, did not come up:" >&2
        tail -n 20 "$work/xvfb.log" >&2
    done
    fail "no virtual display"
}

try_display() {
    # With a socket directory of its own, the display number is ours alone:
    # no lock file for it in the machine's /tmp.
    local lock=() deadline=$((SECONDS + 20))
    [ "$x_sockets_private" = no ] || lock=(-nolock)
    : >"$work/display"
    # -noreset: the display stays as it is when its last client leaves, so
    # the program never connects while it is being reset.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "${lock[@]}" \
        3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    pids+=("$xvfb_pid")
    until grep -q '^[0-9][0-9]*$' "$work/display"; do
        display_starting "$deadline" || return 1
    done
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    until xdpyinfo >/dev/null 2>&1; do
        display_starting "$deadline" || return 1
    done
}

# display_starting DEADLINE: false, with the server stopped, once the server
# has exited or DEADLINE has passed.
display_starting() {
    kill -0 "$xvfb_pid" 2>/dev/null && [ "$SECONDS" -lt "$1" ] && sleep 0.05 && return 0
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    return 1
}

# start_site SITE: the stand-in site on port 80, or on $E2E_SITE_PORT with the
# program pointed at it by --site; its log is $work/site.log.
site_port=${E2E_SITE_PORT:-80}
start_site() {
    "$1" --port "$site_port" 2>>"$work/site.log" &
    site_pid=$!
    pids+=("$site_pid")
    wait_for 20 "site listening on port $site_port" \
        grep -q "listening on http://127.0.0.1:$site_port/" "$work/site.log"
}

# requests PATTERN: how many logged requests match PATTERN (a grep pattern,
# any letter case).
requests() { grep -ci " GET $1" "$work/site.log" || true; }

# start_program PROJECT1: the program, with a private runtime directory (mktemp
# makes it 0700) that holds its result file $result.
start_program() {
    local runtime
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    mkdir -p "$work/home"
    # shellcheck disable=SC2034 # for the scripts that source this one
    result="$runtime/vorlinda-sozluk/tmp.htm"
    XDG_RUNTIME_DIR=$runtime HOME="$work/home" QT_QPA_PLATFORM=xcb \
        QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu \
        "$1" ${E2E_SITE_PORT:+--site "http://localhost:$E2E_SITE_PORT"} >>"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}

# window_shown: true once the main window is mapped; $window is its id and
# $origin_x, $origin_y its place.
window_shown() {
    kill -0 "$program_pid" 2>/dev/null || fail "the program exited"
    window=$(xdotool search --onlyvisible --name "^Vorlinda Dictionary" 2>/dev/null | head -n 1)
    [ -n "$window" ] || return 1
    # shellcheck disable=SC2034 # the geometry's other fields, set by its eval
    local X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$window")"
    origin_x=$X origin_y=$Y
}

# first_pages_loaded: both banners and the translation page were asked for.
first_pages_loaded() { [ "$(requests /ban.asp)" -ge 2 ] && [ "$(requests /res/cevir.htm)" -ge 1 ]; }

# click X Y: a click at X, Y of the window's client area.
click() { xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1; }

# open_dictionary_tab: the dictionary tab, then the focus into the word field.
open_dictionary_tab() { click 38 13 && click 268 133; }

# type_lookup WORD [DOWNS [TARGET_DOWNS]]: types WORD over the word field's
# text, then Enter in the word field and in both lists, with DOWNS presses of
# Down in the source list first and TARGET_DOWNS (DOWNS unless given) in the
# target list. Enter in the target list starts the lookup.
type_lookup() {
    local downs=() targetDowns=() i
    for ((i = 0; i < ${2:-0}; i++)); do downs+=(Down); done
    for ((i = 0; i < ${3:-${2:-0}}; i++)); do targetDowns+=(Down); done
    xdotool key ctrl+a
    xdotool type --delay 30 "$1"
    xdotool key --delay 30 Return "${downs[@]}" Return "${targetDowns[@]}"
}

# result_view FILE: a screenshot of the result web view.
result_view() {
    import -window root -crop 470x340+$((origin_x + 10))+$((origin_y + 228)) "$1" 2>/dev/null
}
