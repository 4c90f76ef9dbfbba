#!/bin/sh
# Builds the Debian package from the build tree given, lists it and unpacks it into a scratch root:
# the program, its launcher, data files, desktop entry, icons and AppStream metadata must lie where
# the desktop looks for them, with dependencies read from the program's libraries.
set -eu
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail cpack; }
deb=$(ls "$scratch"/postfalke_*.deb)
dpkg-deb -c "$deb" >"$scratch/contents"
dpkg-deb -x "$deb" "$scratch/root"
metainfo=usr/share/metainfo/de.postfalke.Postfalke.metainfo.xml
for f in usr/bin/postfalke usr/lib/postfalke/postfalke usr/lib/postfalke/mail.wav usr/lib/postfalke/hilfe/start.html \
         usr/lib/postfalke/images/logo.jpg usr/share/applications/postfalke.desktop \
         usr/share/icons/hicolor/64x64/apps/postfalke.png usr/share/icons/hicolor/scalable/apps/postfalke.svg $metainfo; do
  grep -q " \./$f\$" "$scratch/contents" || fail "$f not listed"
  [ -s "$scratch/root/$f" ] || fail "$f not unpacked"
done
[ -x "$scratch/root/usr/lib/postfalke/postfalke" ] || fail "program not executable"
grep -qx 'Exec=/usr/bin/postfalke' "$scratch/root/usr/share/applications/postfalke.desktop" || fail "desktop entry Exec"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies"
dpkg-deb -f "$deb" Description | grep -q 'Postfächer' || fail "no German description"
appstreamcli validate --no-net "$scratch/root/$metainfo" >"$scratch/appstream.log" 2>&1 || { cat "$scratch/appstream.log"; fail appstream; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$scratch/root/usr/share/applications/postfalke.desktop" || fail "desktop entry"
fi
echo "package ok: $(basename "$deb")"
