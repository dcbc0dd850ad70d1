#!/usr/bin/env bash
# Checks an installed tree (cmake --install into a scratch DESTDIR, or the Debian package
# unpacked): exactly the expected files, a valid desktop entry, AppStream metadata and manual
# pages, and programs that report the version without needing a display.
# Usage: installed_files_test.sh <root> <version>
set -u

if [[ $# -ne 2 ]]; then
  echo "usage: $0 <root> <version>" >&2
  exit 2
fi
root=$1
version=$2
app_id=org.orvelt.decoder

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in desktop-file-validate appstreamcli groff; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
  fi
done

# Every file the package holds. A new program adds its binary and its manual page here.
expected=(
  usr/bin/orvelt-archive
  usr/bin/orvelt-decoder
  usr/bin/orvelt-dump
  usr/bin/orvelt-receive
  usr/share/applications/$app_id.desktop
  usr/share/metainfo/$app_id.metainfo.xml
  usr/share/mime/packages/orvelt-decoder.xml
  usr/share/icons/hicolor/scalable/apps/$app_id.svg
  usr/share/man/man1/orvelt-archive.1.gz
  usr/share/man/man1/orvelt-decoder.1.gz
  usr/share/man/man1/orvelt-dump.1.gz
  usr/share/man/man1/orvelt-receive.1.gz
  usr/share/doc/orvelt-decoder/changelog.gz
  usr/share/doc/orvelt-decoder/copyright
  usr/share/orvelt/conf.ini
  usr/share/orvelt/obc_offset.ini
)
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

for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
  zcat "$page" | grep -q "\"orvelt $version\"" || fail "$page does not name version $version"
done

for program in orvelt-archive orvelt-decoder orvelt-dump orvelt-receive; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version) ||
    fail "$program --version failed"
  [[ "$out" == "$program $version" ]] || fail "$program --version says '$out'"
done
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/usr/bin/orvelt-decoder" --help) ||
  fail "orvelt-decoder --help failed without a display"
[[ "$help" == usage:* ]] || fail "orvelt-decoder --help printed no usage"

echo "installed files test passed: ${#expected[@]} files"
