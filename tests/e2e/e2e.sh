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
#   polish     Polish to Turkish, "łódź": the letters Windows-1254 lacks go
#              as character references ("ó" as its byte), the result has
#              "kayık", the window shows it
#   site-down  a lookup, then the site is killed and Enter in the target list
#              shows the failure message; after OK the failure page shows and
#              the result file is left as it was
#   keyboard   the taskbar's title and icons; clicks on the tabs, then Ctrl+Tab;
#              the Enter chain through both lists dropped down (8 rows each)
#              to a lookup from Turkish to English
set -euo pipefail
source "$(dirname "$0")/session.sh"

if [ $# -ne 4 ] || ! [[ $1 =~ ^(hello|turkish|polish|site-down|keyboard)$ ]]; then
    echo "usage: $0 hello|turkish|polish|site-down|keyboard PROJECT1 VORLINDA_SITE ARTIFACT_DIR" >&2 && exit 2
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
[ "$scenario" != polish ] || setxkbmap pl
start_site "$3"
start_program "$2"
wait_for 60 "main window" window_shown
wait_for 60 "banner and translation page requests" first_pages_loaded
# The keyboard session starts from the focus the window opens with.
[ "$scenario" = keyboard ] || open_dictionary_tab
shot start

# view_changed: the result view, twice the same and unlike before the lookup.
view_changed() {
    result_view "$work/now.png" || return 1
    sleep 0.3
    result_view "$work/again.png" || return 1
    cmp -s "$work/now.png" "$work/again.png" && ! cmp -s "$work/now.png" "$work/before.png"
}

# lookup WORD DOWNS SENT TARGET [TARGET_DOWNS]: looks WORD up (see
# type_lookup); the site was asked for SENT, the result file holds a pair
# whose target contains TARGET, and the window shows the result.
lookup() {
    result_view "$work/before.png"
    type_lookup "$1" "$2" "${5:-$2}"
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
polish) lookup "łódź" 11 "%26%23322%3B%F3d%26%23378%3B" "kayık" 0 ;;
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
keyboard)
    taskbar=$(xprop -id "$window" WM_CLASS _NET_WM_ICON_NAME _NET_WM_ICON | grep -E '^[A-Z_]+\(|Icon \(')
    echo "$taskbar"
    for want in '_NET_WM_ICON_NAME(UTF8_STRING) = "Vorlinda Sozluk"' 'Icon (48 x 48)' 'Icon (32 x 32)'; do
        grep -qF "$want" <<<"$taskbar" || fail "the taskbar has no $want"
    done
    # words FILE: the word field and the lists, where the dictionary tab has them.
    words() { import -window root -crop 330x55+$((origin_x + 110))+$((origin_y + 118)) "$1" 2>/dev/null; }
    settled() { words "$work/a.png" && sleep 0.3 && words "$work/b.png" && cmp -s "$work/a.png" "$work/b.png"; }
    on_dictionary_tab() { settled && cmp -s "$work/b.png" "$work/dictionary.png"; }
    off_dictionary_tab() { settled && ! cmp -s "$work/b.png" "$work/dictionary.png"; }
    click_tab() { click "$1" 13 && xdotool mousemove $((origin_x + 480)) $((origin_y + 620)); }
    click_tab 38
    wait_for 10 "settled dictionary tab" settled
    cp "$work/b.png" "$work/dictionary.png"
    xdotool key ctrl+Tab
    wait_for 10 "translation tab after a click on the dictionary tab and Ctrl+Tab" off_dictionary_tab
    click_tab 150 && xdotool key ctrl+Tab
    wait_for 10 "dictionary tab after a click on the translation tab and Ctrl+Tab" on_dictionary_tab

    list_open() {
        popup=$(xdotool search --onlyvisible --class '^Vorlinda Sozluk$' 2>/dev/null | grep -vx "$window" | head -n 1)
        [ -n "$popup" ]
    }
    list_closed() { ! list_open; }
    # pick LIST: drops the focused list down, checks it shows 8 rows of 13
    # pixels (and a frame), picks the next item with Down and Enter.
    pick() {
        xdotool key alt+Down
        wait_for 10 "$1 dropped down" list_open
        shot "$1"
        # shellcheck disable=SC2034 # the geometry's other fields, set by its eval
        local X Y WIDTH HEIGHT SCREEN
        eval "$(xdotool getwindowgeometry --shell "$popup")"
        if [ "$HEIGHT" -lt $((8 * 13)) ] || [ "$HEIGHT" -gt $((8 * 13 + 4)) ]; then
            fail "$1 dropped down is $HEIGHT pixels high, not 8 rows of 13"
        fi
        xdotool key Down Return
        wait_for 10 "$1 closed" list_closed
    }
    click 268 133
    xdotool key Return
    pick ComboBox1
    pick ComboBox2
    asked() { [ "$(requests "/index.php?selectFrom=turkish&selectTo=english&txtLang=hello&")" -eq 1 ]; }
    wait_for 30 "lookup from Turkish to English after Enter in both open lists" asked
    ;;
esac
kill -0 "$program_pid" 2>/dev/null || fail "the program exited"
echo "PASS ($scenario)"
