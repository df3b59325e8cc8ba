#!/usr/bin/env bash
# Installs every package the build, the tests, the demo and the benchmarks
# need. It asks dpkg first and needs root only when something is missing, so
# the test command also works for a user who is not root on a machine that
# has everything. Idempotent.
#
# A mirror having a bad day must not stop a machine from getting going: an
# `apt-get update` that fails (often one index only, "Mirror sync in
# progress?") is tried once more and then only warned about, since apt goes on
# with the indexes it did fetch. The native packages are installed first, as
# one set; what is missing after that fails the run with the packages' names.
# The 32-bit Wine is installed only where this kernel runs 32-bit programs
# (asked by running a tiny 32-bit program, before anything 32-bit is
# installed), and failing to install it is a warning: the Windows tests then
# run on the 64-bit build, as they must on hosts without 32-bit support.
#
# Test hook: TOLVAR_DEPS_RUN32=yes|no answers the 32-bit question without the
# probe (tests/scripts/install_deps_test.sh runs this script against fake
# apt-get, dpkg and dpkg-query commands).
set -uo pipefail

export DEBIAN_FRONTEND=noninteractive

native_pkgs=(
  build-essential cmake ninja-build        # the build (CMake presets use Ninja)
  libx11-dev libfltk1.3-dev libfontconfig-dev  # the Linux window's module (src/platform/desktop)
  fonts-noto-cjk                           # Japanese glyphs for the Linux window (IPAPGothic also serves)
  xdotool twm                              # the Linux window tests type into the window, under a small window manager
  libgtest-dev libgmock-dev googletest     # unit tests; the sources for the Windows builds
  clang libclang-rt-14-dev                 # the fuzz targets (libFuzzer)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64                              # the Windows tests (64-bit Wine on every host)
  xvfb xauth                               # a display for Wine's windows (xvfb-run needs xauth)
  fonts-ipafont-gothic                     # Japanese glyphs for the window's texts and its picture
  nginx-light tinyproxy                    # peers of the HTTP tests and the demo
  dante-server openssl libssl3             # SOCKS and TLS peers, the TLS handler's library
  ca-certificates                          # update-ca-certificates: the Windows TLS tests' CA, trusted for the run
  python3                                  # the test summary and the benchmarks
  locales                                  # the ja_JP.SJIS locale of the message tests
  curl wget time                           # the benchmarks' peers and their timing
  valgrind util-linux                      # scripts/memcheck.sh; unshare in the fault cases
  lintian man-db unzip                     # the package tests: lintian, man -l on the installed pages, the zip
)
wine32_pkg=wine32:i386

say() { echo "install-deps: $*"; }
warn() { echo "install-deps: warning: $*" >&2; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Can this kernel run a 32-bit x86 program? A 95-byte static ELF that only
# calls exit(42) through int 0x80: a kernel without IA32 emulation refuses it
# with "Exec format error", whatever is installed.
can_run_32bit() {
  case ${TOLVAR_DEPS_RUN32:-} in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  local dir rc
  dir=$(mktemp -d) || return 1
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\137\000\000\000\137\000\000\000\005\000\000\000\000\020\000\000\061\333\263\052\270\001\000\000\000\315\200' >"$dir/probe32"
  chmod +x "$dir/probe32"
  "$dir/probe32" 2>/dev/null
  rc=$?
  rm -rf "$dir"
  [ $rc -eq 42 ]
}

updated=0
apt_update() {  # tolerates indexes that fail: apt goes on with the ones it has
  [ $updated -eq 1 ] && return 0
  updated=1
  apt-get update -q && return 0
  warn "apt-get update failed; trying once more"
  sleep 2
  apt-get update -q && return 0
  warn "apt-get update failed again; going on with the package indexes that were fetched"
}

missing=()
for p in "${native_pkgs[@]}"; do
  installed "$p" || missing+=("$p")
done
run32=0
can_run_32bit && run32=1
need_wine32=0
[ $run32 -eq 1 ] && ! installed "$wine32_pkg" && need_wine32=1

# A Japanese locale lets tests check the Shift_JIS message path on Linux.
need_locale=0
locale -a 2>/dev/null | grep -qi '^ja_JP.sjis$' || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $need_wine32 -eq 0 ] && [ $need_locale -eq 0 ]; then
  say "ok (nothing missing)"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  what="${missing[*]}"
  [ $need_wine32 -eq 1 ] && what+="${what:+ }$wine32_pkg"
  [ $need_locale -eq 1 ] && what+="${what:+ }(the ja_JP.SJIS locale)"
  echo "install-deps: missing: $what; run this script as root once" >&2
  exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  apt_update
  if ! apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    still=()
    for p in "${missing[@]}"; do
      installed "$p" || still+=("$p")
    done
    if [ ${#still[@]} -gt 0 ]; then
      echo "install-deps: could not install: ${still[*]}" >&2
      exit 1
    fi
  fi
fi

if [ $need_wine32 -eq 1 ]; then
  say "this host runs 32-bit programs: installing $wine32_pkg"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0  # the i386 indexes are new
  fi
  apt_update
  if ! apt-get install -y -q --no-install-recommends "$wine32_pkg" || ! installed "$wine32_pkg"; then
    warn "could not install $wine32_pkg; the Windows tests will run on the 64-bit build only"
  fi
elif [ $run32 -eq 0 ] && ! installed "$wine32_pkg"; then
  say "this host cannot run 32-bit programs: no 32-bit Wine (the Windows tests use the 64-bit build)"
fi

if [ $need_locale -eq 1 ]; then
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.SJIS SHIFT_JIS' /etc/locale.gen; then
    echo 'ja_JP.SJIS SHIFT_JIS' >>/etc/locale.gen
  fi
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null 2>&1 || warn "locale-gen failed; the Shift_JIS message cases will skip"
fi
say "ok"
