#!/usr/bin/env bash
# Installs the Debian packages Quorelbox needs; installs nothing that is already there, so it
# is cheap to run every time: scripts/install-deps.sh [fuzz] [package]
# Without a group it installs what building, testing and running need (./test.sh, ./run.sh,
# scripts/sanitize.sh). The groups add what one more stage needs, and that stage's script
# asks for them itself: "fuzz" the clang toolchain of the fuzz targets (scripts/fuzz.sh),
# "package" the Debian packaging tools and validators (scripts/package.sh).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config make ccache
  libhidapi-dev libcjson-dev libudev-dev libzip-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-tools-dev qt6-svg-dev libqt6opengl6-dev libxkbcommon-dev qt6-qpa-plugins
  fonts-dejavu-core fonts-wqy-microhei
)
for group in "$@"; do
  case $group in
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    package) packages+=(dpkg-dev file lintian desktop-file-utils appstream) ;;
    *) echo "install-deps: unknown group '$group' (fuzz, package)" >&2; exit 2 ;;
  esac
done

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
