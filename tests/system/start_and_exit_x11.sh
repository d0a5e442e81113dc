#!/usr/bin/env bash
# Starts the program on a virtual X display from a folder of its own, closes it
# with Ctrl+X, and checks the config.ini it writes beside itself.
set -euo pipefail
program=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || {
  echo "Xvfb or xdotool missing: skipped"; exit 77; }
dir=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
cp "$program" "$dir/tessarn"

# The server picks a free display itself and writes its number once it accepts
# connections (-displayfd), so no two tests race for one number and nothing
# connects too early. Under heavy load a start can still fail: try again.
start_display() {
  local attempt
  for attempt in 1 2 3; do
    : > "$dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 1 150); do
      [ -s "$dir/display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$dir/display" ]; then
      export DISPLAY=":$(tr -d '\n' < "$dir/display")"
      for _ in $(seq 1 50); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.1
      done
    fi
    echo "X server attempt $attempt failed: $(cat "$dir/xvfb.log")"
    kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  done
  return 1
}
start_display || { echo "no X display"; exit 1; }

unset QT_QPA_PLATFORM
"$dir/tessarn" &
pid=$!
win=
for _ in $(seq 1 100); do
  win=$(xdotool search --name "Tessarn" 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { echo "no window"; kill $pid; exit 1; }
# On a busy machine the window may not take keys yet when it first shows: the
# key is sent again every two seconds until the program ends (20 s at most).
for _ in $(seq 1 10); do
  sleep 1
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool key ctrl+x
  for _ in $(seq 1 10); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null || break
done
if kill -0 $pid 2>/dev/null; then echo "still running after Ctrl+X"; kill $pid; exit 1; fi
wait $pid

test -f "$dir/config.ini" || { echo "config.ini not written"; exit 1; }
# The preference keys, exactly; the window's own section follows them.
expected=$(printf '%s\n' '[预览选项]' '自动预览=关' '全部预览=关' '预览数量=10' '[颜色]' \
  '背景颜色=8429696' '字体颜色=8388608' '[字体]' '字体名称=宋体' '字体大小=10' '字体样式=常规' \
  '[标签]' 'ID3v2写入编码=Unicode' '旧标签编码=自动' '[文件名]' 'GBK文件名转为UTF-8=关' \
  '[撤消历史]' '大小上限MB=1024')
text=$(iconv -f GBK -t UTF-8 "$dir/config.ini" | tr -d '\r' | grep -v '^$')
# Everything but the window's own section, which holds the window's geometry.
actual=$(awk '/^\[/{skip=($0=="[窗口]")} !skip' <<<"$text")
if [ "$actual" != "$expected" ]; then
  echo "config.ini differs:"; diff <(echo "$expected") <(echo "$actual"); exit 1
fi
window=$(sed -n '/^\[窗口\]$/,$p' <<<"$text")
for key in 左 上 宽 高 最大化 列宽; do
  grep -q "^$key=" <<<"$window" || { echo "config.ini lacks $key in [窗口]:"; echo "$text"; exit 1; }
done
echo "config.ini ok"
