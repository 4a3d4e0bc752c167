#!/bin/bash
# Builds every preset and runs every test: native, native under ASan/UBSan,
# the Windows binaries under Wine on a private Xvfb display, make dist with
# its packages installed and checked, each fuzzer for a bounded time, and the
# lint gates (scripts/lint.sh). Ends with one summary line per run and a total.
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${FUZZ_SECONDS:-30}
logs=build/logs
mkdir -p "$logs"
summary=()
failed_runs=0
total_passed=0
total_failed=0

note() { printf '\n=== %s\n' "$*"; }

build() {
  local preset=$1
  note "build $preset"
  cmake --preset "$preset" >"$logs/configure-$preset.log" 2>&1 || { cat "$logs/configure-$preset.log"; return 1; }
  local log="$logs/build-$preset.log"
  if ! cmake --build --preset "$preset" -j"$jobs" >"$log" 2>&1; then
    grep -E -A8 'error|Error' "$log" | head -n 80
    return 1
  fi
}

# ctest's own closing line: "NN% tests passed, F tests failed out of N".
run_ctest() {
  local name=$1 dir=$2
  shift 2
  note "test $name"
  local log="$logs/ctest-$name.log"
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|\*\*\*|Failure|FAILED|Error|\[  PASSED  \]' | tail -n 200
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    summary+=("$(printf '%-12s no tests ran' "$name:")")
    failed_runs=$((failed_runs + 1))
    return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  failed=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  local detail=""
  # Under Wine a ctest test is a whole binary: count its GoogleTest cases too.
  local cases
  cases=$(grep -hoE '^([0-9]+: )?\[==========\] [0-9]+ tests? from [0-9]+ test (suite|case)s? ran' "$log" | sed -E 's/^[0-9]+: //' | awk '{s += $2} END {print s + 0}')
  [ "$name" = wine ] && detail=" ($cases test cases)"
  summary+=("$(printf '%-12s %d tests%s, %d failed' "$name:" "$total" "$detail" "$failed")")
  total_passed=$((total_passed + total - failed))
  total_failed=$((total_failed + failed))
  [ "$failed" -eq 0 ] || failed_runs=$((failed_runs + 1))
}

# shellcheck source=scripts/wine-common.sh
source scripts/wine-common.sh

start_display() { bx_start_display "$logs/xvfb.log"; }
stop_display() { bx_stop_display; }

run_wine() {
  local prefix=build/mingw/wineprefix
  export WINEPREFIX="$PWD/$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if ! start_display; then
    summary+=("$(printf '%-12s no display' "wine:")")
    failed_runs=$((failed_runs + 1))
    return
  fi
  bx_wine_boot "$WINEPREFIX"
  wineserver -w
  run_ctest wine build/mingw -V
  wineserver -k 2>/dev/null || true
  stop_display
}
trap stop_display EXIT

# make dist and the packages it makes (scripts/test-dist.sh): one check a line.
run_dist() {
  note "dist"
  if ! start_display; then
    summary+=("$(printf '%-12s no display' "dist:")")
    failed_runs=$((failed_runs + 1))
    return
  fi
  local log="$logs/dist.log"
  scripts/test-dist.sh 2>&1 | tee "$log" | grep -E '^(FAIL|dist checks)'
  stop_display
  local line passed failed
  line=$(grep -E '^dist checks: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    summary+=("$(printf '%-12s no checks ran' "dist:")")
    failed_runs=$((failed_runs + 1))
    return
  fi
  passed=$(sed -E 's/.*: ([0-9]+) passed.*/\1/' <<<"$line")
  failed=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")
  summary+=("$(printf '%-12s %d checks, %d failed' "dist:" "$((passed + failed))" "$failed")")
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  [ "$failed" -eq 0 ] || failed_runs=$((failed_runs + 1))
}

run_fuzzers() {
  note "fuzz ($fuzz_seconds s each, $jobs at a time)"
  local count=0 bad=0 fuzzer name pids=()
  rm -f "$logs"/fuzz-*.status
  for fuzzer in build/fuzz/fuzz/*_fuzzer; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer" _fuzzer)
    # Work on a copy: libFuzzer adds what it finds to the corpus folder.
    local corpus="build/fuzz/corpus/$name"
    rm -rf "$corpus" && mkdir -p "$corpus"
    [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$corpus/"
    count=$((count + 1))
    # One fuzzer a core: each is a single process for the same time, so
    # the oldest is the next to end.
    if [ ${#pids[@]} -ge "$jobs" ]; then
      wait "${pids[0]}"
      pids=("${pids[@]:1}")
    fi
    (
      "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$logs/$name-" "$corpus" >"$logs/fuzz-$name.log" 2>&1
      echo $? >"$logs/fuzz-$name.status"
    ) &
    pids+=($!)
  done
  [ ${#pids[@]} -eq 0 ] || wait "${pids[@]}"
  for fuzzer in build/fuzz/fuzz/*_fuzzer; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer" _fuzzer)
    if [ "$(cat "$logs/fuzz-$name.status" 2>/dev/null)" = 0 ]; then
      echo "$name: $(grep -E 'stat::number_of_executed_units' "$logs/fuzz-$name.log" | awk '{print $2}') runs, clean"
    else
      bad=$((bad + 1))
      echo "$name: FAILED (see $logs/fuzz-$name.log)"
      tail -n 30 "$logs/fuzz-$name.log"
    fi
  done
  summary+=("$(printf '%-12s %d targets, %d failed' "fuzz:" "$count" "$bad")")
  total_passed=$((total_passed + count - bad))
  total_failed=$((total_failed + bad))
  [ "$bad" -eq 0 ] || failed_runs=$((failed_runs + 1))
}

# A lint gate of scripts/lint.sh: its "lint GATE: N files, F failed" line.
count_lint() {
  local gate=$1 log=$2 line files bad
  line=$(grep -E "^lint $gate: [0-9]+ files, [0-9]+ failed" "$log" | tail -n 1)
  if [ -z "$line" ]; then
    cat "$log"
    summary+=("$(printf '%-12s did not run' "$gate:")")
    failed_runs=$((failed_runs + 1))
    return
  fi
  files=$(sed -E 's/.*: ([0-9]+) files.*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")
  [ "$bad" -eq 0 ] || grep -v -E "^lint $gate:" "$log" | head -n 100
  summary+=("$(printf '%-12s %d files, %d failed' "$gate:" "$files" "$bad")")
  total_passed=$((total_passed + files - bad))
  total_failed=$((total_failed + bad))
  [ "$bad" -eq 0 ] || failed_runs=$((failed_runs + 1))
}

note "clang-format"
scripts/lint.sh format >"$logs/lint-format.log" 2>&1
count_lint format "$logs/lint-format.log"

for preset in native native-asan mingw fuzz; do
  if ! build "$preset"; then
    summary+=("$(printf '%-12s build failed' "$preset:")")
    failed_runs=$((failed_runs + 1))
    eval "built_${preset//-/_}=0"
  else
    eval "built_${preset//-/_}=1"
  fi
done

# clang-tidy on one core beside the test runs, which wait on processes and
# windows much of the time; its result is counted at the end.
tidy_pid=
if [ "$built_native" = 1 ]; then
  LINT_JOBS=1 scripts/lint.sh tidy >"$logs/lint-tidy.log" 2>&1 &
  tidy_pid=$!
fi

[ "$built_native" = 1 ] && run_ctest native build/native -j"$jobs"
[ "$built_native_asan" = 1 ] && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest native-asan build/native-asan -j"$jobs"
[ "$built_mingw" = 1 ] && run_wine
[ "$built_native" = 1 ] && [ "$built_mingw" = 1 ] && run_dist
[ "$built_fuzz" = 1 ] && run_fuzzers
if [ -n "$tidy_pid" ]; then
  note "clang-tidy"
  wait "$tidy_pid"
  count_lint tidy "$logs/lint-tidy.log"
else
  summary+=("$(printf '%-12s no native build' "tidy:")")
  failed_runs=$((failed_runs + 1))
fi

note "summary"
printf '%s\n' "${summary[@]}"
echo "total: $total_passed passed, $total_failed failed"
[ "$failed_runs" -eq 0 ]
