#!/usr/bin/env bash
# Installs what the Windows build needs on Debian 12: the 64-bit MinGW-w64 compiler with
# posix threads, Debian's static zlib for it, Wine with fonts, and Xvfb. apt runs only when
# something is missing. apt-get source needs deb-src entries; when the machine has none,
# they are derived from its own deb entries.
set -euo pipefail
SUDO=""
PKGS="g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 fonts-wine xvfb cmake ninja-build dpkg-dev"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing="$missing $p"
done

have_deb_src() {
  grep -rqsE '^Types:.*deb-src|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/
}
# A user without sudo cannot install anything: say what root has to do. Missing packages
# stop the build; missing deb-src entries matter only while the Windows libraries are not
# built yet (build-deps.sh then shows apt's own message), so they are only mentioned.
skip_src=0
if [ "$(id -u)" != 0 ] && { [ -n "$missing" ] || ! have_deb_src; }; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    src_hint="deb-src entries in /etc/apt/sources.list.d/ (for apt-get source), then apt-get update"
    if [ -n "$missing" ]; then
      echo "The Windows build needs, installed as root:" >&2
      echo "  apt-get update && apt-get install -y --no-install-recommends$missing" >&2
      have_deb_src || echo "  $src_hint" >&2
      echo "Run that with su -c '...' (or as root), then run this again." >&2
      exit 1
    fi
    echo "note: no sudo to add $src_hint; a first build of the Windows libraries needs them" >&2
    skip_src=1
  fi
fi
added_src=0
if [ "$skip_src" = 0 ] && ! have_deb_src; then
  src=/etc/apt/sources.list.d/orvalon-deb-src.sources
  tmp=$(mktemp)
  # deb822 files: copy each enabled "Types: deb" stanza as "Types: deb-src".
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN{RS="";ORS="\n\n"} /(^|\n)Types:[^\n]*deb/ && !/Enabled: *no/ {sub(/Types:[^\n]*/,"Types: deb-src"); print}' "$f" >>"$tmp"
  done
  # One-line files: "deb URI suite comp" becomes "deb-src URI suite comp".
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^deb \(.*\)$/deb-src \1/p' "$f" >>"${tmp}.list"
  done
  # mktemp makes 0600 files; apt-get source runs as the user and must read the entries.
  if [ -s "$tmp" ]; then $SUDO install -m 0644 "$tmp" "$src"; added_src=1; fi
  if [ -s "${tmp}.list" ]; then
    $SUDO install -m 0644 "${tmp}.list" /etc/apt/sources.list.d/orvalon-deb-src.list
    added_src=1
  fi
  rm -f "$tmp" "${tmp}.list"
fi

if [ -n "$missing" ] || [ "$added_src" = 1 ]; then
  $SUDO apt-get update -q
fi
if [ -n "$missing" ]; then
  echo "installing:$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
