#!/usr/bin/env bash
# wine-session.sh CMD [ARGS...]: a private Xvfb, the prefix, and a warmed-up persistent
# wineserver; runs CMD with DISPLAY set, then stops every Wine process of the prefix and
# the Xvfb. The exit status is CMD's.
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/wine-env.sh"
dfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dfile" </dev/null >/dev/null 2>&1 &
xpid=$!
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null
  rm -f "$dfile"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
for _ in $(seq 200); do
  [ -s "$dfile" ] && break
  kill -0 "$xpid" 2>/dev/null || break
  sleep 0.05
done
n=$(head -n1 "$dfile")
[ -n "$n" ] || { echo "wine-session.sh: Xvfb did not start" >&2; exit 125; }
export DISPLAY=":$n"
wine_prefix_ready || { echo "wine-session.sh: wineboot failed for $WINEPREFIX" >&2; exit 125; }
# Wine's first process starts services that inherit its output; start them here on
# /dev/null and keep the server alive, or test runners wait for those pipes to close.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit 0 </dev/null >/dev/null 2>&1
"$@"
