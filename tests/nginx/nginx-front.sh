#!/usr/bin/env bash
# The site behind Debian's nginx as packaging/nginx/vorlinda-site.conf sets it
# up: two instances on 127.0.0.1, lookups over https through nginx (its
# certificate made here) for 12 s, one instance killed at 4 s and started
# again at 8 s. Fails on a failed lookup or a body unlike the instance's own
# answer, on a second cookie, on a request target that reaches a site other
# than as sent, and when the started-again instance gets no request.
#
#   nginx-front.sh NGINX SITE_PROGRAM NGINX_CONF
set -euo pipefail
nginx=$1 site=$2
work=$(mktemp -d /tmp/vorlinda-nginx-XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait; rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2 && exit 1; }
# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds, or fails.
wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do [ $SECONDS -lt $end ] && sleep 0.05 || return 1; done
}
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# start_site N PORT: instance N on PORT (0: any), its log in site-N.log.
start_site() {
    "$site" --listen 127.0.0.1 --port "$2" 2>>"$work/site-$1.log" &
    pids+=("$!")
    wait_for 20 grep -qs "listening on" "$work/site-$1.log" || fail "instance $1 did not start"
}
port_of() { grep -o 'listening on http://127.0.0.1:[0-9]*' "$work/site-$1.log" | tail -1 | cut -d: -f3; }
start_site 1 0
start_site 2 0
first=$(port_of 1) second=$(port_of 2)
first_pid=${pids[0]}
touch "$work/site-3.log" "$work/sent"

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
plain=$(free_port) tls=$(free_port)
sed -e "s/127.0.0.1:8081/127.0.0.1:$first/" -e "s/127.0.0.1:8082/127.0.0.1:$second/" \
    -e "s/listen 80;/listen 127.0.0.1:$plain;/" -e "s/listen 443 ssl;/listen 127.0.0.1:$tls ssl;/" \
    -e '/listen \[::\]/d' -e "s|/etc/ssl/certs/ssl-cert-snakeoil.pem|$work/cert.pem|" \
    -e "s|/etc/ssl/private/ssl-cert-snakeoil.key|$work/key.pem|" \
    -e 's/shared:vorlinda_site_tls:1m/off/' "$3" >"$work/vorlinda-site.conf"
cat >"$work/nginx.conf" <<EOF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 256; }
http {
    access_log $work/access.log;
    client_body_temp_path $work/body;
    proxy_temp_path $work/proxy;
    fastcgi_temp_path $work/fastcgi;
    uwsgi_temp_path $work/uwsgi;
    scgi_temp_path $work/scgi;
    include $work/vorlinda-site.conf;
}
EOF
"$nginx" -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
pids+=("$!")
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
wait_for 10 listening "$tls" || fail "nginx did not start: $(cat "$work/error.log")"

# Targets as the program writes them: Windows-1254 bytes, escaped blanks and
# signs, the French code's own blank.
targets=()
for query in 'english&selectTo=turkish&txtLang=house' 'turkish&selectTo=english&txtLang=k%FD%FE' \
    'turkish&selectTo=english&txtLang=%F6%F0retmen' 'german&selectTo=turkish&txtLang=Stra%DFe' \
    'french%20&selectTo=english&txtLang=caf%E9' 'english&selectTo=turkish&txtLang=black%20bird' \
    'english&selectTo=turkish&txtLang=rock%26roll' 'turkish&selectTo=german&txtLang=zzqxj'; do
    targets+=("/index.php?selectFrom=$query&submitButton=Search")
done
# Each target's page straight from an instance: what nginx must hand on.
for i in "${!targets[@]}"; do
    echo "${targets[$i]}" >>"$work/sent"
    curl -sf -o "$work/expected-$i" "http://127.0.0.1:$second${targets[$i]}" ||
        fail "instance 2 does not answer ${targets[$i]}"
done
logged() { grep -c ' GET /index.php' "$work/site-$1.log" || true; }
# The site writes a request's line just after its answer.
caught_up() { [ $(($(logged 1) + $(logged 2) + $(logged 3))) -ge "$(wc -l <"$work/sent")" ]; }

sent=0 failed=0 wrong=0 killed=0 restarted=0
start=${EPOCHREALTIME//[.,]/}
while now=${EPOCHREALTIME//[.,]/} && [ $((now - start)) -lt 12000000 ]; do
    if [ $killed = 0 ] && [ $((now - start)) -ge 4000000 ]; then
        # Every answer so far logged first: a SIGKILL would lose a line not
        # yet written, not a request.
        wait_for 10 caught_up || fail "the sites did not log every request"
        kill -KILL "$first_pid" && killed=1
        wait "$first_pid" 2>/dev/null || true # reaped quietly, without bash's "Killed"
    elif [ $restarted = 0 ] && [ $((now - start)) -ge 8000000 ]; then
        start_site 3 "$first" && restarted=1
    fi
    i=$((sent % ${#targets[@]}))
    sent=$((sent + 1))
    echo "${targets[$i]}" >>"$work/sent"
    if ! curl -sSf --cacert "$work/cert.pem" -b "$work/jar" -c "$work/jar" -D "$work/head-$sent" \
        -o "$work/answer" "https://127.0.0.1:$tls${targets[$i]}"; then
        failed=$((failed + 1)) && echo "lookup $sent (${targets[$i]}) failed" >&2
    elif ! cmp -s "$work/answer" "$work/expected-$i"; then
        wrong=$((wrong + 1))
    fi
done
cookies=$(cat "$work"/head-* | grep -ci '^set-cookie:' || true)

# Every target the sites logged, against every one sent.
wait_for 10 caught_up || true # a failed lookup may never have reached a site
requests=$(printf 'first %s (then %s after its restart), second %s' "$(logged 1)" "$(logged 3)" "$(logged 2)")
cat "$work"/site-[123].log | awk '$3 == "GET" && $4 ~ /^\/index.php/ { print $4 }' | sort >"$work/arrived"
intact=$(sort "$work/sent" | cmp -s - "$work/arrived" && echo yes || echo NO)

echo "$sent lookups over https in 12 s, instance 1 killed at 4 s and started again at 8 s:" \
    "$failed failed, $wrong wrong bodies, $cookies cookies handed out; $requests;" \
    "every target as sent: $intact"
{ [ "$failed" = 0 ] && [ "$wrong" = 0 ] && [ "$cookies" = 1 ] && [ "$(logged 3)" -gt 0 ] &&
    [ "$intact" = yes ]; } || fail "see above"
echo passed
