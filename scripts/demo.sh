#!/usr/bin/env bash
# The demo: example pictures made from code, what Orvalon recognises in them, and each
# converted to PNG with the machine's palette and pixel shape.
set -euo pipefail
build=${1:-build/release}
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo/png"
"$build/orvalon-demo-pictures" "$demo/pictures"
echo
echo "What orvalon recognises (best engine first):"
"$build/orvalon" info "$demo"/pictures/*
echo
echo "Converted to PNG:"
"$build/orvalon" convert -d "$demo/png" "$demo"/pictures/*
echo
echo "The pictures are in $demo/png/"
