#!/usr/bin/env bash
# Installs the Debian packages Quorelbox needs to build, test, package and run; installs
# nothing that is already there, so it is cheap to run every time.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make ccache
  libhidapi-dev libcjson-dev libudev-dev libzip-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-tools-dev qt6-svg-dev libqt6opengl6-dev libxkbcommon-dev qt6-qpa-plugins
  fonts-dejavu-core fonts-wqy-microhei xvfb xauth
  dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
