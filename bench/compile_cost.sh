#!/bin/sh
# What each form of embedded data costs: brelvix-cli's conversion time and
# gcc's compile time and peak memory for 8 MiB of random bytes as a byte
# array, as 8-byte units, as one string literal, as the grouped string rows
# brelvix_embed writes by default, and as .incbin (no conversion) for a floor.
# Then a project as users have one: 5 files of 4 MiB (20 MiB) embedded by
# brelvix_embed's default form, built by Make with -j2 from clean: wall time
# and the peak memory of the largest process.
#   bench/compile_cost.sh [brelvix-cli] [bytes]
# Times are the best of five conversions and one compile each; run it on
# an otherwise idle machine.
set -eu
cli=${1:-build/native/src/cli/brelvix-cli}
bytes=${2:-8388608}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

head -c "$bytes" /dev/urandom >"$work/blob.bin"

# name|options|template (\n a line break; an empty template: .incbin, no
# conversion)
# shellcheck disable=SC2016 # the markers are text
forms='byte array|-s 1 --format=0x%02X|const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};
8-byte units|-s 8 -e little --format=|const unsigned long long ($ARRAY_NAME)[] = {($ARRAY_DATA)};
string literal||const char ($ARRAY_NAME)[] = ($ARRAY_STRING);
string groups||#define BRELVIX_STRING_GROUPS\nconst unsigned char ($ARRAY_NAME)[($ARRAY_SIZE) / 16384 + 1][16384] = {($ARRAY_STRING)};
.incbin||'

out="$work/blob.c"
# One conversion of the input into $out, with the form's options.
convert() {
  rm -f "$out"
  if [ -z "$2" ]; then
    printf '__asm__(".section .rodata\\n.globl blob\\nblob:\\n.incbin \\"%s\\"\\n.byte 0\\n");\n' \
      "$work/blob.bin" >"$out"
    return
  fi
  printf '%s\n' "$2" >"$work/template"
  # shellcheck disable=SC2086 # the options are words
  "$cli" to-text -q --no-settings $1 --template-file "$work/template" -n blob -O "$out" \
    "$work/blob.bin" 2>/dev/null
}

printf '%-15s %12s %10s %10s %12s\n' form "text bytes" "convert s" "gcc -c s" "gcc peak MB"
printf '%s\n' "$forms" |
  while IFS='|' read -r name options template; do
    template=$(printf '%b' "$template")
    best=
    for _ in 1 2 3 4 5; do
      start=$(date +%s.%N)
      convert "$options" "$template"
      t=$(echo "$(date +%s.%N) - $start" | bc)
      if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
    done
    size=$(wc -c <"$out")
    /usr/bin/time -f '%e %M' -o "$work/time" gcc -x c -c -o "$work/blob.o" "$out" </dev/null
    measured=$(tail -n 1 "$work/time")
    printf '%-15s %12s %10.2f %10s %12s\n' "$name" "$size" "$best" "${measured% *}" \
      "$((${measured#* } / 1024))"
  done

# The project, with the package installed from the tool's build.
build=${cli%/src/cli/brelvix-cli}
cmake --install "$build" --prefix "$work/prefix" --component cli >/dev/null
mkdir -p "$work/project/assets"
for i in 1 2 3 4 5; do
  head -c 4194304 /dev/urandom >"$work/project/assets/asset$i.bin"
done
printf 'int main(void) { return 0; }\n' >"$work/project/main.c"
cat >"$work/project/CMakeLists.txt" <<'PROJECT'
cmake_minimum_required(VERSION 3.20)
project(Assets C)
find_package(Brelvix REQUIRED)
add_executable(assets main.c)
brelvix_embed(assets FILES assets/asset1.bin assets/asset2.bin assets/asset3.bin
              assets/asset4.bin assets/asset5.bin)
PROJECT
cmake -S "$work/project" -B "$work/project/build" -G "Unix Makefiles" \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
/usr/bin/time -f '%e %M' -o "$work/time" cmake --build "$work/project/build" -j2 >/dev/null
measured=$(tail -n 1 "$work/time")
printf '\nproject of 5 x 4 MiB, default form: %s s, peak %s MB\n' "${measured% *}" \
  "$((${measured#* } / 1024))"
