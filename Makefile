# Flenmark: `make run` and `make test` work on a fresh machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps build test test-fast asan fuzz run format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The core tests under AddressSanitizer + UBSan, a short fuzzing run, then every test; the
# full run comes last so that its summary closes the output.
test: build
	@$(MAKE) --no-print-directory asan
	@$(MAKE) --no-print-directory fuzz
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The fast tests only (no real encoder, fuzzing or sanitizer runs).
test-fast: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -LE slow

asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DFLENMARK_GUI=OFF \
	  -DFLENMARK_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE slow

# A short run of the settings-file fuzzer (skipped when clang's fuzzer runtime is missing).
FUZZ_SECONDS ?= 20
fuzz: deps
	@bash scripts/fuzz-config.sh $(FUZZ_SECONDS)

run: build
	@bash scripts/run.sh $(BUILD)

format:
	@bash scripts/format.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
