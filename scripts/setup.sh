#!/usr/bin/env bash
# Installs the Debian packages Brevamoor needs to build, play and test.
# Packages already present are left alone; apt-get runs only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgl-dev libglfw3-dev libglew-dev libfreeimage-dev libassimp-dev libglm-dev libfreetype-dev fonts-dejavu-core
  googletest libgtest-dev
  xvfb xauth xdotool imagemagick libgl1-mesa-dri
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "setup: installing ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
