#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine does not have yet. Safe to run again: it installs only what is missing.
set -eu
packages=(
  cmake ninja-build g++ googletest clang clang-format
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 xvfb evilwm xdotool x11-apps x11-utils imagemagick
  fonts-dejavu-core python3
  osslsigncode openssl libengine-pkcs11-openssl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
