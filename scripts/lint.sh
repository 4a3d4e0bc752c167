#!/bin/bash
# The lint gates of make test, also run alone (make lint):
#   scripts/lint.sh [format] [tidy]     (both when none is named)
# format: clang-format --dry-run -Werror over every source of src, tests,
#         bench and fuzz (.clang-format).
# tidy:   clang-tidy with the checks of .clang-tidy over the portable sources
#         of src/, as the native preset compiles them (it is configured when
#         its compile_commands.json is missing; nothing is built).
# Prints the findings, then one line per gate:
#   "lint format: N files, F failed" / "lint tidy: N files, F failed".
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

jobs=${LINT_JOBS:-$(nproc 2>/dev/null || echo 2)}
gates=("$@")
[ ${#gates[@]} -gt 0 ] || gates=(format tidy)
status=0

lint_format() {
  local files=() log=build/lint/format.log bad
  mkdir -p build/lint
  mapfile -t files < <(find src tests bench fuzz -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.inc' \) | sort)
  clang-format --dry-run -Werror "${files[@]}" >"$log" 2>&1
  head -n 60 "$log"
  bad=$(grep -oE '^[^:]+:[0-9]+:[0-9]+: error:' "$log" | cut -d: -f1 | sort -u | wc -l)
  [ "$bad" -eq 0 ] || echo "to mend: clang-format -i $(grep -oE '^[^:]+:[0-9]+:[0-9]+: error:' "$log" |
    cut -d: -f1 | sort -u | tr '\n' ' ')"
  echo "lint format: ${#files[@]} files, $bad failed"
  [ "$bad" -eq 0 ]
}

lint_tidy() {
  local db=build/native/compile_commands.json lint=build/lint
  if [ ! -f "$db" ]; then
    cmake --preset native >"$lint.configure.log" 2>&1 || {
      cat "$lint.configure.log"
      echo "lint tidy: 0 files, 1 failed"
      return 1
    }
  fi
  mkdir -p "$lint/out"
  rm -f "$lint"/out/*.log
  # One entry per file of src/: the benchmarks compile some sources again.
  python3 - "$db" "$lint/compile_commands.json" <<'PY' >"$lint/files.txt"
import json, os, sys
seen, kept = set(), []
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if os.path.relpath(path).startswith("src" + os.sep) and path not in seen:
        seen.add(path)
        kept.append(entry)
        print(path)
json.dump(kept, open(sys.argv[2], "w"), indent=1)
PY
  # shellcheck disable=SC2016 # expanded by the inner shell
  xargs -P "$jobs" -I{} sh -c 'clang-tidy -p "$1" --quiet "$2" >"$1/out/$(basename "$2").log" 2>&1 ||
    echo "$2" >>"$1/out/failed.log"' sh "$lint" {} <"$lint/files.txt"
  local total bad=0
  total=$(wc -l <"$lint/files.txt")
  if [ -f "$lint/out/failed.log" ]; then
    bad=$(sort -u "$lint/out/failed.log" | wc -l)
    while read -r file; do
      grep -v -E '^[0-9]+ warnings? generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' \
        "$lint/out/$(basename "$file").log"
    done < <(sort -u "$lint/out/failed.log")
  fi
  echo "lint tidy: $total files, $bad failed"
  [ "$bad" -eq 0 ]
}

for gate in "${gates[@]}"; do
  case $gate in
    format) lint_format || status=1 ;;
    tidy) lint_tidy || status=1 ;;
    *)
      echo "usage: scripts/lint.sh [format] [tidy]" >&2
      exit 2
      ;;
  esac
done
exit "$status"
