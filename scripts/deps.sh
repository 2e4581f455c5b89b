#!/usr/bin/env bash
# Installs what building and testing Clipwright needs on Debian 12, when missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-multimedia-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  ffmpeg mjpegtools vcdimager mpegdemux
  xvfb xauth python3
  help2man desktop-file-utils appstream lintian shared-mime-info xdg-utils man-db
  bash-completion dpkg-dev file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
