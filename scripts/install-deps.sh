#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need; does nothing when
# they are all present. Uses sudo when not run as root. Pass extra package names to add them
# (the benchmark's comparison tools, for example).
set -euo pipefail

packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins libgl-dev
  libjpeg62-turbo-dev libcups2-dev zlib1g-dev
  googletest libgtest-dev
  fonts-liberation fonts-dejavu-core
  cups cups-daemon cups-client cups-bsd poppler-utils ghostscript
  xvfb xauth
  libjpeg-turbo-progs imagemagick
  clang-14 libclang-rt-14-dev
  "$@"
)

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
