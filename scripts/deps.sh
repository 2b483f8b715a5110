#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, and nothing when it is all there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3 file
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 googletest
  wine wine32:i386 wine64 xvfb xauth fonts-liberation fonts-wine
  mscompress xdotool tinyproxy imagemagick x11-apps openssl
  nsis
  libcpp-httplib-dev libpugixml-dev libcurl4-openssl-dev libssl-dev pkgconf
  libxml2-dev libicu-dev libuchardet-dev nginx-light
  wrk curl dpkg-dev systemd
  tickr strace xtrace
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
