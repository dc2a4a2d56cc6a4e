#!/bin/sh
# Writes the man page of orvalon from its own --help text, so the two never disagree.
# Usage: man-page.sh ORVALON-BINARY OUTPUT VERSION
set -eu
bin=$1 out=$2 version=$3
tmp="$out.tmp"
{
  printf '.TH ORVALON 1 "" "orvalon %s" "User Commands"\n' "$version"
  printf '.SH NAME\norvalon \\- show, convert and thumbnail pictures of old home computers\n'
  printf '.SH DESCRIPTION\n'
  printf 'orvalon recognises picture files of old home computers by their size, extension\n'
  printf 'and signature, decodes them with the machine'"'"'s palette and pixel shape, and\n'
  printf 'writes them as PNG, BMP or GIF files, thumbnails, palettes or a gallery page.\n'
  printf '.SH USAGE\n.nf\n'
  # Backslashes doubled; lines starting with a dot or quote escaped with a zero-width char.
  "$bin" --help | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
  printf '.fi\n'
  printf '.SH FILES\n.TP\n.I share/thumbnailers/orvalon.thumbnailer\n'
  printf 'lets file managers show thumbnails of these pictures\n'
  printf '.TP\n.I share/mime/packages/orvalon.xml\nthe MIME types image/x-orvalon-*\n'
} >"$tmp"
mv "$tmp" "$out"
