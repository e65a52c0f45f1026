#!/usr/bin/env bash
# Throughput of the mnemonic service against nginx serving a static page of the same size,
# both measured by wrk with the same keep-alive connections on loopback, in one invocation,
# in alternating two-second slices.
#
#   bench/mnemonic_service_bench.sh [path/to/lexiquill-mnemonic-service] [seconds] [connections]
#
# Defaults: build/src/lexiquill-mnemonic-service (build it RelWithDebInfo), 10 seconds, 16
# connections. Prints one figure a line: requests per second of each, their ratio, errors
# (socket errors plus non-2xx answers) of each, the page size, and the service's resident
# memory before and after its run. Installs wrk and nginx-light when they are missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
service=${1:-$root/build/src/lexiquill-mnemonic-service}
seconds=${2:-10}
connections=${3:-16}
threads=2  # wrk's own threads; the machine has two cores

[ -x "$service" ] || { echo "no service executable at $service (build it first)" >&2; exit 2; }

missing=()
command -v wrk >/dev/null || missing+=(wrk)
[ -x /usr/sbin/nginx ] || missing+=(nginx-light)
command -v curl >/dev/null || missing+=(curl)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi

work=$(mktemp -d)
chmod 755 "$work"  # nginx workers run as another user when started as root
service_pid=""
nginx_pid=""
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

# A port nobody listens on right now (loopback only).
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 20000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

wait_for() {
    for _ in $(seq 100); do
        curl -sf -o /dev/null "$1" && return 0
        sleep 0.05
    done
    echo "nothing answers at $1" >&2
    exit 1
}

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }

# One wrk slice; its summary as "requests seconds errors".
run_wrk() {
    local out
    out=$(wrk -t"$threads" -c"$connections" -d"${1}s" "$2")
    awk '
        / requests in / { requests = $1; seconds = $4; sub("s,", "", seconds) }
        /Socket errors:/ { gsub(",", ""); errors += $4 + $6 + $8 + $10 }
        /Non-2xx or 3xx responses:/ { errors += $5 }
        END { printf "%d %s %d\n", requests, seconds, errors }' <<<"$out"
}

phrase=cat
service_port=$(free_port)
"$service" --listen "127.0.0.1:$service_port" &
service_pid=$!
service_url="http://127.0.0.1:$service_port/mnemonics/?w=$phrase"
wait_for "$service_url"

# nginx's page: one answer of the service, so both send the same number of bytes.
mkdir -p "$work/html/mnemonics" "$work/temp"
curl -sf "$service_url&seed=1" >"$work/html/mnemonics/index.html"
page_bytes=$(stat -c %s "$work/html/mnemonics/index.html")
nginx_port=$(free_port)
cat >"$work/nginx.conf" <<EOF
worker_processes auto;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/temp/body;
    proxy_temp_path $work/temp/proxy;
    fastcgi_temp_path $work/temp/fastcgi;
    uwsgi_temp_path $work/temp/uwsgi;
    scgi_temp_path $work/temp/scgi;
    keepalive_requests 100000;
    types { text/html html; }
    charset utf-8;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/html;
        index index.html;
    }
}
EOF
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
nginx_url="http://127.0.0.1:$nginx_port/mnemonics/?w=$phrase"
wait_for "$nginx_url"

# The machine is shared: rather than one long run of each, alternate short slices of the two,
# so that a burst of load elsewhere falls on both alike. Each still gets `seconds` in all.
slice=2
slices=$(( (seconds + slice - 1) / slice ))
service_requests=0; service_time=0; service_errors=0
nginx_requests=0; nginx_time=0; nginx_errors=0
rss_before=$(rss_kib "$service_pid")
for _ in $(seq "$slices"); do
    read -r n t e < <(run_wrk "$slice" "$service_url")
    service_requests=$((service_requests + n)); service_errors=$((service_errors + e))
    service_time=$(awk -v a="$service_time" -v b="$t" 'BEGIN { print a + b }')
    read -r n t e < <(run_wrk "$slice" "$nginx_url")
    nginx_requests=$((nginx_requests + n)); nginx_errors=$((nginx_errors + e))
    nginx_time=$(awk -v a="$nginx_time" -v b="$t" 'BEGIN { print a + b }')
done
rss_after=$(rss_kib "$service_pid")
service_rps=$(awk -v n="$service_requests" -v t="$service_time" 'BEGIN { printf "%.0f", n / t }')
nginx_rps=$(awk -v n="$nginx_requests" -v t="$nginx_time" 'BEGIN { printf "%.0f", n / t }')

echo "page_bytes $page_bytes"
echo "connections $connections"
echo "seconds_each $slices x $slice"
echo "service_requests_per_second $service_rps"
echo "nginx_requests_per_second $nginx_rps"
echo "service_to_nginx_ratio $(awk -v a="$service_rps" -v b="$nginx_rps" 'BEGIN { printf "%.3f", a / b }')"
echo "service_errors $service_errors"
echo "nginx_errors $nginx_errors"
echo "service_rss_kib_before $rss_before"
echo "service_rss_kib_after $rss_after"
echo "service_rss_change_percent $(awk -v a="$rss_before" -v b="$rss_after" 'BEGIN { printf "%.1f", (b - a) * 100 / a }')"
