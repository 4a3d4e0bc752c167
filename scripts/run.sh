#!/bin/bash
# make run: builds the program and starts it. On Windows the .exe runs as it
# is; elsewhere under Wine with a prefix of its own (build/wine), on the
# user's display. Without a display it runs on a private Xvfb display, saves
# a screenshot of the main window to build/screenshot.png and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    cmake -S . -B build/windows >/dev/null
    cmake --build build/windows --target brelvix -j"$jobs"
    exec build/windows/src/app/brelvix.exe
    ;;
esac

echo "Building the Windows program (preset mingw)..."
cmake --preset mingw >build/configure-run.log 2>&1 || { cat build/configure-run.log; exit 1; }
cmake --build --preset mingw --target brelvix -j"$jobs" >build/build-run.log 2>&1 || {
  grep -E -A8 'error|Error' build/build-run.log | head -n 60
  exit 1
}
exe=$root/build/mingw/src/app/brelvix.exe

# shellcheck source=scripts/wine-common.sh
source scripts/wine-common.sh
bx_wine_prefix "$root/build/wine"

if [ -n "${DISPLAY:-}" ]; then
  bx_window_manager_draws_frames yes
  echo "Starting Brelvix under Wine on display $DISPLAY."
  # The settings file brelvix.ini lives beside the program: the folder it
  # starts in (build/wine) holds none.
  cd "$root/build/wine"
  status=0
  wine "$exe" || status=$?
  wineserver -w
  # Closing the main window ends the program with exit code 1.
  if [ "$status" -ne 1 ]; then
    echo "Brelvix ended with exit code $status." >&2
    exit "$status"
  fi
  exit 0
fi

# No display: show the main window on a private one and photograph it. The
# settings in the folder it starts in skip the language question.
trap 'wineserver -k 2>/dev/null || true; bx_stop_display' EXIT
bx_window_manager_draws_frames no
bx_start_display "$root/build/xvfb-run.log"
work=$root/build/wine/headless
bx_write_settings "$work" "${BRELVIX_LANGUAGE:-0}" 'C:\users\Public\Documents'
cd "$work"
wine "$exe" >/dev/null 2>&1 &
if ! window=$(bx_wait_for_window Brelvix 120); then
  echo "The main window did not appear." >&2
  exit 1
fi
# Let it finish painting before the picture is taken.
sleep 1
import -window "$window" "$root/build/screenshot.png"
echo "No DISPLAY: ran Brelvix on a private Xvfb display ($DISPLAY)."
echo "Saved a screenshot of the main window to build/screenshot.png"
