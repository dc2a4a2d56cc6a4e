#!/usr/bin/env bash
# The demo: example pictures made from code for every platform module, what Orvalon
# recognises in them, each converted to PNG with the machine's palette and pixel shape,
# and one page showing them all: build/demo/index.html.
set -euo pipefail
build=${1:-build/release}
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
# The pictures program says which modules have no example yet; that is no failure.
"$build/orvalon-demo-pictures" "$demo/files" || echo "(some example pictures were left out)"
missing=$(cat "$demo/files/missing-modules.txt")
rm -f "$demo/files/missing-modules.txt"
note="Example pictures made in code, one or more for each platform module."
[ -z "$missing" ] || note="$note No example picture yet for: $missing."
echo
echo "What orvalon makes of them with every module registered (best engine):"
"$build/orvalon" gallery "$demo"/files/* -o "$demo" --note "$note" | sed "s|$demo/files/||"
echo "Converted pictures: $demo/pictures/, thumbnails: $demo/thumbnails/"
echo "Open $demo/index.html to see them all."
