#!/usr/bin/env bash
# Starts the program from the build folder. When CUPS lists no printer, the program's
# virtual PDF printer stands in ("Quillmark PDF", pages written as PDF files to a folder in
# the user's home), so that it can start and print.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${QUILLMARK_VIRTUAL_PRINTER:-}" ]; then
  printers=$(timeout 5 lpstat -e 2>/dev/null || true)
  if [ -z "$printers" ]; then
    export QUILLMARK_VIRTUAL_PRINTER="$HOME/Quillmark PDF"
    mkdir -p "$QUILLMARK_VIRTUAL_PRINTER"
    echo "CUPS lists no printer: using the virtual printer \"Quillmark PDF\"," \
      "which writes each printed page to $QUILLMARK_VIRTUAL_PRINTER"
  fi
fi
exec build/bin/quillmark "$@"
