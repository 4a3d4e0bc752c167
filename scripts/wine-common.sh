# Shared by run.sh, screenshots.sh, test.sh, test-dist.sh and the build's
# wine-run.sh (sourced, also by /bin/sh): the Wine prefixes the program and
# its tests run in, and a private X display when there is none.

# Windows Wine draws itself, captions and frames included, instead of leaving
# them to a window manager: a bare Xvfb display has none, and Wine waits up to
# two seconds for one to withdraw every managed window it hides. Any
# arguments are a command that runs each step (another user's environment).
bx_wine_unmanaged() {
  "$@" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

# Creates the Wine prefix $1 on first use, with unmanaged windows, and then
# waits for its server to end. Further arguments as for bx_wine_unmanaged;
# the caller sets WINEPREFIX (or passes it in that command).
bx_wine_boot() {
  local prefix=$1
  shift
  if [ ! -f "$prefix/.brelvix-unmanaged" ]; then
    "$@" wineboot --init >/dev/null 2>&1
    bx_wine_unmanaged "$@"
    "$@" touch "$prefix/.brelvix-unmanaged"
    "$@" wineserver -w
  fi
}

# Creates the prefix on first use and sets it up for the program's texts:
# Wine's own fonts in the prefix (some Wine packages do not find them where
# they are installed), the Japanese dialog font mapped to IPA P Gothic, and
# captions, menus and message boxes falling back to it for Japanese
# characters. On a system that is not Japanese, Wine draws those in Tahoma,
# captions in Tahoma Bold: a face that is linked by its own name only.
bx_wine_prefix() {
  local prefix=$1
  export WINEPREFIX=$prefix
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  local stamp="$prefix/.brelvix-fonts-3"
  [ -f "$stamp" ] && return 0
  echo "Setting up the Wine prefix $prefix (first use only)..."
  mkdir -p "$prefix"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  local dir
  for dir in /usr/share/wine/fonts /usr/lib/wine/fonts /opt/wine*/share/wine/fonts; do
    if [ -d "$dir" ]; then
      cp -n "$dir"/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
      break
    fi
  done
  local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  for face in Tahoma "Tahoma Bold" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif"; do
    wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "ipagp.ttf,IPAPGothic" /f >/dev/null 2>&1
  done
  # Wine turns the arguments into UTF-16 by the locale: these names need a
  # UTF-8 locale it knows (make deps creates en_US.UTF-8).
  local replacements='HKCU\Software\Wine\Fonts\Replacements'
  local utf8=en_US.UTF-8
  locale -a 2>/dev/null | grep -qix 'en_US.utf8' || utf8=C.UTF-8
  LC_ALL=$utf8 wine reg add "$replacements" /v "ＭＳ Ｐゴシック" /d IPAPGothic /f >/dev/null 2>&1
  LC_ALL=$utf8 wine reg add "$replacements" /v "ＭＳ ゴシック" /d IPAGothic /f >/dev/null 2>&1
  wine reg add "$replacements" /v "MS UI Gothic" /d IPAPGothic /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
}

# yes: windows are left to the desktop's window manager (Wine's default);
# no: Wine draws captions and frames itself, as a bare Xvfb display has no
# window manager to do it.
bx_window_manager_draws_frames() {
  local key='HKCU\Software\Wine\X11 Driver'
  if [ "$1" = yes ]; then
    wine reg delete "$key" /v Managed /f >/dev/null 2>&1 || true
  else
    bx_wine_unmanaged
  fi
  wineserver -w
}

# Starts Xvfb on a free display and exports DISPLAY; bx_stop_display ends it.
bx_start_display() {
  local log=$1
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" >"$log" 2>&1 &
  bx_xvfb_pid=$!
  local i
  for i in $(seq 100); do
    [ -s "$fd_file" ] && break
    sleep 0.1
  done
  if [ ! -s "$fd_file" ]; then
    echo "Xvfb did not start (see $log)" >&2
    rm -f "$fd_file"
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$fd_file")"
  rm -f "$fd_file"
}

bx_stop_display() {
  if [ -n "${bx_xvfb_pid:-}" ]; then
    kill "$bx_xvfb_pid" 2>/dev/null || true
    wait "$bx_xvfb_pid" 2>/dev/null || true
    bx_xvfb_pid=
  fi
}

# The X window id of the top-level window titled $1 (or "NAME - $1", as the
# main window names its list) once it is shown, waiting
# up to $2 seconds; empty when it never appears.
bx_wait_for_window() {
  local title=$1 seconds=$2 id="" i
  for i in $(seq $((seconds * 5))); do
    # The main window's title names its list first: "Untitled - Brelvix".
    id=$(xwininfo -root -tree 2>/dev/null |
      awk -v t="\"$title\":" -v s=" - $title\":" 'index($0, t) || index($0, s) { print $1; exit }')
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# A settings file that makes the program start in language $2 (0 English,
# 1 Japanese) with the output folder $3, in folder $1.
bx_write_settings() {
  local folder=$1 language=$2 output=$3
  mkdir -p "$folder"
  printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<config>\r\n  <language>%s</language>\r\n  <output_path>%s</output_path>\r\n</config>\r\n' \
    "$language" "$output" >"$folder/brelvix.ini"
}
