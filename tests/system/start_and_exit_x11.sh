#!/usr/bin/env bash
# Starts the program on a virtual X display from a folder of its own, closes it
# with Ctrl+X, and checks the config.ini it writes beside itself.
set -euo pipefail
program=$1
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || {
  echo "xvfb-run or xdotool missing: skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$program" "$dir/tessarn"
cat > "$dir/session.sh" <<'INNER'
set -u
unset QT_QPA_PLATFORM
"$1/tessarn" &
pid=$!
for _ in $(seq 1 100); do
  win=$(xdotool search --name "Tessarn" 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.2
done
[ -n "${win:-}" ] || { echo "no window"; kill $pid; exit 1; }
sleep 1
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key ctrl+x
for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
if kill -0 $pid 2>/dev/null; then echo "still running after Ctrl+X"; kill $pid; exit 1; fi
wait $pid
INNER
xvfb-run -a bash "$dir/session.sh" "$dir"
test -f "$dir/config.ini" || { echo "config.ini not written"; exit 1; }
expected=$(printf '%s\n' '[预览选项]' '自动预览=关' '全部预览=关' '预览数量=10' '[颜色]' \
  '背景颜色=8429696' '字体颜色=8388608' '[字体]' '字体名称=宋体' '字体大小=10' '字体样式=常规' \
  '[标签]' 'ID3v2写入编码=Unicode' '旧标签编码=自动')
actual=$(iconv -f GBK -t UTF-8 "$dir/config.ini" | tr -d '\r' | grep -v '^$')
if [ "$actual" != "$expected" ]; then
  echo "config.ini differs:"; diff <(echo "$expected") <(echo "$actual"); exit 1
fi
echo "config.ini ok"
