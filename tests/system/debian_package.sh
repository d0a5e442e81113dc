#!/usr/bin/env bash
# Checks the Debian package that scripts/test builds (path in $TESSARN_DEB): its
# name, fields and dependencies, its files under /usr, and that what it holds runs.
set -euo pipefail
deb=${TESSARN_DEB:-}
[ -n "$deb" ] && [ -f "$deb" ] || { echo "no package built (TESSARN_DEB): skipped"; exit 77; }
command -v dpkg-deb >/dev/null || { echo "dpkg-deb missing: skipped"; exit 77; }

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = tessarn ]
[ "$(field Architecture)" = amd64 ]
version=$(field Version)
[ "$(basename "$deb")" = "tessarn_${version}_amd64.deb" ] || {
  echo "unexpected file name $(basename "$deb")"; exit 1; }
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 libtag1v5-vanilla libexiv2-27; do
  grep -q "\b$lib\b" <<<"$depends" || { echo "Depends lacks $lib: $depends"; exit 1; }
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for path in ./usr/bin/tessarn ./usr/bin/tessarn-cli ./usr/share/tessarn/help/index.html \
            ./usr/share/applications/tessarn.desktop \
            ./usr/share/icons/hicolor/scalable/apps/tessarn.svg; do
  grep -qx "$path" <<<"$contents" || { echo "package lacks $path"; exit 1; }
done
outside=$(grep -v '^\./$' <<<"$contents" | grep -v '^\./usr/' || true)
[ -z "$outside" ] || { echo "files outside /usr: $outside"; exit 1; }

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
"$tree/usr/bin/tessarn-cli" --help >/dev/null
if strings "$tree/usr/bin/tessarn-cli" | grep -q TESSARN_CLI_TEST_EXIT_AFTER; then
  echo "the packaged tessarn-cli carries the test hook"; exit 1
fi
# What apt would do with it here, without doing it.
if command -v apt-get >/dev/null; then
  apt-get install --simulate "$(realpath "$deb")" | grep -q '^Inst tessarn ' || {
    echo "apt-get would not install the package"; exit 1; }
fi
echo "package ok: $(basename "$deb")"
