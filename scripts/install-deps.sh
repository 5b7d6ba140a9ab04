#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Only missing packages are installed; apt-get runs through sudo when not root.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format-14 libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libcpp-httplib-dev libboost-math-dev
  portaudio19-dev libasound2-plugins alsa-utils libsndfile1-dev libstb-dev
  qt6-base-dev libqt6svg6 fonts-dejavu-core fonts-dejavu-extra fonts-wqy-microhei xvfb xauth imagemagick librsvg2-bin xdotool pulseaudio
  g++-mingw-w64-x86-64-posix googletest wine64 nsis dpkg-dev xz-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
