#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Dorvane needs.
# Idempotent: does nothing when all of them are already present. Run as root (or with sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev
  libdvdread-dev libblkid-dev
  qt6-base-dev qt6-multimedia-dev
  libgtest-dev libgmock-dev
  ffmpeg dvdauthor xvfb time
  genisoimage python3 e2fsprogs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
echo "setup: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
