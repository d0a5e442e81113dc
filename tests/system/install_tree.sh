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
desktop=$prefix/share/applications/tessarn.desktop
test -f "$desktop"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
grep -q '^Exec=tessarn %F$' "$desktop"
# Folders and MP3 files, not every text file or image.
grep -qx 'MimeType=inode/directory;audio/mpeg;' "$desktop"
echo "install tree ok"
