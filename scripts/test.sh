#!/usr/bin/env bash
# Builds Pixmora and runs every test:
#   1. the whole suite (unit, widget, command-line, acceptance) in build/;
#   2. the suite again under AddressSanitizer + UndefinedBehaviorSanitizer in
#      build-asan/ (skip with PIXMORA_SKIP_SANITIZERS=1);
#   3. a short run of each fuzz target in build-fuzz/ (skip with
#      PIXMORA_SKIP_FUZZ=1; length with PIXMORA_FUZZ_SECONDS, default 20).
# Extra arguments go to the first ctest run (e.g. -R convert).
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
failed=()

"$root/scripts/build.sh" || { echo "build failed"; exit 1; }
echo "=== tests (build/)"
(cd "${BUILD_DIR:-$root/build}" && ctest --output-on-failure -j"${JOBS:-2}" "$@") \
  > "${BUILD_DIR:-$root/build}/ctest.log" 2>&1
status=$?
grep -v -E '^ +Start +[0-9]+:|Test +#[0-9]+: .* +Passed ' "${BUILD_DIR:-$root/build}/ctest.log"
[ $status -eq 0 ] || failed+=("tests")

if [ "${PIXMORA_SKIP_SANITIZERS:-0}" != 1 ]; then
  asan="$root/build-asan"
  echo "=== sanitizer build (build-asan/)"
  if BUILD_DIR="$asan" "$root/scripts/build.sh" -DPIXMORA_SANITIZE=ON -DPIXMORA_BUILD_BENCH=OFF; then
    echo "=== tests under ASan + UBSan (build-asan/)"
    (cd "$asan" && ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" UBSAN_OPTIONS="print_stacktrace=1" \
       ctest --output-on-failure -j"${JOBS:-2}" -LE acceptance) > "$asan/ctest.log" 2>&1
    s=$?
    grep -v -E '^ +Start +[0-9]+:|Test +#[0-9]+: .* +Passed ' "$asan/ctest.log"
    [ $s -eq 0 ] || failed+=("sanitizer tests")
  else
    failed+=("sanitizer build")
  fi
fi

if [ "${PIXMORA_SKIP_FUZZ:-0}" != 1 ]; then
  echo "=== short fuzz run (build-fuzz/)"
  "$root/scripts/fuzz.sh" "${PIXMORA_FUZZ_SECONDS:-20}" || failed+=("fuzzing")
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test stages passed."
