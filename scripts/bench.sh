#!/usr/bin/env bash
# Builds the optimised Linux programs and runs every benchmark beside its
# peers, printing the ratios. Not part of the tests: figures depend on the
# machine and on what else it is doing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
echo "== tagsift"
python3 bench/tagsift_bench.py build/linux/bin/tagsift
for b in build/linux/bin/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
