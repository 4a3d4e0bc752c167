#!/bin/bash
# The release packages of make dist, checked: the zip's files, the deb's files
# and its brelvix-cli --version, and the MSI installed into a fresh Wine
# prefix by an ordinary user, whose program folder that user cannot write.
# The installed program is started twice (the first start asks for the
# language and keeps it in the user's data folder; the second does not ask),
# then started once more where its folder is writable (the settings stay the
# user's) and uninstalled. Needs a display (DISPLAY) and the mingw build's
# package_driver.exe. Prints one line per check and ends with
# "dist checks: N passed, F failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/wine-common.sh
source scripts/wine-common.sh
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok:   $what"
    passed=$((passed + 1))
  else
    echo "FAIL: $what"
    failed=$((failed + 1))
  fi
}
finish() {
  echo "dist checks: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

if ! scripts/dist.sh; then
  failed=$((failed + 1))
  finish
fi
version=$(sed -n 's/^#define BX_VERSION_TEXT "\(.*\)"$/\1/p' build/native/generated/bx_version.h)
zip_file=dist/brelvix-$version-win64.zip
msi_file=dist/brelvix-$version-win64.msi
deb_file=dist/brelvix-cli_${version}_amd64.deb
work=$(mktemp -d /tmp/brelvix-dist.XXXXXX)
chmod 755 "$work"

# The zip: one folder with the programs, the pages and the texts.
expected_zip=$(printf '%s\n' brelvix.exe brelvix-cli.exe README.txt LICENSE.txt \
  help/en.html help/ja.html help/main-window-en.png help/main-window-ja.png \
  cmake/BrelvixConfig.cmake cmake/BrelvixConfigVersion.cmake cmake/BrelvixEmbed.cmake \
  cmake/BrelvixCliTargets.cmake |
  sed "s#^#brelvix-$version-win64/#" | sort)
check "zip holds the programs, help pages, README, LICENSE and the CMake package" \
  test "$(unzip -Z1 "$zip_file" | grep -v '/$' | sort)" = "$expected_zip"

# The deb: the tool, its manual page and the licence; the tool runs.
deb_files=$(dpkg-deb -c "$deb_file" | awk '{print $6}' | grep -v '/$' | sort | tr '\n' ' ')
cmake_files=$(printf './usr/lib/cmake/Brelvix/%s ' BrelvixCliTargets-relwithdebinfo.cmake \
  BrelvixCliTargets.cmake BrelvixConfig.cmake BrelvixConfigVersion.cmake BrelvixEmbed.cmake)
check "deb holds brelvix-cli, its CMake package, its man page and the copyright" \
  test "$deb_files" = "./usr/bin/brelvix-cli ${cmake_files}./usr/share/doc/brelvix-cli/copyright ./usr/share/man/man1/brelvix-cli.1.gz "
dpkg-deb -x "$deb_file" "$work/deb"
check "the deb's brelvix-cli --version says $version" \
  test "$("$work/deb/usr/bin/brelvix-cli" --version)" = "brelvix-cli $version"
check "the man page documents the commands" \
  bash -c "zcat '$work/deb/usr/share/man/man1/brelvix-cli.1.gz' | grep -q '^\\.SS to-text'"
check "the deb's copyright names the MIT licence" \
  grep -q "Permission is hereby granted" "$work/deb/usr/share/doc/brelvix-cli/copyright"
# The packages as a project finds them: the deb's with its tool on PATH (the
# sample embeds with it and must print its files), the zip's with its
# folder in CMAKE_PREFIX_PATH.
hello_hex=$(od -An -v -tx1 tests/cmake_package/data/hello.txt | tr -d ' \n')
check "find_package finds the deb's package by the tool on PATH, and it embeds" \
  bash -c "PATH='$work/deb/usr/bin':\$PATH cmake -S tests/cmake_package -B '$work/sample' \
    -G 'Unix Makefiles' >'$work/sample.log' 2>&1 &&
    grep -q 'Brelvix_DIR:PATH=$work/deb/usr/lib/cmake/Brelvix' '$work/sample/CMakeCache.txt' &&
    cmake --build '$work/sample' >>'$work/sample.log' 2>&1 &&
    '$work/sample/embed_sample' | grep -qx 'hello $hello_hex 0'"
unzip -q "$zip_file" -d "$work/zip"
# The user's README in both languages, not the developers' Markdown.
user_readme() {
  grep -q 'First steps' "$1" && grep -q 'はじめに' "$1" && ! grep -q '^## ' "$1" &&
    grep -q $'\r$' "$1"
}
check "zip's README.txt is the user's, in English and Japanese" \
  user_readme "$work/zip/brelvix-$version-win64/README.txt"
mkdir -p "$work/find"
# shellcheck disable=SC2016 # CMake's own ${}
echo 'cmake_minimum_required(VERSION 3.20)
project(Find NONE)
find_package(Brelvix REQUIRED)
get_target_property(tool Brelvix::brelvix-cli IMPORTED_LOCATION)
message(STATUS "tool=${tool}")' >"$work/find/CMakeLists.txt"
check "find_package finds the zip's package by its folder, with brelvix-cli.exe" \
  bash -c "cmake -S '$work/find' -B '$work/find/build' \
    -DCMAKE_PREFIX_PATH='$work/zip/brelvix-$version-win64' 2>&1 |
    grep -q 'tool=$work/zip/brelvix-$version-win64/brelvix-cli.exe'"

# The MSI, as an ordinary user with a prefix of their own. Run as root, the
# test makes that user; otherwise the user running it stands in.
user=$(id -un)
as_user() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
  user=brelvix-package-test
  id "$user" >/dev/null 2>&1 || useradd --no-create-home --home-dir "$work" "$user"
  chown "$user" "$work"
  as_user() { runuser -u "$user" -- env HOME="$work" "$@"; }
fi
# The deb's tool as the user would run it from /usr/bin, a folder they cannot
# write: its settings file is the one in the user's data folder.
[ "$(id -u)" -eq 0 ] || chmod a-w "$work/deb/usr/bin"
check "the deb's brelvix-cli looks for its settings in the user's data folder" \
  test "$(as_user env -u XDG_DATA_HOME HOME="$work" "$work/deb/usr/bin/brelvix-cli" settings 2>/dev/null | head -n 1)" = \
  "settings_file = $work/.local/share/quorvel/brelvix/brelvix.ini"

prefix=$work/prefix
driver=$work/package_driver.exe
cp build/mingw/tests/app/package/package_driver.exe "$driver"
cp "$msi_file" "$work/brelvix.msi"
chmod 644 "$driver" "$work/brelvix.msi"
# No menu entries of the installed program on the Linux desktop.
wine_env=(env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  DISPLAY="$DISPLAY"
  LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8)
wine_user() { as_user "${wine_env[@]}" "$@"; }
# The output of a Wine program, without CRs. Through a file: a wineserver or
# service that the program starts keeps its standard output open, and a pipe
# there would never end.
wine_output() {
  wine_user "$@" >"$work/output" 2>"$work/errors"
  local status=$?
  tr -d '\r' <"$work/output"
  return "$status"
}
bx_wine_boot "$prefix" wine_user

program_dir="$prefix/drive_c/Program Files/Brelvix"
data_dir="$prefix/drive_c/users/$user/AppData/Local/quorvel/brelvix"
msi_windows="Z:$(tr / '\\' <<<"$work")\\brelvix.msi"
# Wine's msiexec puts a per-machine Start-menu entry in the installing user's
# menu; Windows puts it in the all-users menu.
menus=("$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
  "$prefix/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs")
shortcut_there() { [ -f "${menus[0]}/Brelvix.lnk" ] || [ -f "${menus[1]}/Brelvix.lnk" ]; }
no_shortcut() { ! shortcut_there; }
check "msiexec /i installs quietly" wine_user wine msiexec /i "$msi_windows" /qn
wine_user wineserver -w
for file in brelvix.exe brelvix-cli.exe README.txt LICENSE.txt help/en.html help/ja.html; do
  check "installed: Program Files/Brelvix/$file" test -f "$program_dir/$file"
done
check "installed: the Start-menu entry" shortcut_there
check "installed: README.txt is the user's" user_readme "$program_dir/README.txt"
# Every picture a help page shows is installed beside it.
pictures_there() {
  local page picture
  for page in "$program_dir"/help/*.html; do
    for picture in $(grep -o 'src="[^"]*"' "$page" | sed 's/^src="//; s/"$//'); do
      [ -f "$program_dir/help/$picture" ] || return 1
    done
  done
}
check "installed: the help pages' pictures" pictures_there
check "the installed brelvix-cli.exe --version says $version" \
  test "$(wine_output wine "C:\\Program Files\\Brelvix\\brelvix-cli.exe" --version)" = "brelvix-cli $version"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The DisplayVersion of every installed Brelvix, one a line.
installed_versions() {
  wine_output wine reg query "$uninstall_key" /s |
    awk '/^HKEY/ { name = ""; v = "" } /DisplayName/ { name = $NF } /DisplayVersion/ { v = $NF }
         name == "Brelvix" && v != "" { print v; name = "" }'
}
check "installed: an uninstall entry of Brelvix $version" test "$(installed_versions)" = "$version"

# The program's folder as an installation leaves it on Windows: the user
# cannot write there.
if [ "$(id -u)" -eq 0 ]; then
  chown -R root:root "$program_dir"
else
  chmod -R a-w "$program_dir"
fi
check "the user cannot write the program folder" \
  as_user bash -c "! touch '$program_dir/probe' 2>/dev/null"

# As a user starts it: the Start-menu entry.
start_program() {
  local menu=${menus[1]}
  [ -f "${menus[0]}/Brelvix.lnk" ] && menu=${menus[0]}
  (cd "$work" && wine_user wine start "$(wine_output winepath -w "$menu/Brelvix.lnk")") >/dev/null 2>&1
}
drive() {
  wine_output wine "$driver" "$@"
  local status=$?
  tr -d '\r' <"$work/errors"
  return "$status"
}

shots=$root/build/dist-screenshots
rm -rf "$shots" && mkdir -p "$shots"
start_program
check "first start: the Choose Language dialog appears" drive language-dialog 60
import -window root "$shots/1-first-start-choose-language.png" 2>/dev/null
check "first start: its OK" drive choose-language 10
check "first start: then the main window" drive main-window 60
check "first start: the settings went to the user's data folder" \
  grep -q '<language>0</language>' "$data_dir/brelvix.ini"
check "first start: nothing written beside the program" test ! -e "$program_dir/brelvix.ini"
import -window root "$shots/2-first-start-main-window.png" 2>/dev/null
check "first start: the main window closes" drive close 30
wine_user wineserver -w

start_program
check "second start: the main window without the language question" drive main-window 60
import -window root "$shots/3-second-start-main-window.png" 2>/dev/null
# Help Topics opens the installed English page. The test prefix has no
# browser and no .html association: Notepad stands in.
wine_user wine reg add 'HKCR\.html' /ve /d htmlfile /f >/dev/null 2>&1
wine_user wine reg add 'HKCR\htmlfile\shell\open\command' /ve /d 'notepad.exe "%1"' /f >/dev/null 2>&1
check "Help Topics opens the installed help page" drive help 60
import -window root "$shots/4-help-topics.png" 2>/dev/null
check "second start: the main window closes" drive close 30
wine_user wineserver -w

# The installer's own folder again, as msiexec runs as the user here.
if [ "$(id -u)" -eq 0 ]; then
  chown -R "$user" "$program_dir"
else
  chmod -R u+w "$program_dir"
fi

# A later version replaces this one: one entry, the later version.
IFS=. read -r major minor patch tweak <<<"$version"
later=$major.$minor.$((patch + 1)).${tweak:-0}
wixl -a x64 -D Version="$later" -D StageDir="build/dist/brelvix-$version-win64" -D ResDir=res -D PackagingDir=packaging \
  -o "$work/brelvix.msi" packaging/brelvix.wxs
chmod 644 "$work/brelvix.msi"
check "a later version installs over it" wine_user wine msiexec /i "$msi_windows" /qn
wine_user wineserver -w
check "upgraded: one uninstall entry, of $later" test "$(installed_versions)" = "$later"

# Where the program folder is writable (an administrator's, or here), the
# installed program still keeps its settings per user: the installer's
# marker beside it says that it is installed.
check "installed: the installation marker beside the program" test -f "$program_dir/brelvix-installed.txt"
check "the user can write the program folder now" as_user test -w "$program_dir"
start_program
check "writable program folder: the main window" drive main-window 60
check "writable program folder: the main window closes" drive close 30
wine_user wineserver -w
check "writable program folder: nothing written beside the program" test ! -e "$program_dir/brelvix.ini"
check "writable program folder: the window's place kept in the user's settings" \
  grep -q '<window_width>' "$data_dir/brelvix.ini"

# The zip unpacked into a folder of the user's: a portable copy keeps its
# settings beside the program.
portable=$work/portable
unzip -q "$zip_file" -d "$portable"
[ "$(id -u)" -eq 0 ] && chown -R "$user" "$portable"
portable_dir=$portable/brelvix-$version-win64
(cd "$work" && wine_user wine start "$(wine_output winepath -w "$portable_dir/brelvix.exe")") >/dev/null 2>&1
check "portable copy: the Choose Language dialog appears; OK" drive choose-language 60
check "portable copy: the main window closes" drive close 30
wine_user wineserver -w
check "portable copy: the settings beside the program" grep -q '<language>0</language>' "$portable_dir/brelvix.ini"

# Uninstalling removes what was installed and keeps the settings.
check "msiexec /x uninstalls quietly" wine_user wine msiexec /x "$msi_windows" /qn
wine_user wineserver -w
check "uninstalled: no uninstall entry left" test -z "$(installed_versions)"
check "uninstalled: the program files are gone" test ! -e "$program_dir/brelvix.exe"
check "uninstalled: the program folder is gone" test ! -e "$program_dir"
check "uninstalled: the Start-menu entry is gone" no_shortcut
check "uninstalled: the user's settings are kept" test -f "$data_dir/brelvix.ini"

wine_user wineserver -k 2>/dev/null
rm -rf "$work"
finish
