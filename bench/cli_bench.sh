#!/usr/bin/env bash
# Measures tessarn-cli against bare C loops doing the least each command must do:
#   preview of 100,000 files (text to a file)   vs bare_readdir     target <= 4x
#   preview --page mp3 over 10,000 tagged files  vs bare_mp3_read    target <= 3.5x
#   rename of 100,000 files, journal included    vs bare_rename      target <= 1.35x
# Everything runs on tmpfs (/dev/shm unless BENCH_DIR says otherwise) with a
# Release build. Each figure is the best of BENCH_RUNS runs (default 5).
#
#   bench/cli_bench.sh [build-dir]      (default: build-bench-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench-cli}
runs=${BENCH_RUNS:-5}
files=${BENCH_FILES:-100000}
mp3s=${BENCH_MP3S:-10000}
base=${BENCH_DIR:-/dev/shm}

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

now() { date +%s%N; }
# best_of CMD...: the shortest wall time of $runs runs, in milliseconds; the
# command's output goes to $work/out. Runs setup_each (if set) untimed before each.
best_of() {
  local best=
  for _ in $(seq "$runs"); do
    [ -n "${setup_each:-}" ] && $setup_each
    local t0 t1
    t0=$(now)
    "$@" >"$work/out"
    t1=$(now)
    local ms=$(((t1 - t0) / 1000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}
report() {  # name bare_us cli_us target
  awk -v n="$1" -v b="$2" -v c="$3" -v t="$4" 'BEGIN {
    r = c / b; printf "%-34s bare %8.1f ms   tessarn-cli %8.1f ms   %5.2fx (target %sx) %s\n",
      n, b / 1000, c / 1000, r, t, (r <= t ? "ok" : "OVER") }'
}

make_files() {  # folder count
  rm -rf "$1"
  mkdir -p "$1"
  (cd "$1" && seq -f "photo_%06g.jpg" 0 $(($2 - 1)) | xargs touch)
}

echo "Files on $base; best of $runs runs."

make_files "$work/many" "$files"
bare=$(best_of "$bin/bare_readdir" "$work/many")
cli_us=$(best_of "$cli" preview --prefix x "$work/many")
report "preview $files files" "$bare" "$cli_us" 4

mkdir -p "$work/mp3"
"$bin/make_tagged_mp3s" "$work/mp3" "$mp3s"
bare=$(best_of "$bin/bare_mp3_read" "$work/mp3")
cli_us=$(best_of "$cli" preview --page mp3 --template "#1-#2" "$work/mp3")
report "preview --page mp3 $mp3s files" "$bare" "$cli_us" 3.5

setup_each="make_files $work/many $files"
bare=$(best_of "$bin/bare_rename" "$work/many")
cli_us=$(best_of "$cli" rename --prefix x "$work/many")
report "rename $files files" "$bare" "$cli_us" 1.35
