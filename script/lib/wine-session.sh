# Sourced by script/run and script/test: one private Wine prefix, one display and one persistent
# wineserver for a whole session, so each Wine program starts in a fraction of a second.
#   wine_session_start [private-display]   then   wine_session_stop
#   wine_session_hold_desktop HOLDER_EXE    keeps the desktop open between short-lived programs
# HOROLUX_SCREEN (WIDTHxHEIGHT, 1024x768) sizes a private display and a new prefix's desktop.
WINE=/usr/lib/wine/wine64
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)

wine_session_start() {
  local want_private_display=${1:-}
  export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
  HOROLUX_TEMP_PREFIX=""
  if [ -n "${HOROLUX_WINEPREFIX:-}" ]; then
    export WINEPREFIX=$HOROLUX_WINEPREFIX
  else
    HOROLUX_TEMP_PREFIX=$(mktemp -d /tmp/horolux-wine.XXXXXX)
    export WINEPREFIX=$HOROLUX_TEMP_PREFIX/prefix
  fi
  mkdir -p "$WINEPREFIX"
  HOROLUX_XVFB_PID=""
  if [ -n "$want_private_display" ] || [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 140); do [ -e /tmp/.X$n-lock ] || break; done
    Xvfb :$n -screen 0 "${HOROLUX_SCREEN:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
    HOROLUX_XVFB_PID=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 120 "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    # One shared, framed virtual desktop: windows get frames (so hiding one is quick) and every
    # program of the session sees the others' windows.
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Shared /f >/dev/null 2>&1
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Shared /d "${HOROLUX_SCREEN:-1024x768}" /f >/dev/null 2>&1
    "$WINESERVER" -w
  fi
  wine_link_fonts
  "$WINESERVER" -p
  timeout 120 "$WINE" wineboot >/dev/null 2>&1 || true  # warm-up, see engineering notes
}

# Starts build/win/desktop_holder.exe (tests/support/desktop_holder.cpp says why) and waits until
# it has the desktop up; false when it did not come up within 30 s.
wine_session_hold_desktop() {  # HOLDER_EXE
  local fd line=""
  exec {fd}< <(exec "$WINE" "$1" </dev/null 2>/dev/null)
  HOROLUX_HOLDER_PID=$!
  read -r -t 30 -u "$fd" line || true
  exec {fd}<&-
  [ "${line%$'\r'}" = ready ]  # a Windows program's text output ends its lines in CR LF
}

wine_session_stop() {
  if [ -n "${HOROLUX_HOLDER_PID:-}" ]; then kill "$HOROLUX_HOLDER_PID" 2>/dev/null || true; fi
  "$WINESERVER" -k 2>/dev/null || true
  if [ -n "${HOROLUX_XVFB_PID:-}" ]; then kill "$HOROLUX_XVFB_PID" 2>/dev/null || true; fi
  if [ -n "${HOROLUX_TEMP_PREFIX:-}" ]; then "$WINESERVER" -w 2>/dev/null || true; rm -rf "$HOROLUX_TEMP_PREFIX"; fi
  HOROLUX_XVFB_PID="" HOROLUX_TEMP_PREFIX="" HOROLUX_HOLDER_PID=""
}

# Debian's Wine looks for its own fonts (Marlett, Tahoma, MS Sans Serif, ...) in a folder it
# spells "<data dir>\../fonts", which never resolves, so without this every caption button is
# drawn as a letter of a stand-in face. Wine also loads every font in the prefix's
# C:\windows\Fonts, so link them there; done at every start so older prefixes get them too, and
# before any Wine program of the session starts, since each process reads the fonts once.
wine_link_fonts() {
  local src=/usr/share/wine/fonts dst=$WINEPREFIX/drive_c/windows/Fonts f
  [ -d "$src" ] || return 0
  mkdir -p "$dst"
  for f in "$src"/*; do
    [ -e "$dst/${f##*/}" ] || ln -sf "$f" "$dst/${f##*/}"
  done
}

# A screenshot of the whole display, as one plain read of the root window. Not xwd -root: Wine
# gives each process's windows their own colormap, which sends xwd down its multi-visual path,
# and that reads a window lying wholly inside another one of the same process through the lower
# window, so a dialog over the main window comes out as a black box until it is moved.
wine_screenshot() {
  local import=/usr/bin/import  # ImageMagick itself, not a stand-in earlier on PATH
  [ -x "$import" ] || import=import
  "$import" -silent -display "$DISPLAY" -window root "$1"
}
