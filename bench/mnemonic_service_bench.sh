#!/usr/bin/env bash
# The mnemonic service against nginx serving a static page of the same size, on loopback, in
# one invocation: wrk's rate and p99 latency at 16, 256 and 1,000 keep-alive connections in
# alternating two-second slices; every connection's answers counted; a fresh client's wait
# behind 100 half-sent requests; resident memory with 1,000 open connections; memory growth
# over 1,000,000 requests after a warm-up.
#
#   bench/mnemonic_service_bench.sh [path/to/lexiquill-mnemonic-service] [seconds]
#
# Defaults: build/src/lexiquill-mnemonic-service (build it RelWithDebInfo), 10 seconds per
# connection count. PHRASE is the phrase of the page asked for, "cat" unless given (a
# 24-letter one measures the sentence planner's share). OTHER="command {port}" measures one more server beside them (another
# library's candidate). Prints one figure a line, and fails loudly (exit 1) when wrk reports
# socket errors, time-outs or non-2xx answers from the service, or any connection got no
# answer. Installs wrk and nginx-light when they are missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
service=${1:-$root/build/src/lexiquill-mnemonic-service}
seconds=${2:-10}
threads=2  # wrk's own threads; the machine has two cores
clients=(/usr/bin/python3 "$root/bench/http_clients.py")

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
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"

work=$(mktemp -d)
chmod 755 "$work"  # nginx workers run as another user when started as root
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [ -n "${KEEP_WORK:-}" ] && echo "kept $work" >&2 || rm -rf "$work"
}
trap cleanup EXIT

failures=()
fail() { failures+=("$1"); }

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

# One wrk slice: "requests seconds errors p99_ms". Errors are every socket error (connect,
# read, write, time-out) and every answer that is not 2xx.
run_wrk() {
    wrk -t"$threads" -c"$2" -d"${1}s" --timeout 5s --latency "$3" | awk '
        function ms(v) {
            if (v ~ /us$/) return v / 1000
            if (v ~ /ms$/) return v + 0
            if (v ~ /s$/) return v * 1000
            return v
        }
        / requests in / { requests = $1; seconds = $4; sub("s,", "", seconds) }
        /Socket errors:/ { gsub(",", ""); errors += $4 + $6 + $8 + $10 }
        /Non-2xx or 3xx responses:/ { errors += $5 }
        $1 == "99%" { p99 = ms($2) }
        END { printf "%d %s %d %.3f\n", requests, seconds, errors, p99 }'
}

phrase=${PHRASE:-cat}
declare -A url pid port
path="/mnemonics/?w=$phrase"
port[service]=$(free_port)
"$service" --listen "127.0.0.1:${port[service]}" &
pid[service]=$!; pids+=("$!")
url[service]="http://127.0.0.1:${port[service]}$path"
wait_for "${url[service]}"
names=(service nginx)

# nginx's page: one answer of the service, so both send the same number of bytes.
mkdir -p "$work/html/mnemonics" "$work/temp"
curl -sf "${url[service]}&seed=1" >"$work/html/mnemonics/index.html"
page_bytes=$(stat -c %s "$work/html/mnemonics/index.html")
port[nginx]=$(free_port)
cat >"$work/nginx.conf" <<EOF2
worker_processes auto;
worker_rlimit_nofile 65536;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 8192; }
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
        listen 127.0.0.1:${port[nginx]};
        root $work/html;
        index index.html;
    }
}
EOF2
/usr/sbin/nginx -c "$work/nginx.conf" -p "$work" &
pid[nginx]=$!; pids+=("$!")
url[nginx]="http://127.0.0.1:${port[nginx]}$path"
wait_for "${url[nginx]}"

if [ -n "${OTHER:-}" ]; then
    port[other]=$(free_port)
    ${OTHER//\{port\}/${port[other]}} &
    pid[other]=$!; pids+=("$!")
    url[other]="http://127.0.0.1:${port[other]}$path"
    wait_for "${url[other]}"
    names+=(other)
fi

echo "page_bytes $page_bytes"

# The machine is shared: rather than one long run of each, alternate short slices of the
# servers, so that a burst of load elsewhere falls on all alike. Each gets `seconds` in all.
slice=2
slices=$(( (seconds + slice - 1) / slice ))
for connections in 16 256 1000; do
    declare -A requests=() time=() errors=() p99=()
    for name in "${names[@]}"; do requests[$name]=0; time[$name]=0; errors[$name]=0; p99[$name]=0; done
    for _ in $(seq "$slices"); do
        for name in "${names[@]}"; do
            read -r n t e p < <(run_wrk "$slice" "$connections" "${url[$name]}")
            requests[$name]=$((requests[$name] + n)); errors[$name]=$((errors[$name] + e))
            time[$name]=$(awk -v a="${time[$name]}" -v b="$t" 'BEGIN { print a + b }')
            p99[$name]=$(awk -v a="${p99[$name]}" -v b="$p" -v n="$slices" 'BEGIN { print a + b / n }')
        done
    done
    for name in "${names[@]}"; do
        rate=$(awk -v n="${requests[$name]}" -v t="${time[$name]}" 'BEGIN { printf "%.0f", n / t }')
        echo "c${connections}_${name}_requests_per_second $rate"
        echo "c${connections}_${name}_p99_ms ${p99[$name]}"
        echo "c${connections}_${name}_wrk_errors ${errors[$name]}"
        declare "rate_$name=$rate"
    done
    for name in "${names[@]}"; do
        [ "$name" = nginx ] && continue
        r="rate_$name"
        echo "c${connections}_${name}_to_nginx_ratio $(awk -v a="${!r}" -v b="$rate_nginx" 'BEGIN { printf "%.3f", a / b }')"
        echo "c${connections}_${name}_p99_to_nginx_ratio $(awk -v a="${p99[$name]}" -v b="${p99[nginx]}" 'BEGIN { printf "%.2f", a / b }')"
    done
    [ "${errors[service]}" -eq 0 ] || fail "wrk saw ${errors[service]} errors from the service at $connections connections"

    # wrk counts requests, not clients: a connection that never gets an answer shows nowhere
    # in its summary. Count each connection's answers.
    for name in "${names[@]}"; do
        while read -r key value; do
            echo "c${connections}_${name}_$key $value"
            if [ "$name" = service ] && [ "$key" = connections_unanswered ] && [ "$value" -gt 0 ]; then
                fail "$value of $connections connections got no answer from the service"
            fi
        done < <("${clients[@]}" count "${port[$name]}" "$path" "$connections" 3)
    done
done

# 100 clients that sent half a request line, then fresh clients asking /healthz.
for name in "${names[@]}"; do
    while read -r key value; do
        echo "idle100_${name}_$key $value"
        [ "$name" != service ] || [ "$value" != inf ] ||
            fail "a fresh client got no answer behind 100 half-sent requests"
    done < <("${clients[@]}" idle "${port[$name]}" /healthz 100)
done

# Resident memory while 1,000 connections stay open.
while read -r key value; do
    echo "hold1000_service_$key $value"
    [ "$key" != open_connections_answered ] || [ "$value" -eq 1000 ] ||
        fail "only $value of 1,000 connections held open were answered"
done < <("${clients[@]}" hold "${port[service]}" "$path" 1000 "${pid[service]}")

# Memory growth over 1,000,000 requests, after a warm-up of a few seconds.
run_wrk 3 256 "${url[service]}" >/dev/null
rss_before=$(rss_kib "${pid[service]}")
served=0
while [ "$served" -lt 1000000 ]; do
    read -r n _ e _ < <(run_wrk 5 256 "${url[service]}")
    served=$((served + n))
    [ "$e" -eq 0 ] || fail "wrk saw $e errors from the service during the memory run"
done
rss_after=$(rss_kib "${pid[service]}")
echo "million_requests_served $served"
echo "million_service_rss_kib_before $rss_before"
echo "million_service_rss_kib_after $rss_after"
echo "million_service_rss_growth_percent $(awk -v a="$rss_before" -v b="$rss_after" 'BEGIN { printf "%.1f", (b - a) * 100 / a }')"

if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}" >&2
    exit 1
fi
