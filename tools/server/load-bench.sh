#!/usr/bin/env bash
# Load benchmark of kokurin-server: MATCHES matches at once (default 1000) for SECONDS seconds
# (default 30), each match MATCH_SECONDS long on average (default 20) and followed by a rematch,
# against one server process pinned to the first core, the load client (kokurin-load-bench) on
# the second; prints the client's table. Stops by itself.
#   bash tools/server/load-bench.sh [MATCHES] [SECONDS] [MATCH_SECONDS]
# KOKURIN_SERVER and KOKURIN_LOAD_BENCH name ready-built programs (then nothing is built).
# KOKURIN_BENCH_REDIS=1 runs the server with --redis against a throwaway redis-server (on the
# second core), so that the cost of journaling every match shows.
# KOKURIN_BENCH_THREADS: the server's event loops (default 1); with more than one the server is
# pinned to no core (it takes as many as it is given). KOKURIN_BENCH_CLIENT_THREADS: the load
# client's threads (default 1).
set -euo pipefail
cd "$(dirname "$0")/../.."
matches=${1:-1000}
seconds=${2:-30}
match_seconds=${3:-20}

if [ -n "${KOKURIN_SERVER:-}" ] && [ -n "${KOKURIN_LOAD_BENCH:-}" ]; then
    server=$KOKURIN_SERVER
    bench=$KOKURIN_LOAD_BENCH
else
    [ -f build/native/build.ninja ] || cmake --preset native >/dev/null
    cmake --build build/native --target kokurin-server kokurin-load-bench -j2 >/dev/null
    server=build/native/src/server/kokurin-server
    bench=build/native/tools/server/kokurin-load-bench
fi

# Two descriptors a match on each side.
ulimit -n "$(ulimit -Hn)" 2>/dev/null || true
work=$(mktemp -d)
server_pid=
redis_pid=
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    if [ -n "$redis_pid" ]; then
        kill "$redis_pid" 2>/dev/null || true
        wait "$redis_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/replays"

threads=${KOKURIN_BENCH_THREADS:-1}
pin_server=()
pin_bench=()
# KOKURIN_BENCH_NO_PIN=1 leaves both to the scheduler (on a machine busy with other work a
# pinned process waits for its core while the other one may be free).
if [ -z "${KOKURIN_BENCH_NO_PIN:-}" ] && command -v taskset >/dev/null 2>&1 &&
    [ "$(nproc)" -ge 2 ] && [ "$threads" = 1 ]; then
    pin_server=(taskset -c 0)
    pin_bench=(taskset -c 1)
fi
redis_args=()
if [ -n "${KOKURIN_BENCH_REDIS:-}" ]; then
    redis_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    "${pin_bench[@]}" redis-server --port "$redis_port" --bind 127.0.0.1 --save '' \
        --appendonly no --dir "$work" >/dev/null 2>&1 &
    redis_pid=$!
    for _ in $(seq 100); do
        redis-cli -p "$redis_port" ping >/dev/null 2>&1 && break
        sleep 0.1
    done
    redis_args=(--redis "redis://127.0.0.1:$redis_port")
fi
"${pin_server[@]}" "$server" --port 0 --host 127.0.0.1 --replays "$work/replays" \
    --max-connections-per-ip 100000 --log-level warning --threads "$threads" "${redis_args[@]}" \
    >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/^kokurin-server: listening on port \([0-9]*\)$/\1/p' "$work/server.out")
    [ -n "$port" ] && break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "load-bench: the server did not start" >&2
    cat "$work/server.err" >&2
    exit 1
fi
echo "load-bench: $matches matches for $seconds s (about $match_seconds s each); server on $threads thread(s) ${pin_server[*]:-unpinned}," \
    "load client ${pin_bench[*]:-unpinned}${redis_args[*]:+, }${redis_args[*]:-}"
status=0
"${pin_bench[@]}" "$bench" --port "$port" --matches "$matches" --seconds "$seconds" \
    --match-seconds "$match_seconds" --server-pid "$server_pid" \
    --threads "${KOKURIN_BENCH_CLIENT_THREADS:-1}" || status=$?
echo "replays saved by the server  $(find "$work/replays" -name '*.kkr' | wc -l)"
exit "$status"
