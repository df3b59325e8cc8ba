#!/usr/bin/env bash
# Runs the whole end-to-end suite with tolvar and tagsift started under
# valgrind's memcheck (the Linux tree, built if needed), with the peers of
# scripts/peers.sh and scripts/tls_peers.sh, and prints a summary: cases,
# processes checked, and every process with an error or a definite or
# indirect leak. Each process writes
# its report to a file of its own, so the cases still see standard error as
# it is; an error also makes the program end with 99, which no case expects.
# Too slow for every CI run; run it by hand: bash scripts/memcheck.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux --target tolvar tagsift e2e_tests >/dev/null || exit 1
bin=$root/build/linux/bin

work=$(mktemp -d)
trap 'bash scripts/peers.sh stop "$work/peers" >/dev/null 2>&1; bash scripts/tls_peers.sh stop "$work/https" >/dev/null 2>&1; rm -rf "$work"' EXIT
mkdir -p "$work/peers" "$work/https" "$work/logs"
bash scripts/peers.sh start "$work/peers" >/dev/null
bash scripts/tls_peers.sh start "$work/https" >/dev/null

start=$(date +%s)
E2E_TARGET=linux E2E_BIN_DIR=$bin TOLVAR_PEERS=$work/peers/ports TOLVAR_TLS_PEERS=$work/https/ports \
  E2E_WRAPPER="valgrind|--quiet|--error-exitcode=99|--leak-check=full|--errors-for-leak-kinds=definite,indirect|--show-leak-kinds=definite,indirect|--child-silent-after-fork=yes|--log-file=$work/logs/%p.log" \
  "$bin/e2e_tests" --gtest_color=no >"$work/e2e.txt" 2>&1
rc=$?
took=$(($(date +%s) - start))

grep -E '^\[  (PASSED|FAILED|SKIPPED) ' "$work/e2e.txt"
checked=$(find "$work/logs" -name '*.log' | wc -l)
findings=0
for log in "$work/logs"/*.log; do
  [ -e "$log" ] || continue
  if [ -s "$log" ]; then
    findings=$((findings + 1))
    echo "== $(basename "$log" .log)"
    cat "$log"
  fi
done
echo "memcheck: $checked processes, $findings with findings, e2e exit $rc, ${took}s"
[ "$rc" -eq 0 ] && [ "$findings" -eq 0 ]
