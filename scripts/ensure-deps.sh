#!/usr/bin/env bash
# Installs the Debian packages QTEST820 builds with, if any is missing, and
# any further packages named as arguments (scripts/package-check.sh names its
# tools). As root it runs apt-get; otherwise it prints the exact command and stops.
set -euo pipefail
# xvfb, xauth, the xcb platform plugin and a font: the real-display tests.
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-qpa-plugins xvfb xauth fonts-dejavu-core "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
else
  echo "Missing packages. Run this first:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
