#!/usr/bin/env bash
# Builds Pixmora and runs every test under CTest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure -j"${JOBS:-2}" "$@"
