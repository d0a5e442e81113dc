#!/usr/bin/env bash
# Measures `tessarn-cli tags set --artist X --album Y` over small tagged MP3 files
# in one folder against its peer, a C++ loop over TagLib's MPEG::File setting the
# same two fields and saving (bench/taglib_tags_set.cpp), at 1,000 and at 10,000
# files. Targets: no slower than the TagLib loop (1x), and linear: 10,000 files
# within 11 times the time of 1,000.
#
# The files are made anew (untimed) before every timed run, in /dev/shm unless
# BENCH_DIR says otherwise, with bench/make_tagged_mp3s.c (an ID3v2.3 tag with
# padding, 4 KB of "audio", an ID3v1 block). Each figure is the best of BENCH_RUNS
# runs (default 5) as wall and CPU time; the two programs take turns run by run.
# Every run is checked: both fields must read back in the first and the last file
# (through `tessarn-cli tags show --json`), else the script stops with status 1. A
# figure over its target makes the exit status 3. The load average is printed
# before and after.
#
#   bench/tags_set_bench.sh [build-dir]   (default build-bench-cli, as cli_bench.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build-bench-cli}
[[ $build == /* ]] || build=$src/$build
runs=${BENCH_RUNS:-5}
base=${BENCH_DIR:-/dev/shm}
die() {
  echo "tags_set_bench: $*" >&2
  exit 1
}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARN_BUILD_UI=OFF \
  -DTESSARN_BUILD_TESTS=OFF -DTESSARN_SANITIZE=OFF >/dev/null
cmake --build "$build" --target tessarn-cli >/dev/null
cli=$build/tessarn-cli
[ -x "$cli" ] || die "no program at $cli"
bin=$build/bare
mkdir -p "$bin"
cc -O2 -o "$bin/make_tagged_mp3s" bench/make_tagged_mp3s.c
# shellcheck disable=SC2046
c++ -O2 -std=c++17 -o "$bin/taglib_tags_set" bench/taglib_tags_set.cpp $(pkg-config --cflags --libs taglib)

work=$(mktemp -d "$base/tessarn-tags-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
load() { cut -d' ' -f1-3 /proc/loadavg; }

fresh() {  # count: a new folder of tagged files
  rm -rf "$work/mp3" "$XDG_STATE_HOME"
  mkdir -p "$work/mp3"
  "$bin/make_tagged_mp3s" "$work/mp3" "$1"
}
check() {  # count artist album
  local last
  last=$(printf 'track%06d.mp3' $(($1 - 1)))
  "$cli" tags show --json "$work/mp3/track000000.mp3" "$work/mp3/$last" >"$work/shown" ||
    die "tags show failed"
  [ "$(grep -o "\"artist\":\"$2\"" "$work/shown" | wc -l)" -eq 4 ] &&
    [ "$(grep -o "\"album\":\"$3\"" "$work/shown" | wc -l)" -eq 4 ] ||
    die "after $4, the files do not hold artist $2 and album $3: $(head -c 600 "$work/shown")"
}
timed() {  # "wall cpu" of one run of the command; its output goes to $work/out
  local status=0 wall user sys
  { TIMEFORMAT='%R %U %S'; time "$@" >"$work/out" 2>"$work/err"; } 2>"$work/time" || status=$?
  [ "$status" -eq 0 ] || die "$* exited with status $status: $(head -c 500 "$work/err")"
  read -r wall user sys <"$work/time"
  awk -v w="$wall" -v u="$user" -v s="$sys" 'BEGIN {print w, u + s}'
}
best() {  # "wall cpu" "wall cpu": the smaller of each
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
    if (x[1] == "") { print b; exit }
    print (y[1] < x[1] ? y[1] : x[1]), (y[2] < x[2] ? y[2] : x[2]) }'
}

echo "Files on $base; best of $runs runs; $(nproc) cores; load average $(load) before."
status=0
declare -A ours peer
for count in 1000 10000; do
  ours[$count]="" peer[$count]=""
  for run in $(seq "$runs"); do
    fresh "$count"
    t=$(timed "$bin/taglib_tags_set" "Peer $run" "Peer album $run" "$work"/mp3/*.mp3)
    check "$count" "Peer $run" "Peer album $run" "the TagLib loop"
    peer[$count]=$(best "${peer[$count]}" "$t")
    fresh "$count"
    t=$(timed "$cli" tags set --artist "Ours $run" --album "Our album $run" "$work"/mp3/*.mp3)
    check "$count" "Ours $run" "Our album $run" "tessarn-cli tags set"
    ours[$count]=$(best "${ours[$count]}" "$t")
  done
  awk -v n="$count" -v p="${peer[$count]}" -v o="${ours[$count]}" 'BEGIN {
    split(p, pp, " "); split(o, oo, " ")
    rw = oo[1] / pp[1]; rc = oo[2] / pp[2]
    printf "tags set --artist --album of %d files\n", n
    printf "  wall: TagLib loop %7.3f s  tessarn-cli %7.3f s  %5.2fx (target 1x) %s\n",
      pp[1], oo[1], rw, (rw <= 1 ? "ok" : "OVER")
    printf "  cpu:  TagLib loop %7.3f s  tessarn-cli %7.3f s  %5.2fx (target 1x) %s\n",
      pp[2], oo[2], rc, (rc <= 1 ? "ok" : "OVER")
    exit (rw <= 1 ? 0 : 3) }' || status=3
done
awk -v a="${ours[1000]}" -v b="${ours[10000]}" -v p="${peer[1000]}" -v q="${peer[10000]}" 'BEGIN {
  split(a, x, " "); split(b, y, " "); split(p, u, " "); split(q, v, " ")
  r = y[1] / x[1]
  printf "10,000 files against 1,000: tessarn-cli %5.2fx wall, %5.2fx cpu (target <= 11x) %s; TagLib loop %5.2fx wall\n",
    r, y[2] / x[2], (r <= 11 ? "ok" : "OVER"), v[1] / u[1]
  exit (r <= 11 ? 0 : 3) }' || status=3
echo "Load average $(load) after."
exit $status
