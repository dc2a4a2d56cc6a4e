#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARGS...]: runs a Windows program headless; the exit status is
# the program's (mod 256). CMake's emulator for cross-compiled tests. Without DISPLAY it
# starts a session of its own; run many programs inside one wine-session.sh instead.
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/wine-env.sh"
if [ -z "${DISPLAY:-}" ]; then exec "$HERE/wine-session.sh" "$HERE/wine-run.sh" "$@"; fi
wine_prefix_ready || { echo "wine-run.sh: wineboot failed for $WINEPREFIX" >&2; exit 125; }
exec wine "$@"
