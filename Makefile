# Thin wrapper around CMake. `make run` builds and starts the program,
# `make test` builds and runs every test (plain and sanitizer builds).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
# Test executables whose code runs threads: they are also built and run
# under ThreadSanitizer (add yours here).
TSAN_TEST_TARGETS ?= remote_actions_test ssh_client_test fetch_worker_test main_cycle_test radioid_test aprs_test adsb_test \
  e2e_slow_service_test call_watch_test web_server_test
empty :=
space := $(empty) $(empty)
# Most tests wait on a local server, a child program or an X window rather
# than compute, so twice as many run at once as there are cores.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) * 2 )))
CTEST_FLAGS ?= --output-on-failure -j$(TEST_JOBS)

.PHONY: all deps configure build run test test-fast test-asan test-tsan bench fuzz deb clean

all: build

deps:
	@bash tools/install_deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	@bash tools/run_desktop.sh $(BUILD_DIR)/qsodeck

test-fast: build
	bash tools/with_display.sh ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DQSODECK_SANITIZE=ON
	cmake --build $(ASAN_DIR) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  bash tools/with_display.sh ctest --test-dir $(ASAN_DIR) $(CTEST_FLAGS)

# Only the thread tests are built here, so this stays quick; the random
# address layout is turned off because ThreadSanitizer cannot map its
# shadow memory under the large layouts of current kernels.
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQSODECK_TSAN=ON \
	  "-DQSODECK_TSAN_TESTS=$(subst $(space),;,$(strip $(TSAN_TEST_TARGETS)))"
	cmake --build $(TSAN_DIR) -j$(JOBS) --target $(TSAN_TEST_TARGETS)
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  setarch "$$(uname -m)" -R bash tools/with_display.sh ctest --test-dir $(TSAN_DIR) -L tsan $(CTEST_FLAGS)

test: test-fast test-asan test-tsan

bench: deps
	@bash tools/install_deps.sh --with-bench
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQSODECK_BENCH=ON -DQSODECK_TESTS=OFF
	cmake --build build-bench -j$(JOBS)
	bash tools/run_benchmarks.sh build-bench

fuzz:
	@bash tools/install_deps.sh --with-fuzz
	bash fuzz/run_fuzzers.sh $${FUZZ_SECONDS:-60}

# The Debian package build/deb/qsodeck_<version>_<arch>.deb (ARCH=arm64 for a
# cross-built one; see tools/build_deb.sh and tools/build_arm64.sh).
deb:
	@bash tools/install_deps.sh --with-deb
	ARCH=$(ARCH) JOBS=$(JOBS) bash tools/build_deb.sh

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) build-bench build-fuzz
