#!/usr/bin/env bash
# check_deb.sh BUILD_DIR VERSION: makes the Debian package from BUILD_DIR with cpack into a
# scratch folder and checks it: the files a tuner needs, stripped programs, the control fields,
# one version everywhere (control, korva --version, changelog, metainfo, manual page), and the
# desktop entry and metadata as their validators see them.
set -uo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

arch=$(dpkg --print-architecture)
if ! cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$work/out/korva_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $deb"; exit 1; }

# The files.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/list"
id=org.korva.Korva
for f in /usr/bin/korva /usr/bin/veq-sim /usr/share/applications/$id.desktop \
  /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/scalable/apps/korva.svg \
  /usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/korva.png \
  /usr/share/man/man1/korva.1.gz /usr/share/man/man1/veq-sim.1.gz \
  /usr/share/doc/korva/copyright /usr/share/doc/korva/changelog.gz; do
  grep -qx "$f" "$work/list" || fail "$f is not in the package"
done
grep -v '^/usr/' "$work/list" && fail "files outside /usr"
[ "$(grep -c '^/usr/bin/.' "$work/list")" -eq 2 ] || fail "/usr/bin holds more than korva and veq-sim: $(grep '^/usr/bin/.' "$work/list")"

root=$work/root
dpkg-deb -x "$deb" "$root"
for program in korva veq-sim; do
  file -b "$root/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
  readelf -S "$root/usr/bin/$program" | grep -q '\.debug_' && fail "$program has debug sections"
done
for size in 48 128 256; do
  file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/korva.png" | grep -q "PNG image data, $size x $size," ||
    fail "the ${size}x$size icon is not a PNG of that size"
done
for gz in usr/share/man/man1/korva.1.gz usr/share/man/man1/veq-sim.1.gz usr/share/doc/korva/changelog.gz; do
  gzip -t "$root/$gz" || fail "$gz is not gzip data"
  [ "$(od -An -tu4 -j4 -N4 "$root/$gz" | tr -d ' ')" = 0 ] || fail "$gz carries a time stamp (gzip -n)"
done
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  "$root/usr/share/doc/korva/copyright" || fail "copyright is not machine-readable"

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korva ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the version record says $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
field Maintainer | grep -Eq '^[^<]+ <[^@>]+@[^>]+>$' || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
for d in 'libqt6widgets6' 'libqt6gui6' 'qt6-qpa-plugins' 'qt6-translations-l10n' 'libc6'; do
  grep -Eq "(^|, )$d( |,|$)" <<<"$depends" || fail "Depends lacks $d: $depends"
done
description=$(field Description)
[ -n "$(head -n1 <<<"$description")" ] || fail "no summary"
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "no extended description: $description"

# One version everywhere.
shown=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/korva" --version | head -n1)
[ "$shown" = "korva $version" ] || fail "korva --version says '$shown', the package is $version"
logged=$(zcat "$root/usr/share/doc/korva/changelog.gz" | head -n1 | sed -n 's/^korva (\([^)]*\)).*/\1/p')
[ "$logged" = "$version" ] || fail "the changelog's newest entry is '$logged', the package is $version"
released=$(grep -o '<release version="[^"]*"' "$root/usr/share/metainfo/$id.metainfo.xml" | head -n1 | cut -d'"' -f2)
[ "$released" = "$version" ] || fail "the metainfo's newest release is '$released', the package is $version"
zcat "$root/usr/share/man/man1/korva.1.gz" | grep -q "^\.TH KORVA 1 .*\"korva $version\"" || fail "the manual page is not of $version"
"$root/usr/bin/veq-sim" --help >/dev/null || fail "veq-sim --help"

# The desktop entry opens a file with korva, under an icon the package has.
desktop=$root/usr/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=korva %f' "$desktop" || fail "Exec is not 'korva %f'"
icon=$(sed -n 's/^Icon=//p' "$desktop")
grep -q "^/usr/share/icons/hicolor/scalable/apps/$icon.svg$" "$work/list" || fail "no scalable icon '$icon'"
# Warnings count: appstreamcli fails on them as on errors.
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "korva_${version}_${arch}.deb: all checks passed"
