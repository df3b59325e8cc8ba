# Shared by the package tests (sourced): a scratch folder removed at exit,
# fail() that records a failure and goes on, and make_package EXT, which runs
# CPack on the tree in $build and sets $package to the one .EXT file it made
# (or ends the test when it made none, or more than one).
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

make_package() {
  local out
  if ! out=$(cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" 2>&1); then
    echo "$out"
    echo "FAIL: cpack"
    exit 1
  fi
  package=$(ls "$work"/cpack/*."$1" 2>/dev/null)
  [ "$(wc -w <<<"$package")" = 1 ] || { echo "FAIL: cpack made no single .$1: $package"; exit 1; }
  echo "package: $(basename "$package"), $(stat -c %s "$package") bytes"
}
