#!/usr/bin/env bash
# Installs every package the build, the tests, the demo and the benchmarks need.
# Idempotent: a machine that already has everything only pays for the checks.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: needs root (apt-get)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

native_pkgs=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev clang-format
  g++-mingw-w64-i686-posix
  xvfb xauth
  nginx-light tinyproxy
  dante-server openssl libssl3
  python3
  libfltk1.3-dev
  locales
)
i386_pkgs=(wine wine32)

missing=()
for p in "${native_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32)
fi
for p in "${i386_pkgs[@]}"; do
  q=$p; [ "$p" = wine32 ] && q=wine32:i386
  dpkg-query -W -f='${Status}' "$q" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${native_pkgs[@]}" wine wine32:i386
fi

# A Japanese locale lets tests check the Shift_JIS message path on Linux.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.sjis$'; then
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.SJIS SHIFT_JIS' /etc/locale.gen; then
    echo 'ja_JP.SJIS SHIFT_JIS' >>/etc/locale.gen
  fi
  if [ -f /etc/locale.gen ] && ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null 2>&1 || true
fi
echo "install-deps: ok"
