#!/usr/bin/env bash
# Builds everything and runs every test: native, ASan/UBSan, TSan, the
# Windows builds under Wine (unit tests and the end-to-end cases) and a short
# run of every fuzz target. Installs
# what it needs first. Ends with one summary line that counts test cases;
# exits non-zero when any build or test failed.
#
# The 32-bit Windows build is the product and is always built and checked
# statically; its tests run under 32-bit Wine only where the host kernel can
# run 32-bit programs. The 64-bit Windows build of the same sources runs its
# tests under 64-bit Wine on every host. TOLVAR_NO_WIN32_RUN=1 forces the
# "cannot run 32-bit programs" answer, to prove that path on any host.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh || exit 1

export WINEDEBUG=-all
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
prefix32=${HOME:-/tmp}/.wine
prefix64=${HOME:-/tmp}/.wine64

# Asked once: can this host run a 32-bit program at all?
if [ "${TOLVAR_NO_WIN32_RUN:-0}" = 1 ]; then
  run32=0
  why32="TOLVAR_NO_WIN32_RUN=1 forced the 64-bit fallback"
elif "$wine32_loader" --version >/dev/null 2>&1; then
  run32=1
  why32="this host runs 32-bit programs: Windows tests ran on the 32-bit and the 64-bit build"
else
  run32=0
  why32="this host cannot run 32-bit programs: Windows tests ran on the 64-bit build"
fi
[ $run32 -eq 0 ] && why32+=" (the 32-bit build was built and checked statically)"

make_prefix() {  # make_prefix LOADER PREFIX: once, before anything runs Wine in parallel
  if [ ! -f "$2/system.reg" ]; then
    WINELOADER=$1 WINEPREFIX=$2 "$1" wineboot -i >/dev/null 2>&1
    WINEPREFIX=$2 wineserver -w
  fi
  # Xvfb has no window manager: Wine's windows stay unmanaged, or every
  # program that hides or destroys its window waits 2 s for a manager that
  # never answers (measured: a refused fetch 2.3 s, unmanaged 0.3 s).
  if ! grep -q '^"Managed"="N"' "$2/user.reg" 2>/dev/null; then
    WINEDEBUG=-all WINELOADER=$1 WINEPREFIX=$2 "$1" reg add 'HKCU\Software\Wine\X11 Driver' \
      /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX=$2 wineserver -w
  fi
}
make_prefix "$wine64_loader" "$prefix64"
[ $run32 -eq 1 ] && make_prefix "$wine32_loader" "$prefix32"

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
failed_steps=()
passed=0
failed=0
skipped=0

step() {  # step NAME COMMAND... : runs a build step, remembers a failure
  local name=$1 start=$SECONDS
  shift
  echo "=== $name"
  if ! "$@"; then
    failed_steps+=("$name")
    return 1
  fi
  echo "--- $name: $((SECONDS - start)) s"
}

# Every GoogleTest binary writes its cases to an XML file in the run's folder;
# the summary counts those cases. An entry that failed without a failing case
# on record (a crash, a time-out, a script check) counts once more, and an
# entry that passed without writing any cases (a script check) counts once.
run_ctest() {  # run_ctest PRESET [ctest args...]
  local preset=$1
  shift
  local dir="$results/$preset"
  mkdir -p "$dir"
  # Windows programs see the host's root as drive Z:.
  local out="xml:$dir/"
  case $preset in win*) out="xml:Z:$dir/" ;; esac
  echo "=== ctest $preset"
  local start=$SECONDS
  GTEST_OUTPUT=$out xvfb-run -a ctest --preset "$preset" --output-junit "$dir/ctest.junit" "$@"
  local rc=$?
  local counts
  counts=$(python3 scripts/count_cases.py "$dir")
  local p f s
  read -r p f s <<<"$counts"
  passed=$((passed + p))
  failed=$((failed + f))
  skipped=$((skipped + s))
  echo "--- $preset: $p passed, $f failed, $s skipped ($((SECONDS - start)) s)"
  [ "$rc" -eq 0 ] || failed_steps+=("ctest $preset")
}

build_targets=()  # empty: everything
build() {  # build PRESET [cmake -D args...]
  local preset=$1
  shift
  step "configure $preset" cmake --preset "$preset" "$@" >/dev/null &&
    step "build $preset" cmake --build --preset "$preset" "${build_targets[@]}"
}

# The Windows programs first: the Linux tree's end-to-end tests run them.
e2e_dirs=(-DTOLVAR_E2E_WIN32_DIR= -DTOLVAR_E2E_WIN64_DIR=)
# Where 32-bit programs cannot run, the 32-bit tree builds what it can still
# prove: the two programs (checked statically) and every header on its own.
[ $run32 -eq 1 ] || build_targets=(--target tolvar tagsift header_alone layer_check)
if build win32; then
  if [ $run32 -eq 1 ]; then
    run_ctest win32
    e2e_dirs[0]=-DTOLVAR_E2E_WIN32_DIR="$root/build/win32"
  else
    run_ctest win32 -L static
  fi
fi
build_targets=()
if build win64; then
  run_ctest win64
  e2e_dirs[1]=-DTOLVAR_E2E_WIN64_DIR="$root/build/win64"
fi
if build linux "${e2e_dirs[@]}"; then
  run_ctest linux
fi
if build linux-asan; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest linux-asan
fi
if build linux-tsan; then
  TSAN_OPTIONS=halt_on_error=1 run_ctest linux-tsan -L unit
fi

# Every parser's libFuzzer target for 20 seconds (clang, its own preset): one
# case per target, failed by any finding. The step's time is printed, since
# it counts against the CI budget.
fuzz_start=$SECONDS
echo "=== fuzz smoke"
bash scripts/fuzz.sh -j 2 20 | tee "$results/fuzz.txt"
fuzz_rc=${PIPESTATUS[0]}
read -r fuzz_p fuzz_f < <(awk 'table && NF == 5 { if ($5 == "0") p++; else f++ }
  /^target +runs/ { table = 1 } END { print p + 0, f + 0 }' "$results/fuzz.txt")
passed=$((passed + fuzz_p))
failed=$((failed + fuzz_f))
[ "$fuzz_rc" -eq 0 ] || failed_steps+=("fuzz")
echo "--- fuzz: $fuzz_p passed, $fuzz_f failed ($((SECONDS - fuzz_start)) s, build included)"

# Wine's server keeps inherited pipes open for a while after the last program.
WINEPREFIX=$prefix64 wineserver -k >/dev/null 2>&1 || true
[ $run32 -eq 1 ] && { WINEPREFIX=$prefix32 wineserver -k >/dev/null 2>&1 || true; }

echo "windows: $why32"
if [ ${#failed_steps[@]} -gt 0 ]; then
  echo "failed steps: ${failed_steps[*]}"
  [ "$failed" -gt 0 ] || failed=${#failed_steps[@]}
fi
echo "whole run: $SECONDS s"
echo "tests: $passed passed, $failed failed, $skipped skipped"
[ ${#failed_steps[@]} -eq 0 ]
