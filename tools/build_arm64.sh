#!/usr/bin/env bash
# Cross-builds the program and its unit tests for arm64 (a Raspberry Pi 3/4/5
# with a 64-bit OS) with Debian's cross toolchain, runs the unit tests under
# qemu-aarch64-static, and makes the arm64 package
# build/deb/qsodeck_<version>_arm64.deb. Downloads a lot on first use (the
# toolchain and the :arm64 libraries); not part of CI.
#
#   JOBS=N          parallel compile jobs (default 1: it runs beside others)
#   SKIP_TESTS=1    only the package
#   TEST_EXCLUDE=RE tests left out (default: the end-to-end runs, which start
#                   local servers and whole programs and take long under qemu)
#   TEST_TARGETS="a_test b_test"  build and run only these test executables
#                   (each run whole under qemu) instead of every test
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
jobs="${JOBS:-1}"
build="$repo/build-arm64"
started="$(date +%s)"
step() { echo "build_arm64: [$(($(date +%s) - started)) s] $*"; }

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
packages=(crossbuild-essential-arm64 qemu-user-static
  libsdl2-dev:arm64 libpng-dev:arm64 libcurl4-openssl-dev:arm64 libssh-dev:arm64
  libcpp-httplib-dev:arm64 libsodium-dev:arm64
  libgtest-dev:arm64 libgmock-dev:arm64)

step "toolchain and arm64 libraries"
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${sudo_cmd[@]}" dpkg --add-architecture arm64
fi
"${sudo_cmd[@]}" apt-get update -qq
# The :arm64 -dev packages must sit beside the native ones; never let apt
# remove a native package to make room.
if "${sudo_cmd[@]}" apt-get install -s -y --no-install-recommends "${packages[@]}" | grep -q '^Remv '; then
  echo "build_arm64: installing the arm64 packages would remove native ones:" >&2
  "${sudo_cmd[@]}" apt-get install -s -y --no-install-recommends "${packages[@]}" | grep '^Remv ' >&2
  exit 1
fi
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${packages[@]}"

if [ "${SKIP_TESTS:-0}" != 1 ]; then
  step "configure $build"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
    -DCMAKE_C_COMPILER=aarch64-linux-gnu-gcc -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ \
    -DCMAKE_FIND_ROOT_PATH=/usr/aarch64-linux-gnu \
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=BOTH -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=BOTH \
    -DCMAKE_LIBRARY_ARCHITECTURE=aarch64-linux-gnu \
    -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-aarch64-static \
    -DPKG_CONFIG_EXECUTABLE=/usr/bin/aarch64-linux-gnu-pkg-config >/dev/null
  tests_ok=yes
  if [ -n "${TEST_TARGETS:-}" ]; then
    read -r -a targets <<<"$TEST_TARGETS"
    step "build qsodeck ${targets[*]} (-j$jobs)"
    cmake --build "$build" -j"$jobs" --target qsodeck "${targets[@]}"
    readelf -h "$build/qsodeck" | grep -q AArch64 || { echo "build_arm64: not an arm64 binary" >&2; exit 1; }
    step "unit tests under qemu-aarch64-static"
    : >"$build/ctest.log"
    # Each case in its own process, as ctest runs them (the program's global
    # state starts fresh for each).
    for t in "${targets[@]}"; do
      mkdir -p "$build/tests/work/$t"
      passed=0 failed=0
      for case_name in $(qemu-aarch64-static "$build/tests/$t" --gtest_list_tests |
        awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}'); do
        if (cd "$build/tests/work/$t" && SDL_AUDIODRIVER=dummy bash "$repo/tools/with_display.sh" \
          qemu-aarch64-static "$build/tests/$t" --gtest_filter="$case_name") >>"$build/ctest.log" 2>&1; then
          passed=$((passed + 1))
        else
          failed=$((failed + 1)) tests_ok=no
          echo "FAILED: $t $case_name"
        fi
      done
      echo "$t: $passed passed, $failed failed"
    done
  else
    step "build (-j$jobs)"
    cmake --build "$build" -j"$jobs"
    readelf -h "$build/qsodeck" | grep -q AArch64 || { echo "build_arm64: not an arm64 binary" >&2; exit 1; }
    step "unit tests under qemu-aarch64-static"
    bash tools/with_display.sh ctest --test-dir "$build" --output-on-failure -j"$jobs" \
      -E "${TEST_EXCLUDE:-e2e|E2e|E2E|Sample|Ssh|Layering}" >"$build/ctest.log" 2>&1 || tests_ok=no
    tail -25 "$build/ctest.log"
  fi
  step "unit tests passed: $tests_ok (log: $build/ctest.log)"
fi

step "arm64 package"
ARCH=arm64 JOBS="$jobs" bash tools/build_deb.sh
step "done"
[ "${tests_ok:-yes}" = yes ]
