#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Sourced by scripts/run and scripts/test; quick when everything is there.
set -euo pipefail
tessarn_install_deps() {
  local pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev
              libbenchmark-dev libpcre2-dev fonts-wqy-microhei qt6-translations-l10n zlib1g-dev
              libtag1-dev libexiv2-dev "$@")
  local missing=()
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}
