#!/bin/sh
# The Linux desktop files as a file manager uses them: install into a temporary prefix,
# run the thumbnailer entry's command with its %i/%o/%s filled in, let shared-mime-info
# build its database from our XML and look a picture's type up in it.
# Usage: desktop_test.sh BUILD-DIR [SAMPLES-DIR]
set -eu
build=$1
samples=${ORVALON_SAMPLES:-${2:-}}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*"; }

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
share=$tmp/usr/share
for f in bin/orvalon share/man/man1/orvalon.1 share/thumbnailers/orvalon.thumbnailer \
  share/mime/packages/orvalon.xml; do
  [ -f "$tmp/usr/$f" ] || fail "make install left out $f"
done
"$tmp/usr/bin/orvalon" --version | grep -q '^orvalon [0-9]' || fail "installed tool has no --version"
grep -q 'orvalon thumbnail' "$share/man/man1/orvalon.1" || fail "the man page lacks the commands"

# A ZX Spectrum screen with a border (.bsc): 6912 screen bytes and 4224 border bytes.
pic=$tmp/stripes.bsc
LC_ALL=C awk 'BEGIN { for (i = 0; i < 11136; i++) printf "%c", (i < 6144 ? (i % 3 ? 85 : 255) : 56 + i % 7) }' >"$pic"
[ "$(wc -c <"$pic")" -eq 11136 ] || fail "could not build the test picture"

# The thumbnailer entry, read the way file managers read it.
entry=$share/thumbnailers/orvalon.thumbnailer
head -1 "$entry" | grep -qx '\[Thumbnailer Entry\]' || fail "no [Thumbnailer Entry] group"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -n "$exec_line" ] || fail "no Exec line"
mimes=$(sed -n 's/^MimeType=//p' "$entry")
thumbnail() {  # input output size
  cmd=$(printf '%s' "$exec_line" | sed -e "s|%i|$1|g" -e "s|%o|$2|g" -e "s|%s|$3|g")
  # The Exec line, run through a shell the way file managers split it into words.
  PATH="$tmp/usr/bin:$PATH" sh -c "$cmd" >/dev/null || fail "thumbnailer failed on $1: $cmd"
  [ "$(od -An -tx1 -N8 "$2" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$2 is not a PNG"
  w=$(od -An -tu1 -j16 -N4 "$2" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  h=$(od -An -tu1 -j20 -N4 "$2" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  { [ "$w" -le "$3" ] && [ "$h" -le "$3" ] && { [ "$w" -eq "$3" ] || [ "$h" -eq "$3" ]; }; } ||
    fail "$1: thumbnail of ${w}x${h} does not fit a box of $3"
}
thumbnail "$pic" "$tmp/thumb.png" 128
checked=1
if [ -n "$samples" ] && [ -d "$samples" ]; then
  for f in "$samples"/atarist/*.PI1 "$samples"/c64/*.koa "$samples"/msx/*.SR5; do
    [ -f "$f" ] || continue
    thumbnail "$f" "$tmp/sample.png" 256
    checked=$((checked + 1))
  done
else
  skip "sample pictures (no samples folder)"
fi

# Every type the entry handles is one of ours, and the XML declares it.
xml=$share/mime/packages/orvalon.xml
for t in $(printf '%s' "$mimes" | tr ';' ' '); do
  case "$t" in image/x-orvalon-*) ;; *) fail "thumbnailer claims $t, not a type of ours" ;; esac
  grep -q "type=\"$t\"" "$xml" || fail "$t is not in the MIME XML"
done
# No extension that the system's database already gives to another type.
if [ -f /usr/share/mime/globs2 ]; then
  for g in $(sed -n 's/.*<glob pattern="\([^"]*\)".*/\1/p' "$xml"); do
    # globs2 lines are weight:type:pattern; patterns match without regard to case.
    awk -F: -v g="$g" '$2 !~ /^image\/x-orvalon-/ && tolower($3) == tolower(g) { found = 1 }
      END { exit !found }' /usr/share/mime/globs2 && fail "$g belongs to an existing type"
  done
fi

if command -v update-mime-database >/dev/null 2>&1; then
  XDG_DATA_DIRS="$share" update-mime-database "$share/mime" 2>"$tmp/mime.err" || { cat "$tmp/mime.err" >&2; fail "update-mime-database refused the XML"; }
  [ ! -s "$tmp/mime.err" ] || { cat "$tmp/mime.err" >&2; fail "update-mime-database warned"; }
  grep -qx '50:image/x-orvalon-zx-spectrum:\*\.bsc' "$share/mime/globs2" ||
    fail "the database does not give .bsc our type"
  [ -f "$share/mime/image/x-orvalon-sega-master-system.xml" ] || fail "no entry for a type with a signature"
  if command -v xdg-mime >/dev/null 2>&1 && command -v mimetype >/dev/null 2>&1; then
    type=$(XDG_DATA_DIRS="$share" XDG_DATA_HOME="$tmp/none" xdg-mime query filetype "$pic")
    [ "$type" = image/x-orvalon-zx-spectrum ] || fail "xdg-mime says $type for $pic"
    # By signature alone, under a name that says nothing.
    { printf 'KR04'; head -c 200 /dev/zero; } >"$tmp/picture"
    type=$(XDG_DATA_DIRS="$share" XDG_DATA_HOME="$tmp/none" xdg-mime query filetype "$tmp/picture")
    [ "$type" = image/x-orvalon-elektronika-kr04 ] || fail "xdg-mime says $type for a KR04 file"
  else
    skip "xdg-mime lookup (xdg-utils or its mimetype helper missing)"
  fi
else
  skip "update-mime-database (shared-mime-info missing)"
fi
echo "desktop files: thumbnails of $checked pictures checked"
