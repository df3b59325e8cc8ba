#!/usr/bin/env bash
# The set-up script's decisions, against fake apt-get, dpkg, dpkg-query, id
# and locale commands on the PATH: what it installs, in which order, and what
# ends the set-up. Each row names a host (can it run 32-bit programs?), how
# apt fails, and what must come of it. Nothing here touches the real system.
set -uo pipefail
script=$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The fakes keep their state in $FAKE: "installed" (one package a line),
# "arch" (foreign architectures), "log" (every apt-get call).
mkdir -p "$work/bin"
cat >"$work/bin/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
pkg=${!#}
grep -qx -- "$pkg" "$FAKE/installed" && printf 'install ok installed'
exit 0
FAKE
cat >"$work/bin/dpkg" <<'FAKE'
#!/usr/bin/env bash
case $1 in
  --print-foreign-architectures) cat "$FAKE/arch" ;;
  --add-architecture) echo "$2" >>"$FAKE/arch"; echo "dpkg --add-architecture $2" >>"$FAKE/log" ;;
esac
FAKE
# update: fails as a mirror in sync does (exit 100) when FAKE_UPDATE=fail.
# install: fails whole when any named package is in FAKE_BROKEN, as apt does
# when a dependency's version exists only in an index that did not come.
cat >"$work/bin/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/log"
case $1 in
  update)
    if [ "${FAKE_UPDATE:-ok}" = fail ]; then
      echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
      exit 100
    fi ;;
  install)
    shift
    pkgs=()
    for a in "$@"; do case $a in -*) ;; *) pkgs+=("$a") ;; esac; done
    for p in "${pkgs[@]}"; do
      case " ${FAKE_BROKEN:-} " in *" $p "*) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;; esac
    done
    printf '%s\n' "${pkgs[@]}" >>"$FAKE/installed" ;;
esac
exit 0
FAKE
cat >"$work/bin/id" <<'FAKE'
#!/usr/bin/env bash
echo "${FAKE_UID:-0}"
FAKE
cat >"$work/bin/locale" <<'FAKE'
#!/usr/bin/env bash
echo ja_JP.sjis
FAKE
cat >"$work/bin/sleep" <<'FAKE'
#!/usr/bin/env bash
exit 0
FAKE
chmod +x "$work/bin/"*

all_native=$(sed -n '/^native_pkgs=(/,/^)/p' "$script" | sed -e '1d;$d' -e 's/#.*//' | tr -s ' \n' '\n' | sed '/^$/d')

failures=0
# row NAME RUN32 UPDATE BROKEN PREINSTALLED UID EXPECT_RC PATTERN...: each PATTERN
# must match a line of the fake apt log or the output; !PATTERN must match
# none; =N:PATTERN must match exactly N lines.
row() {
  local name=$1 run32=$2 update=$3 broken=$4 pre=$5 uid=$6 want_rc=$7
  shift 7
  local fake="$work/$name"
  mkdir -p "$fake"
  : >"$fake/log"
  : >"$fake/arch"
  case $pre in
    all) printf '%s\n' $all_native >"$fake/installed" ;;
    all+wine32) { printf '%s\n' $all_native; echo wine32:i386; } >"$fake/installed" ;;
    some) printf '%s\n' $all_native | sed -e '/^wine$/d' -e '/^nginx-light$/d' >"$fake/installed" ;;
  esac
  local out rc
  out=$(PATH="$work/bin:$PATH" FAKE=$fake FAKE_UPDATE=$update FAKE_BROKEN=$broken FAKE_UID=$uid \
    TOLVAR_DEPS_RUN32=$run32 bash "$script" 2>&1)
  rc=$?
  local log ok=1
  log=$(cat "$fake/log"; echo "$out")
  [ "$rc" -eq "$want_rc" ] || { echo "  exit $rc, expected $want_rc"; ok=0; }
  local pat
  for pat in "$@"; do
    if [[ $pat =~ ^=([0-9]+):(.*)$ ]]; then
      local n
      n=$(grep -cE -- "${BASH_REMATCH[2]}" <<<"$log")
      [ "$n" -eq "${BASH_REMATCH[1]}" ] || { echo "  $n lines match ${BASH_REMATCH[2]}, expected ${BASH_REMATCH[1]}"; ok=0; }
    elif [ "${pat:0:1}" = '!' ]; then
      ! grep -qE -- "${pat:1}" <<<"$log" || { echo "  unexpected: ${pat:1}"; ok=0; }
    else
      grep -qE -- "$pat" <<<"$log" || { echo "  missing: $pat"; ok=0; }
    fi
  done
  if [ $ok -eq 1 ]; then
    echo "ok   $name"
  else
    echo "FAIL $name"; sed 's/^/    | /' <<<"$log"
    failures=$((failures + 1))
  fi
}

# A bad mirror day on a host without 32-bit support (as seen on a fresh
# machine): both updates fail, the native set still installs, no i386 at all.
row bad-mirror-64-only no fail "" some 0 0 \
  'apt-get install .* wine( |$)' 'apt-get install .*nginx-light' 'going on with the package indexes' \
  '!add-architecture' '!wine32' 'cannot run 32-bit programs'
# The update is tried exactly twice before going on.
row update-retried-once no fail "" some 0 0 '=2:^apt-get update'
# The same day on a host that runs 32-bit programs: wine32 cannot be had, a
# warning that names the fallback, and the set-up succeeds.
row bad-mirror-32-capable yes fail "wine32:i386" some 0 0 \
  'dpkg --add-architecture i386' 'apt-get install .*wine32:i386' 'Windows tests will run on the 64-bit build'
# Native packages come first, as one set, before anything 32-bit.
row native-before-wine32 yes ok "" some 0 0 'apt-get install -y -q --no-install-recommends wine nginx-light'
# What is truly needed and cannot be installed ends the set-up, naming it.
row native-broken no fail "nginx-light" some 0 1 'could not install: wine nginx-light'
# Nothing missing: apt is never called, root or not.
row nothing-missing no ok "" all 1000 0 '!apt-get' 'nothing missing'
row nothing-missing-32 yes ok "" all+wine32 1000 0 '!apt-get' 'nothing missing'
# Missing packages without root: say which and stop before apt.
row not-root no ok "" some 1000 1 '!apt-get' 'missing: wine nginx-light; run this script as root'
row not-root-wine32 yes ok "" all 1000 1 '!apt-get' 'missing: wine32:i386'
# A 64-bit-only host never asks for wine32, even when everything else is there.
row all-there-64-only no ok "" all 0 0 '!apt-get' '!wine32'

# The probe itself on this host agrees with what the kernel says of a 32-bit
# program (only a consistency check: both answers are valid hosts).
probe=$(sed -n '/^can_run_32bit()/,/^}/p' "$script")
eval "$probe"
if TOLVAR_DEPS_RUN32= can_run_32bit; then echo "note: this host runs 32-bit programs"; else echo "note: this host cannot run 32-bit programs"; fi

if [ $failures -gt 0 ]; then
  echo "$failures row(s) failed"
  exit 1
fi
echo "all rows passed"
