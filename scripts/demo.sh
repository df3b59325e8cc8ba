#!/usr/bin/env bash
# The main job: build, then list the links of a sample page.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh >/dev/null
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
echo "links of scripts/demo/sample.htm:"
build/linux/bin/tagsift -lu < scripts/demo/sample.htm
echo "images:"
build/linux/bin/tagsift -lu -p src scripts/demo/sample.htm
