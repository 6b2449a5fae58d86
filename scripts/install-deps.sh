#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when missing.
set -euo pipefail
packages=(cmake g++ ninja-build qt6-base-dev libjpeg62-turbo-dev libjpeg-turbo-progs
          libexif-dev liblcms2-dev pkg-config
          fonts-ipafont-gothic qt6-translations-l10n poppler-utils xvfb strace xdotool libx11-dev
          clang-14 libclang-rt-14-dev "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
