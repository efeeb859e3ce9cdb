# Sourced: starts one Xvfb and a persistent Wine session for a whole test run.
# The order matters: a first boot must be waited for (wineserver -w) before COM works, and
# helpers started with our standard streams would keep CTest waiting, hence </dev/null.
wine_session_start() {
  local root=$1
  export WINEPREFIX="$root/build/windows/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local n=90
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  WINE_SESSION_XVFB=$!
  export DISPLAY=":$n"
  trap wine_session_stop EXIT
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
  wineserver -p
  wine notepad.exe </dev/null >/dev/null 2>&1 &
  # The first test must not be the program that starts Wine's desktop process: that process
  # would inherit CTest's pipes and keep the test "running" until its timeout.
  local i
  for i in $(seq 1 60); do
    pgrep -f 'explorer.exe' >/dev/null && pgrep -f 'notepad.exe' >/dev/null && break
    sleep 0.5
  done
  sleep 1
}
wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${WINE_SESSION_XVFB:-}" ] && kill "$WINE_SESSION_XVFB" 2>/dev/null || true
  WINE_SESSION_XVFB=""
}
