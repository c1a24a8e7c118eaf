#!/usr/bin/env bash
# Starts the program from the build folder. Besides the system's CUPS printers it lists the
# virtual PDF printer "Quillmark PDF", so it starts and prints on a machine without any.
set -euo pipefail
cd "$(dirname "$0")/.."
exec build/bin/quillmark "$@"
