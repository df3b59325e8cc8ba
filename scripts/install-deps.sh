#!/usr/bin/env bash
# Installs every package the build, the tests, the demo and the benchmarks
# need. It asks dpkg first and needs root only when something is missing, so
# the test command also works for a user who is not root on a machine that
# has everything. Idempotent.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive

native_pkgs=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev clang-format
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xauth
  nginx-light tinyproxy
  dante-server openssl libssl3
  python3
  libfltk1.3-dev
  locales
  stress
  curl wget time
  valgrind util-linux
)
# 32-bit Wine: installed on every host because the win32 build is the
# product, although some kernels cannot run it (scripts/test.sh asks).
foreign_pkgs=(wine32:i386)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for p in "${native_pkgs[@]}" "${foreign_pkgs[@]}"; do
  installed "$p" || missing+=("$p")
done
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

# A Japanese locale lets tests check the Shift_JIS message path on Linux.
need_locale=0
locale -a 2>/dev/null | grep -qi '^ja_JP.sjis$' || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $need_i386 -eq 0 ] && [ $need_locale -eq 0 ]; then
  echo "install-deps: ok (nothing missing)"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  what="${missing[*]}"
  [ $need_i386 -eq 1 ] && what+=" (the i386 architecture)"
  [ $need_locale -eq 1 ] && what+=" (the ja_JP.SJIS locale)"
  echo "install-deps: missing:${what:+ }$what; run this script as root once" >&2
  exit 1
fi

if [ $need_i386 -eq 1 ]; then
  dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_i386 -eq 1 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${native_pkgs[@]}" "${foreign_pkgs[@]}"
fi

if [ $need_locale -eq 1 ]; then
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.SJIS SHIFT_JIS' /etc/locale.gen; then
    echo 'ja_JP.SJIS SHIFT_JIS' >>/etc/locale.gen
  fi
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null 2>&1 || true
fi
echo "install-deps: ok"
