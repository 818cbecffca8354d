#!/usr/bin/env bash
# The installed tree: the program through its launcher, and the desktop entry, icon, metadata and
# manual page where a desktop and man look for them.
set -u
exe="$1"
build=$(dirname "$exe")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >"$work/install" 2>&1 || { cat "$work/install"; exit 1; }
id=org.groovemangler.GrooveMangler
desktop="$prefix/share/applications/$id.desktop"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
manual="$prefix/share/man/man1/GrooveMangler.1"
for file in "$desktop" "$icon" "$metainfo" "$manual"; do [ -f "$file" ] || fail "not installed: $file"; done

desktop-file-validate "$desktop" >"$work/validate" 2>&1 || fail "the desktop entry is not valid: $(cat "$work/validate")"
grep -qx "Exec=GrooveMangler --open %F" "$desktop" || fail "the desktop entry does not open files with --open"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || fail "metadata not valid: $(cat "$work/appstream")"
fi
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -w 16 -h 16 "$icon" -o "$work/icon.png" || fail "the icon does not render"
fi

MANWIDTH=80 man -l "$manual" >"$work/man" 2>"$work/manerr" || fail "man cannot read the manual page"
[ -s "$work/manerr" ] && fail "man complains: $(cat "$work/manerr")"
grep -q -- "--open \[FILE...\]" "$work/man" || fail "the manual page does not render its options"

# The launcher runs the installed program, which says what the built one says.
"$prefix/bin/GrooveMangler" --help >"$work/installed-help" 2>&1 || fail "the installed program does not run"
"$exe" --help >"$work/built-help" 2>&1
cmp -s "$work/installed-help" "$work/built-help" || fail "the installed program is not the built one"

[ "$failures" -eq 0 ] && echo "all installed-tree checks passed"
exit "$failures"
