#!/usr/bin/env bash
# Installs what is needed, builds the program and the stand-in site, starts the
# site on port 80 of localhost (where the program looks for it), runs the
# program and stops the site again when the program exits.
# A site that already answers on localhost:80 (say the vorlinda-site service)
# is used as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja
cmake --build build --target Project1 vorlinda-site

site=build/site/vorlinda-site
site_log=build/vorlinda-site.log
site_pid=""

port_open() {
    (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null
}

stop_site() {
    if [ -n "$site_pid" ] && kill -0 "$site_pid" 2>/dev/null; then
        kill -TERM "$site_pid" 2>/dev/null || true
        wait "$site_pid" 2>/dev/null || true
    fi
}
trap stop_site EXIT

if port_open; then
    echo "A site already answers on localhost:80; the program will use it."
else
    # Port 80 needs root, the capability to bind it, or a lowered
    # net.ipv4.ip_unprivileged_port_start.
    run_as=()
    unprivileged_start=$(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024)
    if [ "$(id -u)" -ne 0 ] && [ "$unprivileged_start" -gt 80 ] &&
        ! getcap "$site" 2>/dev/null | grep -q cap_net_bind_service; then
        if command -v sudo >/dev/null; then
            echo "Port 80 needs root: starting the site with sudo."
            run_as=(sudo)
        else
            echo "Port 80 needs root. Run this as root, or let the site bind it with" >&2
            echo "  setcap cap_net_bind_service=+ep $site" >&2
            exit 1
        fi
    fi
    "${run_as[@]}" "$site" 2>"$site_log" &
    site_pid=$!
    deadline=$((SECONDS + 15))
    until port_open; do
        if ! kill -0 "$site_pid" 2>/dev/null; then
            wait "$site_pid" || true
            site_pid=""
            cat "$site_log" >&2
            echo "The site did not start (above). If port 80 is taken, stop what holds it" >&2
            echo "(ss -ltnp 'sport = :80' shows it) or let that be the site." >&2
            exit 1
        fi
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "The site did not listen on port 80 within 15 s; see $site_log." >&2
            exit 1
        fi
        sleep 0.1
    done
    echo "Site started on localhost:80; requests are logged in $site_log."
fi

if [ "$(id -u)" -eq 0 ]; then
    # The web engine's sandbox refuses to run as root.
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi
build/app/vorlinda-sozluk "$@"
