#!/usr/bin/env bash
# Runs the program and the stand-in site together, as a user would: both in a
# private network namespace (port 80 is free there and nothing leaves the
# machine) with a virtual display, the window driven with xdotool.
#
#   e2e.sh SCENARIO PROJECT1 VORLINDA_SITE ARTIFACT_DIR
#
# Scenarios:
#   hello      English to Turkish, "hello": the site is asked, the result file
#              holds a pair whose target contains "merhaba", the window shows it
#   turkish    Turkish to English, "kuş": the request carries the word's
#              Windows-1254 bytes, the result has "bird", the window shows it
#   site-down  a lookup, then the site is killed and Enter in the target list
#              shows the failure message; after OK the failure page shows and
#              the result file is left as it was
set -euo pipefail
source "$(dirname "$0")/session.sh"

if [ $# -ne 4 ] || ! [[ $1 =~ ^(hello|turkish|site-down)$ ]]; then
    echo "usage: $0 hello|turkish|site-down PROJECT1 VORLINDA_SITE ARTIFACT_DIR" >&2 && exit 2
fi
session_begin "$0" "$@"
scenario=$1
mkdir -p "$4"
artifacts=$(realpath "$4")
rm -f "$artifacts/e2e-$scenario-"*.png

shot() { import -window root "$artifacts/e2e-$scenario-$1.png" 2>/dev/null || true; }
fail() {
    echo "FAIL ($scenario): $*; screenshots: $artifacts/e2e-$scenario-*.png" >&2
    [ -z "${DISPLAY:-}" ] || shot failed
    exit 1
}

start_display
# A keyboard with the letter on a key of its own, set before the program
# starts: otherwise xdotool maps a spare key to "ş" just before it presses it,
# and on a busy machine the program can read the press before it has seen the
# new mapping.
[ "$scenario" != turkish ] || setxkbmap tr
start_site "$3"
start_program "$2"
wait_for 60 "main window" window_shown
wait_for 60 "banner and translation page requests" first_pages_loaded
open_dictionary_tab
shot start

# view_changed: the result view, twice the same and unlike before the lookup.
view_changed() {
    result_view "$work/now.png" || return 1
    sleep 0.3
    result_view "$work/again.png" || return 1
    cmp -s "$work/now.png" "$work/again.png" && ! cmp -s "$work/now.png" "$work/before.png"
}

# lookup WORD DOWNS SENT TARGET: looks WORD up (see type_lookup); the site was
# asked for SENT, the result file holds a pair whose target contains TARGET,
# and the window shows the result.
lookup() {
    result_view "$work/before.png"
    type_lookup "$1" "$2"
    xdotool key Return
    asked() { [ "$(requests "/index.php?.*txtLang=$1&")" -ge 1 ]; }
    wait_for 30 "request for \"$3\"" asked "$3"
    wait_for 30 "result file" test -s "$result"
    local row='<td width="%50"><font face=verdana size=2>[^<]*'"$4"
    wait_for 10 "pair with \"$4\" in the result file" grep -qi -- "$row" "$result"
    wait_for 20 "result in the window" view_changed
    shot result
}

case "$scenario" in
hello) lookup hello 0 hello merhaba ;;
turkish)
    lookup "kuş" 1 "ku%FE" bird
    [ "$(requests "/index.php?selectFrom=turkish&selectTo=english&")" -eq 1 ] ||
        fail "not asked from Turkish to English"
    ;;
site-down)
    lookup hello 0 hello merhaba
    cp "$work/now.png" "$work/result.png"
    written=$(stat -c %y "$result")
    kill -KILL "$site_pid"
    wait "$site_pid" 2>/dev/null || true
    # The focus is still in the target list.
    xdotool key Return
    message_box() {
        box=$(xdotool search --onlyvisible --name "^Vorlinda Sozluk$" 2>/dev/null | head -n 1)
        [ -n "$box" ]
    }
    wait_for 30 "failure message box" message_box
    shot message
    # The box aside, the view shows the waiting page while the box is up.
    xdotool windowmove "$box" 0 0
    result_view "$work/waiting.png"
    xdotool windowfocus --sync "$box" key Return
    message_closed() { ! message_box; }
    wait_for 10 "message box closed" message_closed
    failure_page() {
        view_changed && ! cmp -s "$work/now.png" "$work/result.png" &&
            ! cmp -s "$work/now.png" "$work/waiting.png"
    }
    wait_for 20 "failure page in the window" failure_page
    shot failure-page
    [ "$(stat -c %y "$result")" = "$written" ] || fail "the result file was written again"
    ;;
esac
kill -0 "$program_pid" 2>/dev/null || fail "the program exited"
echo "PASS ($scenario)"
