#!/usr/bin/env bash
# Installs the Debian packages Korvel needs that are missing (via sudo when not root).
# usage: scripts/install-deps.sh [extra packages...]
set -euo pipefail

packages=(qt6-base-dev qt6-serialport-dev libgtest-dev fonts-dejavu-core cmake ninja-build g++
  # the data window's chart (its CMake files need the OpenGL ones, which it does not bring)
  qt6-charts-dev libqt6opengl6-dev
  # the manuals and the PNG icons the install rules write, the .deb's dependencies (cpack),
  # and the tools the installed-tree test checks with
  scdoc librsvg2-bin dpkg-dev file desktop-file-utils appstream man-db shared-mime-info libglib2.0-bin
  "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
