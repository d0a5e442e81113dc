#!/usr/bin/env bash
# Measures tessarn-cli against bare C loops doing the least each command must do:
#   preview of 100,000 files (text to a file)   vs bare_readdir     target <= 2x
#   preview --page mp3 over 10,000 tagged files  vs bare_mp3_read    target <= 3.5x
#   rename of 100,000 files, plan and undo history vs bare_rename    target <= 1.2x
#   history with 100 runs of 1,000 files each                          target < 50 ms
# Everything runs on tmpfs (/dev/shm unless BENCH_DIR says otherwise) with a
# Release build. Each figure is the best of BENCH_RUNS runs (default 5), as wall
# time and as CPU time (user + system): on a busy machine the wall times wander
# with the other processes, the CPU times much less. The load average is printed
# before and after: figures taken at a load above about 0.3 are not the machine's.
#
# Every timed run is checked: a command that fails, prints the wrong number of
# lines or leaves the wrong names behind stops the script with a message and a
# non-zero exit (1), so a broken build can never be reported as fast. A figure over
# its target is printed as OVER and makes the exit status 3.
#
#   bench/cli_bench.sh [build-dir]      (default: build-bench-cli; relative to the
#                                        source folder, or absolute)
#   BENCH_ONLY="preview mp3 rename history"  picks the benchmarks (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build-bench-cli}
[[ $build == /* ]] || build=$src/$build
runs=${BENCH_RUNS:-5}
files=${BENCH_FILES:-100000}
mp3s=${BENCH_MP3S:-10000}
base=${BENCH_DIR:-/dev/shm}
only=" ${BENCH_ONLY:-preview mp3 rename history} "
want() { [[ $only == *" $1 "* ]]; }
die() {
  echo "cli_bench: $*" >&2
  exit 1
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARN_BUILD_UI=OFF \
  -DTESSARN_BUILD_TESTS=OFF -DTESSARN_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tessarn-cli >/dev/null
cli=$build/tessarn-cli
[ -x "$cli" ] || die "no program at $cli"
bin=$build/bare
mkdir -p "$bin"
for prog in bare_readdir bare_mp3_read bare_rename make_tagged_mp3s; do
  cc -O2 -o "$bin/$prog" "bench/$prog.c"
done

work=$(mktemp -d "$base/tessarn-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state

load() { cut -d' ' -f1-3 /proc/loadavg; }

# best_of CMD...: "wall cpu", the shortest wall and the shortest CPU time (user +
# system) of $runs runs, in seconds; the command's output goes to $work/out. Runs
# setup_each (if set) untimed before each run and check_each (if set) after each
# one; a command that exits non-zero stops the script.
best_of() {
  local best_wall= best_cpu= wall cpu status
  for _ in $(seq "$runs"); do
    if [ -n "${setup_each:-}" ]; then $setup_each; fi
    status=0
    { TIMEFORMAT='%R %U %S'; time "$@" >"$work/out" 2>"$work/err"; } 2>"$work/time" || status=$?
    [ "$status" -eq 0 ] || die "$* exited with status $status: $(head -c 500 "$work/err")"
    if [ -n "${check_each:-}" ]; then $check_each; fi
    read -r wall user sys <"$work/time"
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')
    best_wall=$(awk -v a="$best_wall" -v b="$wall" 'BEGIN {print (a == "" || b < a) ? b : a}')
    best_cpu=$(awk -v a="$best_cpu" -v b="$cpu" 'BEGIN {print (a == "" || b < a) ? b : a}')
  done
  echo "$best_wall $best_cpu"
}
status=0
report() {  # name "bare_wall bare_cpu" "cli_wall cli_cpu" target
  awk -v n="$1" -v b="$2" -v c="$3" -v t="$4" 'BEGIN {
    split(b, bb, " "); split(c, cc, " ")
    rw = cc[1] / bb[1]; rc = cc[2] / bb[2]
    printf "%s\n  wall: bare %7.3f s  tessarn-cli %7.3f s  %5.2fx (target %sx) %s\n", n,
      bb[1], cc[1], rw, t, (rw <= t ? "ok" : "OVER")
    printf "  cpu:  bare %7.3f s  tessarn-cli %7.3f s  %5.2fx (target %sx) %s\n",
      bb[2], cc[2], rc, t, (rc <= t ? "ok" : "OVER")
    exit (rw <= t ? 0 : 3) }' || status=3
}

# lines_in_out PATTERN COUNT: the last output has exactly COUNT lines matching PATTERN.
lines_in_out() {
  local n
  n=$(grep -c -- "$1" "$work/out" || true)
  [ "$n" -eq "$2" ] || die "expected $2 lines matching '$1' in the output, found $n"
}
# names_in FOLDER PATTERN COUNT: FOLDER holds COUNT files, all matching PATTERN.
names_in() {
  local total matching
  total=$(find "$1" -mindepth 1 -maxdepth 1 | wc -l)
  matching=$(find "$1" -mindepth 1 -maxdepth 1 -name "$2" | wc -l)
  [ "$total" -eq "$3" ] && [ "$matching" -eq "$3" ] ||
    die "expected $3 files named $2 in $1, found $matching of $total"
}

make_files() {  # folder count
  rm -rf "$1"
  mkdir -p "$1"
  (cd "$1" && seq -f "photo_%06g.jpg" 0 $(($2 - 1)) | xargs touch)
}

echo "Files on $base; best of $runs runs; $(nproc) cores; load average $(load) before."

# The checks run after every timed run.
check_bare_preview() { lines_in_out '^photo_.*\.jpg -> x' "$files"; }
check_cli_preview() { lines_in_out '^  photo_.*\.jpg → x[0-9]*\.jpg$' "$files"; }
check_bare_mp3() { lines_in_out "^$mp3s\$" 1; }
check_cli_mp3() { lines_in_out ' → .*\.mp3' "$mp3s"; }
check_bare_rename() { names_in "$work/many" 'x*.jpg' "$files"; }
check_cli_rename() { names_in "$work/many" 'x*.jpg' "$files"; }
setup_rename() { make_files "$work/many" "$files"; }

if want preview; then
  make_files "$work/many" "$files"
  check_each=check_bare_preview
  bare=$(best_of "$bin/bare_readdir" "$work/many")
  check_each=check_cli_preview
  cli_t=$(best_of "$cli" preview --prefix x "$work/many")
  check_each=
  names_in "$work/many" 'photo_*.jpg' "$files"
  report "preview of $files files" "$bare" "$cli_t" 2
fi

if want mp3; then
  mkdir -p "$work/mp3"
  "$bin/make_tagged_mp3s" "$work/mp3" "$mp3s"
  check_each=check_bare_mp3
  bare=$(best_of "$bin/bare_mp3_read" "$work/mp3")
  check_each=check_cli_mp3
  cli_t=$(best_of "$cli" preview --page mp3 --template "#1-#2" "$work/mp3")
  check_each=
  report "preview --page mp3 of $mp3s tagged files" "$bare" "$cli_t" 3.5
fi

if want rename; then
  setup_each=setup_rename
  check_each=check_bare_rename
  bare=$(best_of "$bin/bare_rename" "$work/many")
  check_each=check_cli_rename
  cli_t=$(best_of "$cli" rename --prefix x "$work/many")
  setup_each= check_each=
  report "rename of $files files" "$bare" "$cli_t" 1.2
fi

if want history; then
  # 100 runs of 1,000 files each: the names go a0.jpg.. -> b0.jpg.. -> a0.jpg..
  rm -rf "$XDG_STATE_HOME"
  make_files "$work/runs" 1000
  for k in $(seq 100); do
    prefix=$( ((k % 2)) && echo a || echo b)
    "$cli" rename --prefix "$prefix" "$work/runs" >/dev/null || die "rename run $k failed"
  done
  names_in "$work/runs" 'b*.jpg' 1000
  check_history() { lines_in_out ' 1,000 个文件\| 1000 个文件' 100; }
  check_each=check_history
  cli_t=$(best_of "$cli" history)
  check_each=
  awk -v c="$cli_t" 'BEGIN { split(c, cc, " ")
    printf "history of 100 runs of 1,000 files\n  wall: %7.3f s  cpu: %7.3f s (target < 0.050 s) %s\n",
      cc[1], cc[2], (cc[1] < 0.05 ? "ok" : "OVER"); exit (cc[1] < 0.05 ? 0 : 3) }' || status=3
fi

echo "Load average $(load) after."
exit $status
