#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the program.
# Only packages that are missing are installed; nothing happens when all are there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config g++
  libsdl2-dev libx11-dev libcurl4-openssl-dev libpng-dev libssh-dev ca-certificates openssl
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev libsodium-dev
  python3 xvfb xauth xdotool x11-apps x11-utils imagemagick librsvg2-bin openssh-server chromium faketime
)
if [ "${1:-}" = "--with-fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# The Debian package: its build, its checker, and systemd-analyze for the unit.
if [ "${1:-}" = "--with-deb" ]; then
  packages+=(debhelper dpkg-dev lintian systemd)
fi
# The measurement scripts: instruction counts and the kiosk-browser comparison.
if [ "${1:-}" = "--with-bench" ]; then
  packages+=(valgrind chromium)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "Please run as root or install sudo." >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
