#!/bin/bash
# Installs what building and testing need on Debian, when run as root; as any
# other user it prints the command to run and fails.
set -euo pipefail

packages=(
  cmake make g++ googletest libgtest-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xauth x11-utils imagemagick fonts-ipafont-gothic
  xxd locales
  wixl msitools help2man dpkg-dev zip unzip
)
locales=(en_US ja_JP)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
missing_locales=()
for l in "${locales[@]}"; do
  if ! locale -a 2>/dev/null | grep -qix "$l.utf8"; then
    missing_locales+=("$l")
  fi
done

[ ${#missing[@]} -eq 0 ] && [ ${#missing_locales[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages or locales. Run as root:" >&2
  [ ${#missing[@]} -gt 0 ] && echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  for l in "${missing_locales[@]}"; do echo "  localedef -i $l -f UTF-8 $l.UTF-8" >&2; done
  exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The Wine runs take their code pages and file-name encoding from these.
for l in "${missing_locales[@]}"; do
  localedef -i "$l" -f UTF-8 "$l.UTF-8"
done
