#!/usr/bin/env bash
# Runs the whole test suite with ctest, on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
exec ctest --preset default -j2
