#!/usr/bin/env bash
# Builds everything and runs every test: native, ASan/UBSan, TSan, and the
# Windows build under Wine (unit tests and the end-to-end cases). Installs
# what it needs first. Ends with one summary line; exits non-zero when any
# build or test failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh || exit 1

export WINEDEBUG=-all
# Create the Wine prefix once, before anything runs Wine in parallel.
if [ ! -f "${WINEPREFIX:-$HOME/.wine}/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

failed_steps=()
passed=0
failed=0

step() {  # step NAME COMMAND... : runs a build step, remembers a failure
  local name=$1
  shift
  echo "=== $name"
  if ! "$@"; then
    failed_steps+=("$name")
    return 1
  fi
}

run_ctest() {  # run_ctest PRESET [ctest args...]
  local preset=$1
  shift
  local log
  log=$(mktemp)
  echo "=== ctest $preset"
  xvfb-run -a ctest --preset "$preset" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  # "100% tests passed, 0 tests failed out of 7"
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local f t
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || failed_steps+=("ctest $preset")
  rm -f "$log"
}

build() {  # build PRESET [cmake -D args...]
  local preset=$1
  shift
  step "configure $preset" cmake --preset "$preset" "$@" >/dev/null &&
    step "build $preset" cmake --build --preset "$preset"
}

# The Windows programs first: the Linux tree's end-to-end tests run them.
if build win32; then
  run_ctest win32
fi
if build linux -DTOLVAR_E2E_WIN32_DIR="$root/build/win32"; then
  run_ctest linux
fi
if build linux-asan; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest linux-asan
fi
if build linux-tsan; then
  TSAN_OPTIONS=halt_on_error=1 run_ctest linux-tsan -L unit
fi

# Wine's server keeps inherited pipes open for a while after the last program.
wineserver -k >/dev/null 2>&1 || true

if [ ${#failed_steps[@]} -gt 0 ]; then
  echo "failed steps: ${failed_steps[*]}"
  [ "$failed" -gt 0 ] || failed=${#failed_steps[@]}
fi
echo "tests: $passed passed, $failed failed"
[ ${#failed_steps[@]} -eq 0 ]
