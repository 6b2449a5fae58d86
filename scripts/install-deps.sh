#!/usr/bin/env bash
# Installs the Debian packages that are missing for what the caller does:
#
#   scripts/install-deps.sh [build] [package] [test] [bench] [more packages...]
#
# Building and running are always covered; "package" adds what making and checking the
# Debian package needs, "test" the test tools (the package tools with them), "bench" what
# ./bench.sh measures with. Any other argument is one more package.
set -euo pipefail

# Building and running the program.
build=(cmake g++ ninja-build qt6-base-dev libjpeg62-turbo-dev libxcb1-dev libexif-dev liblcms2-dev
       pkg-config libx11-dev
       fonts-ipafont-gothic qt6-translations-l10n)
# Making the package (dpkg-shlibdeps, the file types CPack asks about) and validating its
# menu entry and AppStream data.
package=(dpkg-dev file desktop-file-utils appstream)
# The tests: djpeg as reference, PDF pages, an X server and its automation, the system-call
# trace, Xlib for sampling the screen, clang's libFuzzer and sanitizers, Qt's Wayland plugin
# and a Wayland compositor (the program must choose X11 even with both there).
test=(libjpeg-turbo-progs poppler-utils xvfb strace xdotool libx11-dev clang-14
      libclang-rt-14-dev qt6-wayland weston)
# The benchmarks: djpeg as reference and an X server; Xlib because their build configures
# the tests too, and its test extension for the real key presses and clicks.
bench=(libjpeg-turbo-progs xvfb libx11-dev libxtst-dev)

packages=("${build[@]}")
for argument in "$@"; do
    case $argument in
    build) ;;
    package) packages+=("${package[@]}") ;;
    test) packages+=("${package[@]}" "${test[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    *) packages+=("$argument") ;;
    esac
done

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
