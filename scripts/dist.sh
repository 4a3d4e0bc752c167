#!/bin/bash
# make dist: builds the programs (presets native and mingw) and makes the
# release packages in dist/, named by the version of CMakeLists.txt:
#   brelvix-VERSION-win64.zip     the portable Windows program, with the CMake package
#   brelvix-VERSION-win64.msi     the Windows installer (wixl)
#   brelvix-cli_VERSION_amd64.deb the command-line tool for Debian (dpkg-deb), with
#                                 the CMake package
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
logs=build/logs
mkdir -p "$logs"

build() {
  local preset=$1
  shift
  echo "Building $* (preset $preset)..."
  cmake --preset "$preset" >"$logs/dist-configure-$preset.log" 2>&1 || {
    cat "$logs/dist-configure-$preset.log"
    exit 1
  }
  cmake --build --preset "$preset" -j"$jobs" --target "$@" >"$logs/dist-build-$preset.log" 2>&1 || {
    grep -E -A8 'error|Error' "$logs/dist-build-$preset.log" | head -n 60
    exit 1
  }
}
build native brelvix-cli
build mingw brelvix brelvix-cli

version=$(sed -n 's/^#define BX_VERSION_TEXT "\(.*\)"$/\1/p' build/native/generated/bx_version.h)
[ -n "$version" ] || { echo "No version in build/native/generated/bx_version.h" >&2; exit 1; }
stage=build/dist
rm -rf "$stage" dist
mkdir -p "$stage" dist

# The Windows files, as the zip holds them and the installer installs them.
win=$stage/brelvix-$version-win64
mkdir -p "$win/help"
x86_64-w64-mingw32-strip -o "$win/brelvix.exe" build/mingw/src/app/brelvix.exe
x86_64-w64-mingw32-strip -o "$win/brelvix-cli.exe" build/mingw/src/cli/brelvix-cli.exe
# Notepad opens .txt; CR LF so that old ones show the lines, and a UTF-8
# byte-order mark so that they read the Japanese half as UTF-8. The user's
# README, not the developers' Markdown.
{ printf '\357\273\277'; sed 's/$/\r/' docs/user/README.txt; } >"$win/README.txt"
sed 's/$/\r/' LICENSE >"$win/LICENSE.txt"
# The pages refer to the pictures in docs/images; in the release they sit
# beside the pages.
for page in docs/help/*.html; do
  sed 's#\.\./images/##g' "$page" >"$win/help/$(basename "$page")"
done
cp docs/images/main-window-en.png docs/images/main-window-ja.png "$win/help/"

# The CMake package beside the programs, where find_package looks under a
# prefix on CMAKE_PREFIX_PATH or PATH; brelvix-cli.exe is one folder up.
mkdir -p "$win/cmake"
cp cmake/BrelvixConfig.cmake cmake/BrelvixEmbed.cmake build/mingw/src/cli/BrelvixConfigVersion.cmake \
  "$win/cmake/"
cat >"$win/cmake/BrelvixCliTargets.cmake" <<'TARGETS'
# brelvix-cli.exe of the Windows zip, one folder up.
if(NOT TARGET Brelvix::brelvix-cli)
  add_executable(Brelvix::brelvix-cli IMPORTED)
  get_filename_component(_brelvix_folder "${CMAKE_CURRENT_LIST_DIR}" DIRECTORY)
  set_target_properties(Brelvix::brelvix-cli PROPERTIES
                        IMPORTED_LOCATION "${_brelvix_folder}/brelvix-cli.exe")
endif()
TARGETS

zip_file=dist/brelvix-$version-win64.zip
(cd "$stage" && zip -qrX "$root/$zip_file" "$(basename "$win")")
echo "$zip_file"

msi_file=dist/brelvix-$version-win64.msi
wixl -a x64 -D Version="$version" -D StageDir="$win" -D ResDir=res -D PackagingDir=packaging -o "$msi_file" packaging/brelvix.wxs
echo "$msi_file"

# The Debian package of brelvix-cli.
deb=$stage/deb
mkdir -p "$deb/DEBIAN" "$deb/usr/bin" "$deb/usr/share/man/man1" "$deb/usr/share/doc/brelvix-cli"
strip -o "$deb/usr/bin/brelvix-cli" build/native/src/cli/brelvix-cli
chmod 0755 "$deb/usr/bin/brelvix-cli"
# The CMake package as the install makes it: find_package finds it under
# /usr, which PATH's /usr/bin gives.
rm -rf "$stage/install"
cmake --install build/native --prefix "$stage/install" --component cli >/dev/null
mkdir -p "$deb/usr/lib/cmake"
cp -r "$stage/install/lib/cmake/Brelvix" "$deb/usr/lib/cmake/"
# The page is the tool's own --help, with each command's --help after it.
{
  echo "[COMMAND OPTIONS]"
  for command in to-text to-binary settings run; do
    echo ".SS $command"
    echo ".nf"
    "$deb/usr/bin/brelvix-cli" "$command" --help | sed -e 's/\\/\\e/g' -e "s/^[.']/\\\\\&&/"
    echo ".fi"
  done
} >"$stage/commands.h2m"
help2man --no-info --section=1 --name="convert files between binary data and hexadecimal source-code arrays" \
  --include="$stage/commands.h2m" --output="$stage/brelvix-cli.1" "$deb/usr/bin/brelvix-cli"
gzip -9n <"$stage/brelvix-cli.1" >"$deb/usr/share/man/man1/brelvix-cli.1.gz"
{
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Brelvix"
  echo
  echo "Files: *"
  echo "Copyright: the Brelvix authors"
  echo "License: Expat"
  sed -e 's/^$/./' -e 's/^/ /' LICENSE
} >"$deb/usr/share/doc/brelvix-cli/copyright"
# The libraries the tool links, as dpkg-shlibdeps names them; it wants a
# source package's debian/control to stand in.
shlibs=$stage/shlibs
mkdir -p "$shlibs/debian"
printf 'Source: brelvix\n\nPackage: brelvix-cli\nArchitecture: amd64\n' >"$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O "$root/$deb/usr/bin/brelvix-cli" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
installed_size=$(du -sk --exclude=DEBIAN "$deb" | cut -f1)
cat >"$deb/DEBIAN/control" <<CONTROL
Package: brelvix-cli
Version: $version
Architecture: amd64
Maintainer: The Brelvix authors <brelvix@localhost>
Installed-Size: $installed_size
Depends: $depends
Section: utils
Priority: optional
Description: convert files between binary data and hexadecimal source-code arrays
 brelvix-cli writes a binary file as a source-code array declaration from a
 template, and picks the 0x/&H numbers out of a text file to write them back
 as 1-, 2-, 4- or 8-byte units in either byte order.
CONTROL
deb_file=dist/brelvix-cli_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$deb" "$deb_file" >/dev/null
echo "$deb_file"
