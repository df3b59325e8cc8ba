#!/usr/bin/env bash
# Builds the linux-fuzz preset and runs every libFuzzer target (or the ones
# named) for SECONDS each (default 60), one after the other or JOBS at a
# time (-j JOBS), then prints a table: target, runs, execs/s, new coverage,
# findings.
#
#   scripts/fuzz.sh [--no-build] [-j JOBS] [--bin DIR] [--out DIR] [SECONDS] [TARGET...] [-- LIBFUZZER_ARGS...]
#
#   scripts/fuzz.sh -j 2 17                         # the smoke run of scripts/test.sh
#   scripts/fuzz.sh 30 uri cookies                  # two targets
#   nice -n 10 scripts/fuzz.sh --no-build --bin COPY --out /work/fuzz-runs 900 -- -runs=10000000
#                                                   # long runs: 10 M executions or 15 min,
#                                                   # from a copy of bin/ that rebuilds leave alone
#
# Each target starts from a scratch copy of its seeds (fuzz/corpus/NAME), so
# the checked-in corpus is never written; the copy, the artifacts and the
# log stay in OUT/NAME (default build/linux-fuzz/fuzz-out). A finding is a
# crash, leak, timeout or out-of-memory artifact; the script exits 1 when any
# target has one (or did not run), after printing the artifacts' paths.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

build=1
bin="$root/build/linux-fuzz/bin"
out="$root/build/linux-fuzz/fuzz-out"
seconds=60
jobs=1
targets=()
extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --no-build) build=0 ;;
    --out) out=$2; shift ;;
    --bin) bin=$2; shift ;;
    -j) jobs=$2; shift ;;
    --) shift; extra=("$@"); break ;;
    -h | --help) sed -n '2,20p' "$0"; exit 0 ;;
    *[!0-9]*) targets+=("$1") ;;
    *) seconds=$1 ;;
  esac
  shift
done

if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do
    name=${f#fuzz/}
    targets+=("${name%_fuzz.cpp}")
  done
fi

if [ $build -eq 1 ]; then
  cmake --preset linux-fuzz >/dev/null || exit 1
  cmake --build --preset linux-fuzz || exit 1
fi

# "#123 INITED cov: 45 ..." and later status lines carry the coverage; the
# final statistics carry the runs and the speed.
first_cov() { grep -aoE 'cov: [0-9]+' "$1" | head -1 | grep -oE '[0-9]+$'; }
last_cov() { grep -aoE 'cov: [0-9]+' "$1" | tail -1 | grep -oE '[0-9]+$'; }
stat() { grep -a "stat::$2:" "$1" | tail -1 | awk '{print $2}'; }

# run_target NAME: one target; its table row goes to OUT/NAME/row.
run_target() {
  local t=$1
  local exe="$bin/fuzz_$t"
  local dir="$out/$t"
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  if [ ! -x "$exe" ] || [ ! -d "fuzz/corpus/$t" ]; then
    echo "fuzz: no target or no seeds for '$t'" >&2
    echo "$t - - - missing" >"$dir/row"
    return
  fi
  cp -r "fuzz/corpus/$t/." "$dir/corpus/"
  echo "=== fuzz $t (${seconds}s${extra[*]:+ ${extra[*]}})"
  "$exe" "$dir/corpus" \
    -artifact_prefix="$dir/artifacts/" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 "${extra[@]}" >"$dir/log" 2>&1
  local rc=$?
  local findings
  findings=$(find "$dir/artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  # A target that died without leaving an artifact counts as one finding.
  [ "$rc" -ne 0 ] && [ "$findings" -eq 0 ] && findings=1
  local runs speed c0 c1 newcov=-
  runs=$(stat "$dir/log" number_of_executed_units)
  speed=$(stat "$dir/log" average_exec_per_sec)
  c0=$(first_cov "$dir/log")
  c1=$(last_cov "$dir/log")
  [ -n "$c0" ] && [ -n "$c1" ] && newcov=$((c1 - c0))
  echo "$t ${runs:--} ${speed:--} $newcov $findings" >"$dir/row"
  if [ "$findings" -ne 0 ]; then
    echo "--- $t: $findings finding(s), log $dir/log" >&2
    find "$dir/artifacts" -type f | sed 's/^/    /' >&2
  fi
}

running=0
for t in "${targets[@]}"; do
  if [ "$jobs" -le 1 ]; then
    run_target "$t"
    continue
  fi
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

rows=()
bad=0
clean=0
for t in "${targets[@]}"; do
  row=$(cat "$out/$t/row" 2>/dev/null || echo "$t - - - missing")
  rows+=("$row")
  read -r _ _ _ _ findings <<<"$row"
  if [ "$findings" = 0 ]; then clean=$((clean + 1)); else bad=1; fi
done

echo
printf '%-16s %12s %10s %14s %9s\n' target runs execs/s "new coverage" findings
for r in "${rows[@]}"; do
  # shellcheck disable=SC2086
  printf '%-16s %12s %10s %14s %9s\n' $r
done
# One line for scripts/test.sh's count: a target is a case, failed by any
# finding or by not running at all.
echo "fuzz: $clean passed, $(( ${#targets[@]} - clean )) failed"
exit $bad
