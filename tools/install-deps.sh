#!/usr/bin/env bash
# Installs every Debian package the project builds, runs and tests with.
set -euo pipefail
pkgs=(
  build-essential cmake ninja-build ccache pkg-config
  libsdl2-dev
  libfreetype-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libfluidsynth-dev timgm6mb-soundfont sound-icons
  libvorbis-dev libogg-dev
  libpng-dev zlib1g-dev
  libboost-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  netpbm
  xvfb xauth
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
