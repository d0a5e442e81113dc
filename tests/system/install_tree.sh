#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that the tree works:
# the command-line tool starts, the help and icon are there, the desktop entry is valid.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
"$prefix/bin/tessarn-cli" --help >/dev/null
# The hook that stops a run half-way belongs to the test build only.
if strings "$prefix/bin/tessarn-cli" | grep -q TESSARN_CLI_TEST_EXIT_AFTER; then
  echo "the installed tessarn-cli carries the test hook"; exit 1
fi
test -x "$prefix/bin/tessarn"
test -f "$prefix/share/tessarn/help/index.html"
test -f "$prefix/share/icons/hicolor/scalable/apps/tessarn.svg"
# The installed program finds its pinyin phrase table: 银行 read as a word.
test -f "$prefix/share/tessarn/pinyin/LICENSE"
words=$(mktemp -d)
touch "$words/银行.txt"
out=$("$prefix/bin/tessarn-cli" preview --pinyin full "$words" 2>&1)
rm -rf "$words"
grep -q 'yin hang.txt' <<<"$out" || { echo "installed pinyin without its phrase table: $out"; exit 1; }
desktop=$prefix/share/applications/tessarn.desktop
test -f "$desktop"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
grep -q '^Exec=tessarn %F$' "$desktop"
# Folders and MP3 files, not every text file or image.
grep -qx 'MimeType=inode/directory;audio/mpeg;' "$desktop"
echo "install tree ok"
