#!/usr/bin/env bash
# Checks the install and the Debian package of a build folder (default build/): installs
# into a staging folder, validates the menu entry and the AppStream data there, builds the
# package with CPack and checks its files and dependencies. Fails at the first fault.
set -euo pipefail
build=${1:-build}
id=org.example.qirva
fail() { echo "check-package: $*" >&2; exit 1; }

stage=$build/stage
rm -rf "$stage"
DESTDIR=$PWD/$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
[ -x "$usr/lib/qirva/qirva" ] || fail "no program in /usr/lib/qirva"
[ -f "$usr/lib/qirva/Qirva.html" ] || fail "no help file beside the program"
[ "$(readlink "$usr/bin/qirva")" = ../lib/qirva/qirva ] || fail "/usr/bin/qirva is no link to it"
[ -x "$usr/bin/qirva" ] || fail "/usr/bin/qirva does not lead to the program"
desktop-file-validate "$usr/share/applications/$id.desktop"
grep -q '^Name\[ja\]=' "$usr/share/applications/$id.desktop" || fail "no Japanese name"
grep -q '^Comment\[ja\]=' "$usr/share/applications/$id.desktop" || fail "no Japanese comment"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
    appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml"
for size in 16 32 48 64 128 256; do
    icon=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
    [ "$(file -b "$icon" | grep -o "$size x $size")" = "$size x $size" ] ||
        fail "icon $icon is not a $size x $size PNG"
done
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/$id.svg" || fail "no scalable icon"

rm -f "$build"/qirva_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/qirva_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no package"
# The package holds exactly what the staged install holds.
diff <(cd "$usr" && find . -mindepth 1 \( -type f -o -type l \) | sed 's|^\.|./usr|' | sort) \
     <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort) ||
    fail "the package's files differ from the install's"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libjpeg62-turbo libxcb1 fonts-ipafont-gothic qt6-translations-l10n; do
    grep -q "\b$needed\b" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done
echo "check-package: $deb ($depends)"
