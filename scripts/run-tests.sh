#!/usr/bin/env bash
# Runs the whole test suite with ctest, on the offscreen platform. As root it first starts
# a private CUPS server with test queues (scripts/cups-test-server.sh) for the printing
# tests and stops it by its PID at the end; otherwise those tests skip. Then builds the
# sanitizer build (preset asan, build-asan/: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole suite again there, with the fuzz targets;
# any sanitizer report fails the run. QM_SKIP_SANITIZERS=1 leaves that second run out.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen

cups_dir=""
stop_cups() {
  if [ -n "$cups_dir" ]; then
    scripts/cups-test-server.sh stop "$cups_dir" || true
    rm -rf "$cups_dir"
  fi
}
trap stop_cups EXIT

if [ "$(id -u)" -eq 0 ] && command -v cupsd >/dev/null; then
  cups_dir=$(mktemp -d /tmp/quillmark-cups.XXXXXX)
  if scripts/cups-test-server.sh start "$cups_dir"; then
    # Every client, the tests included, talks to the private server only and keeps its
    # CUPS settings (lpoptions) in a private home.
    export CUPS_SERVER=$cups_dir/cups.sock HOME=$cups_dir/home QM_CUPS_TEST_DIR=$cups_dir
    echo "Private CUPS server for the printing tests: $CUPS_SERVER"
  else
    echo "Could not start a private CUPS server: the printing tests that need it will skip."
  fi
else
  echo "Not root: no private CUPS server, the printing tests that need it will skip."
fi

ctest --preset default -j2

if [ "${QM_SKIP_SANITIZERS:-0}" = 1 ]; then
  echo "QM_SKIP_SANITIZERS=1: the sanitizer build and the fuzz targets are not run."
  exit 0
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset asan "${launcher[@]}" >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
