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
install_missing() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null
}
# A mirror caught in the middle of a sync serves an index that does not match its signed list, and
# apt-get update fails for that index alone. Wait it out a few times first.
for attempt in 1 2 3; do
  $sudo apt-get update -qq && { install_missing; exit 0; }
  [ "$attempt" -lt 3 ] && sleep 20
done
# Still failing. When it is the security suite of one architecture, the 64-bit libraries would come
# from the security suite and their 32-bit twins (wine32) from the release, at different versions
# that cannot be installed together; so install from the sources without the security suite, both
# architectures alike, and say so. Whatever else fails still fails the install below.
echo "deps: apt-get update failed three times; installing from the sources without the security suite" >&2
fallback=$(mktemp -d)
trap 'rm -rf "$fallback"' EXIT
mkdir "$fallback/parts"
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" } !/security/' "$f" >"$fallback/parts/$(basename "$f")" || true
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] && grep -v security "$f" >"$fallback/parts/$(basename "$f")" || true
done
apt_fallback=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$fallback/parts")
$sudo apt-get update -qq "${apt_fallback[@]}" || true
install_missing "${apt_fallback[@]}"
