#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: lintian,
# appstreamcli and desktop-file-validate; its file list; that every library the
# program links comes from a package its Depends names; and that a copy
# unpacked into a scratch root finds its Ruffle files.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/swfscout_*.deb)
fail() { echo "FAIL: $*"; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/swfscout ./usr/share/applications/swfscout.desktop \
         ./usr/share/icons/hicolor/scalable/apps/swfscout.svg \
         ./usr/share/swfscout/ruffle/ruffle.js ./usr/lib/swfscout/plugins/libswfscout_webengine.so \
         ./usr/share/man/man1/swfscout.1.gz ./usr/share/doc/swfscout/copyright \
         ./usr/share/doc/swfscout/changelog.gz \
         ./usr/share/metainfo/io.github.swfscout.SwfScout.metainfo.xml; do
  grep -qx -- "$f" <<<"$files" || fail "$f is not in the package"
done
grep -q '^./usr/share/swfscout/ruffle/.*\.wasm$' <<<"$files" || fail "no Ruffle .wasm in the package"

depends=$(dpkg-deb -f "$deb" Depends)
for binary in "$build/bin/swfscout" "$build/lib/swfscout/plugins/libswfscout_webengine.so"; do
for lib in $(readelf -d "$binary" | awk '/NEEDED/ {gsub(/[][]/, "", $5); print $5}'); do
  path=$(ldd "$binary" | awk -v l="$lib" '$1 == l {print $3}')
  # Debian knows a file by one of its names: the link, or what it points to.
  owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null ||
    dpkg -S "${path#/usr}" 2>/dev/null || dpkg -S "$(readlink -f "$path" | sed 's|^/usr||')" 2>/dev/null || true)
  pkg=$(head -n1 <<<"$owner" | cut -d: -f1)
  [ -n "$pkg" ] || fail "no package owns $path ($lib)"
  case "$pkg" in libc6 | libstdc++6 | libgcc-s1) continue ;; esac
  grep -qE "(^|, )$pkg( |,|$)" <<<"$depends" || fail "$lib comes from $pkg, which Depends does not name"
done
done
for pkg in libc6 libqt6webenginecore6-bin fonts-noto-cjk libqt6svg6; do # libc6, and what is loaded at run time
  grep -q "$pkg" <<<"$depends" || fail "Depends lacks $pkg"
done

# lintian: no error and no warning, but these, each for its reason:
#   embedded-javascript-library: none; listed in case a lintian release mistakes
#     Ruffle's bundle for a packaged library.
# An info tag is no fault.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" || fail "lintian reports the package above"

dpkg -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/swfscout.desktop"
appstreamcli validate --no-net --pedantic \
  "$work/root/usr/share/metainfo/io.github.swfscout.SwfScout.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"
# The installed program looks for Ruffle at ../share/swfscout/ruffle from its own folder.
[ -f "$work/root/usr/bin/../share/swfscout/ruffle/ruffle.js" ] || fail "Ruffle not beside the program"
[ -f "$work/root/usr/bin/../lib/swfscout/plugins/libswfscout_webengine.so" ] || fail "web view plug-in not beside the program"
echo "package ok: $(basename "$deb"), $(wc -l <<<"$files") entries"
