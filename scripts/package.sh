#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it with lintian (errors fail).
set -euo pipefail
cd "$(dirname "$0")/.."
rm -f build/quillmark_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/quillmark_*.deb)
echo "Package: $deb"
lintian --fail-on error --tag-display-limit 0 "$deb"
