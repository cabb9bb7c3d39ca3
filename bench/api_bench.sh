#!/usr/bin/env bash
# Throughput of the REST API served by "orvane-cli serve", measured with wrk over one
# keep-alive connection on 127.0.0.1:
#   GET /health, GET /api/nodes?limit=100 on a tiny project and on 10k nodes / 20k relations.
# Goals: 5000 requests/s for /health and the tiny project, 500 requests/s for the 10k project.
# Usage: bench/api_bench.sh [BUILD_DIR] [SECONDS]   (default: build, 10 s per run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
seconds=${2:-10}
cli=$build/bin/orvane-cli
generator=$build/bench/api_project_generator
for tool in "$cli" "$generator"; do
    [[ -x $tool ]] || { echo "missing $tool: build orvane-cli and api_project_generator" >&2; exit 1; }
done
command -v wrk >/dev/null || { echo "wrk is not installed" >&2; exit 1; }

work=$(mktemp -d)
server=
cleanup() {
    [[ -n $server ]] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/Tiny" "$work/Large"
tiny=$work/Tiny/Tiny.orvane.db
large=$work/Large/Large.orvane.db
"$generator" "$tiny" 5 4
"$generator" "$large" 10000 20000

# The tiny project holds the keys, as the current tab would.
key=$("$cli" keys "$tiny" | awk '$1 == "read" { print $2 }')
"$cli" serve "$tiny" "$large" --address 127.0.0.1 --port 0 >"$work/serve.log" &
server=$!
for _ in $(seq 50); do
    grep -q '^listening on' "$work/serve.log" 2>/dev/null && break
    sleep 0.1
done
port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/serve.log")
[[ -n $port ]] || { echo "server did not start" >&2; exit 1; }
base=http://127.0.0.1:$port

# Every request must succeed: a wrong key or project would measure error answers.
for path in /health "/api/nodes?db=Tiny&limit=100" "/api/nodes?db=Large&limit=100"; do
    status=$(curl -s -o /dev/null -w '%{http_code}' -H "Authorization: Bearer $key" "$base$path")
    [[ $status == 200 ]] || { echo "$path answered $status" >&2; exit 1; }
done

run() {
    local name=$1 path=$2 goal=$3
    local output rate errors
    output=$(timeout $((seconds + 30)) wrk -t1 -c1 -d"${seconds}s" -H "Authorization: Bearer $key" "$base$path")
    rate=$(awk '/^Requests\/sec:/ { printf "%d", $2 }' <<<"$output")
    errors=$(awk '/Non-2xx or 3xx responses:/ { print $5 }' <<<"$output")
    printf '%-34s %8s req/s  (goal %5s)%s\n' "$name" "$rate" "$goal" \
        "${errors:+  NON-2XX: $errors}"
}
run "GET /health" "/health" 5000
run "GET /api/nodes (tiny, limit 100)" "/api/nodes?db=Tiny&limit=100" 5000
run "GET /api/nodes (10k, limit 100)" "/api/nodes?db=Large&limit=100" 500
