#!/usr/bin/env bash
# Installs what the builds and the tests need on Debian 12, only when something is missing.
# Safe to run again: a machine that has everything is left untouched.
set -euo pipefail

need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo "$@"; else echo "run as root: $*" >&2; exit 1; fi
  else
    "$@"
  fi
}

packages=(
  cmake make g++ git python3 pkg-config
  googletest libgtest-dev zlib1g-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 xvfb xauth x11-utils imagemagick locales
  clang libclang-rt-14-dev libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root dpkg --add-architecture i386
  fi
  need_root apt-get update -q
  DEBIAN_FRONTEND=noninteractive need_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
