# Thin wrapper around CMake. `make run` builds and starts the program,
# `make test` builds and runs every test (plain and sanitizer builds).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
CTEST_FLAGS ?= --output-on-failure -j$(JOBS)

.PHONY: all deps configure build run test test-fast test-asan bench fuzz clean

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

test: test-fast test-asan

bench: deps
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQSODECK_BENCH=ON -DQSODECK_TESTS=OFF
	cmake --build build-bench -j$(JOBS)
	bash tools/run_benchmarks.sh build-bench

fuzz:
	@bash tools/install_deps.sh --with-fuzz
	bash fuzz/run_fuzzers.sh $${FUZZ_SECONDS:-60}

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) build-bench build-fuzz
