#!/usr/bin/env bash
# Checks an installed tree (cmake --install into a scratch DESTDIR, or the Debian package
# unpacked): exactly the expected files, a valid desktop entry, AppStream metadata and manual
# pages, programs that report the version without needing a display, and a MIME type that makes
# the desktop call a .kss file a "KISS capture" and offer the decoder for it.
set -u
root=$(realpath "${1:?usage: $0 <root> <version>}")
version=${2:?usage: $0 <root> <version>}
app_id=org.orvelt.decoder
kType=application/x-kiss-capture
# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"  # a scratch $work, fail

for tool in desktop-file-validate appstreamcli groff xdg-mime update-mime-database \
  update-desktop-database; do
  command -v "$tool" >/dev/null ||
    { echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)" >&2; exit 77; }
done

# Every file the package holds. A new program adds its binary and its manual page here.
programs=(orvelt-archive orvelt-decoder orvelt-dump orvelt-receive)
expected=(
  usr/share/applications/$app_id.desktop
  usr/share/metainfo/$app_id.metainfo.xml
  usr/share/mime/packages/orvelt-decoder.xml
  usr/share/icons/hicolor/scalable/apps/$app_id.svg
  usr/share/doc/orvelt-decoder/changelog.gz
  usr/share/doc/orvelt-decoder/copyright
  usr/share/orvelt/conf.ini
  usr/share/orvelt/obc_offset.ini
  usr/share/orvelt/orvelt1.ksy
)
for program in "${programs[@]}"; do
  expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz")
done
for size in 16 22 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done

actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [[ "$actual" != "$wanted" ]]; then
  diff <(echo "$wanted") <(echo "$actual") | sed 's/^</missing:/; s/^>/unexpected:/' | grep -E '^(missing|unexpected)' >&2
  fail "the installed files differ from the expected list"
fi

for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  # Width and height stand big-endian at bytes 16 to 23 of a PNG.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [[ "$dims" == "${size}x${size}" ]] || fail "$png is $dims, not ${size}x${size}"
done

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" ||
  fail "desktop-file-validate rejects the desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo does not name release $version"

for program in "${programs[@]}"; do
  page="$root/usr/share/man/man1/$program.1.gz"
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
  zcat "$page" | grep -q "\"orvelt $version\"" || fail "$page does not name version $version"
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [[ "$out" == "$program $version" ]] || fail "$program --version says '$out'"
done
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/orvelt-decoder" --help) ||
  fail "orvelt-decoder --help failed without a display"
[[ "$help" == usage:* ]] || fail "orvelt-decoder --help printed no usage"

# The MIME type, in a session with nothing but this user's data folder and the system's MIME
# basics, and no desktop environment, so that xdg-mime uses the shared MIME database itself.
export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export XDG_DATA_DIRS=/usr/share
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID DISPLAY
mkdir -p "$HOME" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
printf 'not really a capture' >"$work/pass.kss"

before=$(xdg-mime query filetype "$work/pass.kss")
[[ "$before" != "$kType" ]] || fail "$kType is known before it was installed: the test proves nothing"

xdg-mime install --mode user "$root/usr/share/mime/packages/orvelt-decoder.xml" ||
  fail "xdg-mime install failed"
type=$(xdg-mime query filetype "$work/pass.kss")
[[ "$type" == "$kType" ]] || fail "a .kss file is '$type', not $kType"
comment=$(grep -o '<comment>[^<]*</comment>' "$XDG_DATA_HOME/mime/$kType.xml" | head -n 1)
[[ "$comment" == "<comment>KISS capture</comment>" ]] || fail "the type is described as $comment"

# The desktop entry offers the decoder for the type.
cp "$root/usr/share/applications/$app_id.desktop" "$XDG_DATA_HOME/applications/"
update-desktop-database "$XDG_DATA_HOME/applications"
handler=$(xdg-mime query default "$kType")
[[ "$handler" == "$app_id.desktop" ]] || fail "the default program for $kType is '$handler'"

echo "installed files test passed: ${#expected[@]} files, .kss is $type, opened by $handler"
