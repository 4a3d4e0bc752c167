#!/bin/sh
# What each form of embedded data costs: brelvix-cli's conversion time and
# gcc's compile time and peak memory for 8 MiB of random bytes as a byte
# array, as 8-byte units and as a string literal.
#   bench/compile_cost.sh [brelvix-cli] [bytes]
# Times are the best of five conversions and one compile each; run it on
# an otherwise idle machine.
set -eu
cli=${1:-build/native/src/cli/brelvix-cli}
bytes=${2:-8388608}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

head -c "$bytes" /dev/urandom >"$work/blob.bin"

# name|options|template
# shellcheck disable=SC2016 # the markers are text
forms='byte array|-s 1 --format=0x%02X|const unsigned char ($ARRAY_NAME)[] = {($ARRAY_DATA)};
8-byte units|-s 8 -e little --format=|const unsigned long long ($ARRAY_NAME)[] = {($ARRAY_DATA)};
string literal||const char ($ARRAY_NAME)[] = ($ARRAY_STRING);'

out="$work/blob.c"
# One conversion of the input into $out, with the form's options.
convert() {
  rm -f "$out"
  # shellcheck disable=SC2086 # the options are words
  "$cli" to-text -q $1 -t "$2" -n blob -O "$out" "$work/blob.bin" 2>/dev/null
}

printf '%-15s %12s %10s %10s %12s\n' form "text bytes" "convert s" "gcc -c s" "gcc peak MB"
echo "$forms" | while IFS='|' read -r name options template; do
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
    "$(( ${measured#* } / 1024 ))"
done
