#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for
# SECONDS (default 60) from its seed corpus. Findings land in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: png_chunks document import
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"; shift || true
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(png_chunks document import)
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
"$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DPIXMORA_FUZZ=ON -DPIXMORA_WERROR=OFF \
    -DPIXMORA_BUILD_TESTS=OFF -DPIXMORA_BUILD_BENCH=OFF
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]/#/fuzz_}"
mkdir -p "$build/findings"
export QT_QPA_PLATFORM=offscreen
# Qt's own code is not instrumented and leaks by design at exit.
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
# Decoding is budgeted at 128 MiB, so any single allocation over 512 MiB (Qt's and
# libpng's included: ASan's allocator sees every malloc) is a finding, not a slow run.
status=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"; mkdir -p "$work"
  echo "== fuzz_$t for ${seconds}s"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -malloc_limit_mb=512 \
      -timeout=10 -artifact_prefix="$build/findings/$t-" -print_final_stats=1 \
      "$work" "$root/fuzz/corpus/$t" 2>"$build/findings/$t.log"; then
    echo "fuzz_$t FAILED; see $build/findings/$t.log" >&2
    tail -n 30 "$build/findings/$t.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|Done" "$build/findings/$t.log" | tail -n 2
  fi
done
exit $status
