# Shared by the package tests (sourced): a scratch folder removed at exit,
# fail() that records a failure and goes on, and make_package EXT [COUNT],
# which runs CPack on the tree in $build and sets $packages to the .EXT files
# it made and $package to the first (or ends the test when it made another
# number of them than COUNT, 1 by default).
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
  shopt -s nullglob
  packages=("$work"/cpack/*."$1")
  shopt -u nullglob
  [ ${#packages[@]} = "${2:-1}" ] || { echo "FAIL: cpack made ${#packages[@]} .$1, not ${2:-1}: ${packages[*]}"; exit 1; }
  package=${packages[0]}
  local p
  for p in "${packages[@]}"; do echo "package: $(basename "$p"), $(stat -c %s "$p") bytes"; done
}
