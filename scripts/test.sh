#!/usr/bin/env bash
# Builds everything and runs every test: native, ASan/UBSan, TSan, the
# Windows builds under Wine (unit tests and the end-to-end cases) and a short
# run of every fuzz target. Installs what it needs first. Ends with one
# summary line that counts test cases; exits non-zero when any build or test
# failed.
#
#   bash scripts/test.sh [PRESET...]
#
# PRESETs (default: all of them, in this order): win32 win64 linux linux-asan
# linux-tsan fuzz. The linux tree's end-to-end cases also run the Windows
# programs of the win32/win64 trees built in the same run.
#
# The 32-bit Windows build is the product and is always built and checked
# statically; its tests run under 32-bit Wine only where the host kernel can
# run 32-bit programs. The 64-bit Windows build of the same sources runs its
# tests under 64-bit Wine on every host. TOLVAR_NO_WIN32_RUN=1 forces the
# "cannot run 32-bit programs" answer, to prove that path on any host.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

all_presets=(win32 win64 linux linux-asan linux-tsan fuzz)
if [ $# -eq 0 ]; then
  presets=("${all_presets[@]}")
else
  presets=()
  for want in "${all_presets[@]}"; do  # keep the order: Windows trees first
    for a in "$@"; do [ "$a" = "$want" ] && presets+=("$a"); done
  done
  for a in "$@"; do
    case " ${all_presets[*]} " in *" $a "*) ;; *) echo "test.sh: unknown preset '$a' (known: ${all_presets[*]})" >&2; exit 2 ;; esac
  done
fi
selected() { case " ${presets[*]} " in *" $1 "*) return 0 ;; esac; return 1; }

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
    echo "--- $name: FAILED after $((SECONDS - start)) s"
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

build() {  # build PRESET [--target T...] [-- cmake -D args...]
  local preset=$1 targets=() defs=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  defs=("$@")
  step "configure $preset" cmake --preset "$preset" "${defs[@]}" >/dev/null &&
    step "build $preset" cmake --build --preset "$preset" "${targets[@]}"
}

# The Windows programs first: the Linux tree's end-to-end tests run them.
e2e_win32=""
e2e_win64=""
if selected win32; then
  if [ $run32 -eq 1 ]; then
    build win32 && { run_ctest win32; e2e_win32=$root/build/win32; }
  else
    # Where 32-bit programs cannot run, the 32-bit tree builds what it can
    # still prove: the two programs (checked statically) and every header on
    # its own.
    build win32 --target tolvar tagsift header_alone layer_check && run_ctest win32 -L static
  fi
fi
if selected win64; then
  build win64 && { run_ctest win64; e2e_win64=$root/build/win64; }
fi
if selected linux; then
  build linux -- -DTOLVAR_E2E_WIN32_DIR="$e2e_win32" -DTOLVAR_E2E_WIN64_DIR="$e2e_win64" && run_ctest linux
fi
if selected linux-asan; then
  build linux-asan &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 run_ctest linux-asan
fi
if selected linux-tsan; then
  build linux-tsan && TSAN_OPTIONS=halt_on_error=1 run_ctest linux-tsan -L unit
fi

# Every parser's libFuzzer target for 17 seconds, two at a time (clang, its
# own preset): 13 targets in 7 rounds take what 11 took at 20 s. One
# case per target, failed by any finding. The step's time is printed, since
# it counts against the CI budget.
if selected fuzz; then
  fuzz_start=$SECONDS
  echo "=== fuzz smoke"
  bash scripts/fuzz.sh -j 2 17 | tee "$results/fuzz.txt"
  fuzz_rc=${PIPESTATUS[0]}
  # fuzz.sh's own count line: "fuzz: N passed, M failed".
  read -r fuzz_p fuzz_f < <(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$results/fuzz.txt")
  passed=$((passed + ${fuzz_p:-0}))
  failed=$((failed + ${fuzz_f:-0}))
  [ "$fuzz_rc" -eq 0 ] && [ -n "${fuzz_p:-}" ] || failed_steps+=("fuzz")
  echo "--- fuzz: ${fuzz_p:-0} passed, ${fuzz_f:-0} failed ($((SECONDS - fuzz_start)) s, build included)"
fi

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
