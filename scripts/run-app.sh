#!/usr/bin/env bash
# Starts the program from the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
exec build/bin/quillmark "$@"
