#!/usr/bin/env bash
# The installed MIME type makes the desktop call a .kss file a "KISS capture" and offer the
# decoder for it: installs the type into a scratch XDG_DATA_HOME the way a desktop session would
# see it, then asks xdg-mime. Skipped (77) where xdg-utils or shared-mime-info are missing.
# Usage: mime_test.sh <root>
set -u

if [[ $# -ne 1 ]]; then
  echo "usage: $0 <root>" >&2
  exit 2
fi
root=$(realpath "$1")
readonly kType=application/x-kiss-capture
readonly kAppId=org.orvelt.decoder

for tool in xdg-mime update-mime-database update-desktop-database; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A session with nothing but this user's data folder and the system's MIME basics, and no
# desktop environment, so that xdg-mime uses the shared MIME database itself.
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
cp "$root/usr/share/applications/$kAppId.desktop" "$XDG_DATA_HOME/applications/"
update-desktop-database "$XDG_DATA_HOME/applications"
handler=$(xdg-mime query default "$kType")
[[ "$handler" == "$kAppId.desktop" ]] || fail "the default program for $kType is '$handler'"

echo "MIME test passed: .kss is $type, opened by $handler"
