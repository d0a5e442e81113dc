#!/usr/bin/env bash
# Measures tessarn-cli against bare C loops doing the least each command must do:
#   preview of 100,000 files (text to a file)   vs bare_readdir     target <= 4x
#   preview --page mp3 over 10,000 tagged files  vs bare_mp3_read    target <= 3.5x
#   rename of 100,000 files, undo record included vs bare_rename     target <= 1.35x
#   history with 100 runs of 1,000 files each                          target < 50 ms
# Everything runs on tmpfs (/dev/shm unless BENCH_DIR says otherwise) with a
# Release build. Each figure is the best of BENCH_RUNS runs (default 5), as wall
# time and as CPU time (user + system): on a busy machine the wall times wander
# with the other processes, the CPU times much less.
#
#   bench/cli_bench.sh [build-dir]      (default: build-bench-cli)
#   BENCH_ONLY="preview mp3 rename history"  picks the benchmarks (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench-cli}
runs=${BENCH_RUNS:-5}
files=${BENCH_FILES:-100000}
mp3s=${BENCH_MP3S:-10000}
base=${BENCH_DIR:-/dev/shm}
only=" ${BENCH_ONLY:-preview mp3 rename history} "
want() { [[ $only == *" $1 "* ]]; }

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARN_BUILD_UI=OFF \
  -DTESSARN_BUILD_TESTS=OFF -DTESSARN_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tessarn-cli >/dev/null
cli=$PWD/$build/tessarn-cli
bin=$PWD/$build/bare
mkdir -p "$bin"
for prog in bare_readdir bare_mp3_read bare_rename make_tagged_mp3s; do
  cc -O2 -o "$bin/$prog" "bench/$prog.c"
done

work=$(mktemp -d "$base/tessarn-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state

# best_of CMD...: "wall cpu", the shortest wall and the shortest CPU time (user +
# system) of $runs runs, in seconds; the command's output goes to $work/out. Runs
# setup_each (if set) untimed before each run.
best_of() {
  local best_wall= best_cpu= line wall cpu
  for _ in $(seq "$runs"); do
    if [ -n "${setup_each:-}" ]; then $setup_each; fi
    line=$( { TIMEFORMAT='%R %U %S'; time "$@" >"$work/out"; } 2>&1 | tail -1)
    wall=$(echo "$line" | awk '{print $1}')
    cpu=$(echo "$line" | awk '{print $2 + $3}')
    best_wall=$(awk -v a="$best_wall" -v b="$wall" 'BEGIN {print (a == "" || b < a) ? b : a}')
    best_cpu=$(awk -v a="$best_cpu" -v b="$cpu" 'BEGIN {print (a == "" || b < a) ? b : a}')
  done
  echo "$best_wall $best_cpu"
}
report() {  # name "bare_wall bare_cpu" "cli_wall cli_cpu" target
  awk -v n="$1" -v b="$2" -v c="$3" -v t="$4" 'BEGIN {
    split(b, bb, " "); split(c, cc, " ")
    rw = cc[1] / bb[1]; rc = cc[2] / bb[2]
    printf "%s\n  wall: bare %7.3f s  tessarn-cli %7.3f s  %5.2fx (target %sx) %s\n", n,
      bb[1], cc[1], rw, t, (rw <= t ? "ok" : "OVER")
    printf "  cpu:  bare %7.3f s  tessarn-cli %7.3f s  %5.2fx (target %sx) %s\n",
      bb[2], cc[2], rc, t, (rc <= t ? "ok" : "OVER") }'
}

make_files() {  # folder count
  rm -rf "$1"
  mkdir -p "$1"
  (cd "$1" && seq -f "photo_%06g.jpg" 0 $(($2 - 1)) | xargs touch)
}

echo "Files on $base; best of $runs runs."

if want preview; then
make_files "$work/many" "$files"
bare=$(best_of "$bin/bare_readdir" "$work/many")
cli_t=$(best_of "$cli" preview --prefix x "$work/many")
report "preview of $files files" "$bare" "$cli_t" 4
fi

if want mp3; then
mkdir -p "$work/mp3"
"$bin/make_tagged_mp3s" "$work/mp3" "$mp3s"
bare=$(best_of "$bin/bare_mp3_read" "$work/mp3")
cli_t=$(best_of "$cli" preview --page mp3 --template "#1-#2" "$work/mp3")
report "preview --page mp3 of $mp3s tagged files" "$bare" "$cli_t" 3.5
fi

if want rename; then
setup_each="make_files $work/many $files"
bare=$(best_of "$bin/bare_rename" "$work/many")
cli_t=$(best_of "$cli" rename --prefix x "$work/many")
report "rename of $files files" "$bare" "$cli_t" 1.35
fi

if want history; then
# 100 runs of 1,000 files each: the names go a0.jpg.. -> b0.jpg.. -> a0.jpg..
rm -rf "$XDG_STATE_HOME"
make_files "$work/runs" 1000
for k in $(seq 100); do
  "$cli" rename --prefix "$( ((k % 2)) && echo a || echo b)" "$work/runs" >/dev/null
done
setup_each=
cli_t=$(best_of "$cli" history)
awk -v c="$cli_t" 'BEGIN { split(c, cc, " ")
  printf "history of 100 runs of 1,000 files\n  wall: %7.3f s  cpu: %7.3f s (target < 0.050 s) %s\n",
    cc[1], cc[2], (cc[1] < 0.05 ? "ok" : "OVER") }'
fi
