#!/usr/bin/env bash
# Installs the Debian packages of the named groups; does nothing when they are all present.
# Uses sudo when not run as root.
#   scripts/install-deps.sh [GROUP...] [-- PACKAGE...]
# Groups: build (building and running; the default), test (the test suite and the desktop
# checks of CI), package (the Debian package and its checks), bench (the benchmark's
# comparison tools). Names after "--" are installed as well.
set -euo pipefail

build_packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins libgl-dev
  libjpeg62-turbo-dev libcups2-dev zlib1g-dev libexif-dev pkg-config
  librsvg2-bin
  fonts-liberation fonts-dejavu-core
  xdg-utils
  qt6-translations-l10n
  libdlib-dev
  libdlib-data
  libopencv-dev libopencv-contrib-dev
)
test_packages=(
  googletest libgtest-dev
  cups cups-daemon cups-client cups-bsd poppler-utils ghostscript
  xvfb xauth openbox x11-utils xdotool
  libjpeg-turbo-progs imagemagick
  desktop-file-utils appstream
  clang-14 libclang-rt-14-dev
  dbus python3-dbusmock
)
package_packages=(
  dpkg-dev fakeroot lintian file
  desktop-file-utils appstream
  xvfb xauth openbox x11-utils xdotool imagemagick
)
bench_packages=(
  imagemagick python3-pil libjpeg-turbo-progs time
)

groups=()
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --) shift; extra+=("$@"); break ;;
    build|test|package|bench) groups+=("$1") ;;
    *) extra+=("$1") ;;
  esac
  shift
done
[ ${#groups[@]} -eq 0 ] && groups=(build)

packages=()
for g in "${groups[@]}"; do
  case "$g" in
    build) packages+=("${build_packages[@]}") ;;
    test) packages+=("${test_packages[@]}") ;;
    package) packages+=("${package_packages[@]}") ;;
    bench) packages+=("${bench_packages[@]}") ;;
  esac
done
packages+=(${extra[@]+"${extra[@]}"})

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
