#!/usr/bin/env bash
# Builds Pixmora and starts the editor; arguments are files to open.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
if [ -x "$build/src/app/pixmora" ]; then
  exec "$build/src/app/pixmora" "$@"
fi
exec "$build/tests/model/model_tests"
