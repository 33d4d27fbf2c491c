#!/usr/bin/env bash
# Builds every fuzz/*_fuzz.cpp as a libFuzzer target (clang, ASan + UBSan)
# against the program's library and runs each one for the given number of
# seconds (default 60). New corpus entries go to build-fuzz/corpus/<target>;
# the committed seeds in fuzz/corpus/<target> are only read, unless
# FUZZ_MERGE=1: then what adds coverage is merged into them (-merge=1, at
# most FUZZ_MERGE_MAX_LEN bytes an input, 2048 unless set, so the
# committed corpora stay small).
# Usage: [FUZZ_MERGE=1] fuzz/run_fuzzers.sh [seconds-per-target] [target-name ...]
set -euo pipefail

SECONDS_PER_TARGET="${1:-60}"
shift || true
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$ROOT/build-fuzz"
JOBS="${JOBS:-2}"
SAN="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

command -v clang++ >/dev/null || { echo "clang++ is needed for fuzzing (tools/install_deps.sh --with-fuzz)"; exit 1; }

# The library, instrumented for coverage but without the fuzzer's main().
cmake -S "$ROOT" -B "$OUT/lib" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQSODECK_TESTS=OFF -DQSODECK_BENCH=OFF \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link $SAN" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $SAN" >/dev/null
cmake --build "$OUT/lib" -j"$JOBS" --target qsodeck_lib

LIBS="$(pkg-config --libs sdl2 x11 libpng libssh libsodium cpp-httplib) -lcurl -lpthread"
CFLAGS_DEPS="$(pkg-config --cflags sdl2 libpng)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$ROOT"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" _fuzz.cpp)"); done
fi

status=0
summary=""
for name in "${targets[@]}"; do
  src="$ROOT/fuzz/${name}_fuzz.cpp"
  bin="$OUT/${name}_fuzz"
  echo "== building $name"
  # With the program's tables installed before the first input, as at start-up.
  # shellcheck disable=SC2086
  clang++ -std=c++17 -g -O1 -fsanitize=fuzzer $SAN -I"$ROOT" $CFLAGS_DEPS -DQSODECK_DESKTOP=1 \
    "$src" "$ROOT/tests/support/installed_program.cpp" "$OUT/lib/libqsodeck_lib.a" $LIBS -o "$bin"
  mkdir -p "$OUT/corpus/$name" "$OUT/artifacts/$name"
  seeds=()
  [ -d "$ROOT/fuzz/corpus/$name" ] && seeds+=("$ROOT/fuzz/corpus/$name")
  echo "== running $name for ${SECONDS_PER_TARGET}s"
  log="$OUT/${name}.log"
  set +e
  ( cd "$OUT" && QSODECK_DESKTOP_TRACE=0 ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$bin" -max_total_time="$SECONDS_PER_TARGET" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$OUT/artifacts/$name/" \
      "$OUT/corpus/$name" "${seeds[@]}" ) >"$log" 2>&1
  rc=$?
  set -e
  runs="$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)"
  cov="$(grep -ao 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)"
  if [ $rc -eq 0 ] && [ "${FUZZ_MERGE:-0}" = 1 ]; then
    mkdir -p "$ROOT/fuzz/corpus/$name"
    ( cd "$OUT" && "$bin" -merge=1 -max_len="${FUZZ_MERGE_MAX_LEN:-2048}" -timeout=10 -rss_limit_mb=2048 \
        "$ROOT/fuzz/corpus/$name" "$OUT/corpus/$name" ) >"$OUT/${name}.merge.log" 2>&1 || true
  fi
  if [ $rc -ne 0 ]; then
    status=1
    tail -40 "$log"
    summary+="$name: FAILED after ${runs:-?} executions (log $log)"$'\n'
  else
    summary+="$name: ${runs:-?} executions, ${cov:-cov ?}, no crash"$'\n'
  fi
done
printf '%s' "$summary"
exit $status
