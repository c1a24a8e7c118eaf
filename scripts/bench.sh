#!/usr/bin/env bash
# Runs every benchmark program; each prints one line per measure with its ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
for b in build/bin/quillmark-bench-*; do
  [ -x "$b" ] && "$b"
done
