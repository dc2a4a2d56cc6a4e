# Sourced by wine-run.sh and wine-session.sh: one private 64-bit prefix, quiet, and no
# dialogs that would wait forever on an invisible display.
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/orvalon-wine-$(id -u)}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine turns file names into the locale's charset: without a UTF-8 locale (LANG unset, as
# in containers and cron) it cannot create names such as "été.pal". C.UTF-8 is always there.
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in
  *UTF-8* | *utf-8* | *UTF8* | *utf8*) ;;
  *) export LC_ALL=C.UTF-8 ;;
esac
# No mono/gecko installers, no menu entries written into $HOME, and no debugger: a crashing
# program must end with a non-zero status (the exception code's low byte), which winedbg
# does not always give. ORVALON_WINE_BACKTRACE=1 brings the debugger back for diagnosis.
if [ "${ORVALON_WINE_BACKTRACE:-0}" = 1 ]; then
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
else
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"
fi

# Creates the prefix once, serialised so that parallel test jobs do not race. Without a
# window manager (Xvfb has none) every top-level window destruction waits 2 s unless Wine
# manages its windows itself ("Managed"="N").
ORVALON_PREFIX_MARK=.orvalon-ready-v1
wine_prefix_ready() {
  [ -f "$WINEPREFIX/$ORVALON_PREFIX_MARK" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/$ORVALON_PREFIX_MARK" ]; then
      wineboot -i </dev/null >/dev/null 2>&1 || exit 1
      reg=$(mktemp --suffix=.reg)
      printf '%s\r\n' 'REGEDIT4' '' \
        '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' >"$reg"
      wine regedit /S "$reg" </dev/null >/dev/null 2>&1 || { rm -f "$reg"; exit 1; }
      rm -f "$reg"
      wineserver -w
      touch "$WINEPREFIX/$ORVALON_PREFIX_MARK"
    fi
  ) 9>"$WINEPREFIX.lock"
}
