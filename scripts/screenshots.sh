#!/bin/bash
# Makes the README's pictures of the main window in English and Japanese
# (docs/images/main-window-en.png, main-window-ja.png): the real window with
# three sample files in its list, under Wine on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

echo "Building (preset mingw)..."
mkdir -p build
cmake --preset mingw >build/configure-screenshots.log 2>&1 || { cat build/configure-screenshots.log; exit 1; }
cmake --build --preset mingw --target readme_window -j"$jobs" >build/build-screenshots.log 2>&1 || {
  grep -E -A8 'error|Error' build/build-screenshots.log | head -n 60
  exit 1
}
exe=$root/build/mingw/tests/app/readme/readme_window.exe

# shellcheck source=scripts/wine-common.sh
source scripts/wine-common.sh
bx_wine_prefix "$root/build/wine"
bx_window_manager_draws_frames no
trap 'wineserver -k 2>/dev/null || true; bx_stop_display' EXIT
bx_start_display "$root/build/xvfb-screenshots.log"

# The sample files sit in the prefix's C: drive, so the list shows C: paths.
samples_unix=$WINEPREFIX/drive_c/samples
samples='C:\samples'
mkdir -p "$samples_unix"
head -c 1536 /dev/zero >"$samples_unix/logo.png"
head -c 4410 /dev/zero >"$samples_unix/startup.wav"
head -c 2048 /dev/zero >"$samples_unix/font8x8.bin"

mkdir -p docs/images
for language in en ja; do
  work=$root/build/wine/readme-$language
  if [ "$language" = ja ]; then
    code=1 locale_name=ja_JP.UTF-8
  else
    code=0 locale_name=en_US.UTF-8
  fi
  bx_write_settings "$work" "$code" 'C:\arrays'
  (cd "$work" && LC_ALL=$locale_name wine "$exe" "$samples" logo.png startup.wav font8x8.bin \
    >/dev/null 2>&1 &)
  if ! window=$(bx_wait_for_window Brelvix 120); then
    echo "The $language main window did not appear." >&2
    exit 1
  fi
  # Let it finish painting before the picture is taken.
  sleep 1
  import -window "$window" "docs/images/main-window-$language.png"
  echo "Saved docs/images/main-window-$language.png"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
done
