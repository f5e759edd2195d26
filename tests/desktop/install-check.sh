#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a desktop and a
# package manager read: the files in their usual places, the desktop file
# and metainfo through their validators, the icon sizes, and the Debian
# package with its declared dependencies.
#
#   install-check.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
share="$stage/usr/share"
expected=(
  "usr/bin/vesk"
  "usr/share/applications/$id.desktop"
  "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
)
for size in 16 22 24 32 48 64 128 256 512; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -s "$stage/$file" ] || fail "not installed: /$file"
done
[ -x "$stage/usr/bin/vesk" ] || fail "/usr/bin/vesk is not executable"
# Nothing else: no tests, tools or the demo in the user's system.
installed=$(cd "$stage" && find . -type f | sed 's|^\./||' | sort)
unexpected=$(comm -23 <(echo "$installed") <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$unexpected" ] || fail "installed unexpectedly: $unexpected"

# A PNG's width and height are the IHDR fields at bytes 16..23.
for size in 16 22 24 32 48 64 128 256 512; do
  png="$share/icons/hicolor/${size}x${size}/apps/$id.png"
  read -r w h < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24])) if d[:8]==b"\x89PNG\r\n\x1a\n" else print(0,0)' "$png")
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "$png is ${w}x${h}, not ${size}x${size}"
done

desktop="$share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $desktop"
grep -qx "Icon=$id" "$desktop" || fail "the desktop file does not name the icon $id"
grep -qx "Exec=vesk %u" "$desktop" || fail "the desktop file does not start vesk with the address"
grep -qx "MimeType=x-scheme-handler/mailto;" "$desktop" \
  || fail "the desktop file does not take mailto: addresses"
metainfo="$share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli refused $metainfo"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
  || fail "the metainfo does not launch $id.desktop"
[ "$(grep -c '<caption>' "$metainfo")" -ge 3 ] || fail "the metainfo lacks screenshot captions"

# The package from the same build, into a folder of this run.
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null) \
  || fail "cpack -G DEB failed"
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || fail "cpack made no .deb"
info=$(dpkg-deb -I "$deb")
echo "$info"
depends=$(echo "$info" | sed -n 's/^ Depends: //p')
[ -n "$depends" ] || fail "the package declares no dependencies"
for needed in libqt6widgets6 libqt6dbus6 libqt6svg6 libsecret-1-0 gnome-keyring; do
  [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed"
done
contents=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
  [[ "$contents" == *"./$file"* ]] || fail "the package lacks /$file"
done
echo "install, validators and package: ok"
