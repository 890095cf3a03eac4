# Morvex: the two everyday commands are `make demo` and `make test`; `make check` is the
# quick run while working.

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
ASAN_DIR     ?= build-asan
TSAN_DIR     ?= build-tsan
FUZZ_DIR     ?= build-fuzz
COVERAGE_DIR ?= build-coverage
SCALAR_DIR   ?= build-scalar
# gcov instrumentation without optimisation, so that lines and branches map onto the source.
# Counters are updated atomically: the audio and editor threads of one test run the same code,
# and plain increments from two threads can leave counts gcov prints as negative.
COVERAGE_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DMORVEX_WERROR=ON \
                 -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic -O0" \
                 -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic -O0" \
                 -DCMAKE_EXE_LINKER_FLAGS=--coverage \
                 -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage
# Seconds per fuzz target: `make fuzz` runs each for FUZZ_SECONDS, `make test`
# for FUZZ_SMOKE_SECONDS.
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 20
FUZZ_TARGETS := chunk preset midimap prefs mprg
# The sanitizer suites are built lightly optimised: a fraction of the build and
# run time of -O0, with the checks unchanged. Warnings are errors in every build, these too.
SANITIZER_FLAGS = -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 -DMORVEX_WERROR=ON
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS  ?=
DEMO_DIR     ?= $(BUILD_DIR)/demo
VST_DIR      ?= $(HOME)/.vst

.PHONY: all deps build demo check test test-scalar test-asan test-tsan fuzz fuzz-smoke fuzz-build fuzz-run \
        sanitize coverage bench screenshots install clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DMORVEX_WERROR=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD_DIR) --parallel $(JOBS)

# Renders the built-in drum loop through the plug-in just built, plain and through
# each module.
demo: build
	@scripts/demo.sh $(BUILD_DIR) $(DEMO_DIR)

# The Release suite alone, for everyday work: a few minutes from a built tree.
check: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --parallel $(JOBS)

# Builds everything and runs every test: the Release suite, the scalar form of the vector
# code against the SSE2 form, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the concurrency test under ThreadSanitizer, and a short run of
# every fuzz target.
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --parallel $(JOBS)
	@$(MAKE) --no-print-directory test-scalar
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan
	@$(MAKE) --no-print-directory fuzz-smoke

# The plug-in built with MORVEX_SCALAR_DSP (the plain form of the SSE2 code, as a port would
# build it; only the plug-in and the render tool) renders every module and the full patch
# like the SSE2 build (scripts/scalar-parity.sh). Needs python3.
test-scalar: build
	@cmake -S . -B $(SCALAR_DIR) -DCMAKE_BUILD_TYPE=Release -DMORVEX_SCALAR_DSP=ON \
	    -DMORVEX_BUILD_TESTS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SCALAR_DIR) --parallel $(JOBS) --target Morvex morvex-render
	@scripts/scalar-parity.sh $(BUILD_DIR) $(SCALAR_DIR)

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_DIR) $(SANITIZER_FLAGS) -DENABLE_SANITIZERS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_DIR) --parallel $(JOBS)
	@cd $(ASAN_DIR) && ctest --output-on-failure --parallel $(JOBS)

# The two host threads at once under ThreadSanitizer, which must report nothing
# (it exits non-zero after any report).
test-tsan: deps
	@cmake -S . -B $(TSAN_DIR) $(SANITIZER_FLAGS) -DMORVEX_TSAN=ON -DMORVEX_HOST_TESTS=OFF \
	    -DMORVEX_BUILD_RENDER=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(TSAN_DIR) --parallel $(JOBS) --target morvex_concurrency_tests
	@TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	    $(TSAN_DIR)/tests/morvex_concurrency_tests

# The libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and
# their seed corpus, written by the plug-in's own writers.
fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) $(SANITIZER_FLAGS) -DMORVEX_FUZZ=ON \
	    -DMORVEX_BUILD_TESTS=OFF -DMORVEX_BUILD_RENDER=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_DIR) --parallel $(JOBS) --target fuzz_all

# Each fuzz target for FUZZ_SECONDS; the corpus grows in $(FUZZ_DIR)/corpus/<target>
# and a crashing input is kept as $(FUZZ_DIR)/crash-*.
fuzz: fuzz-build
	@$(MAKE) --no-print-directory fuzz-run SECONDS=$(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	@$(MAKE) --no-print-directory fuzz-run SECONDS=$(FUZZ_SMOKE_SECONDS)

fuzz-run:
	@for target in $(FUZZ_TARGETS); do \
	    mkdir -p $(FUZZ_DIR)/corpus/$$target; \
	    log=$(FUZZ_DIR)/fuzz_$$target.log; \
	    if ! $(FUZZ_DIR)/fuzz/fuzz_$$target -max_total_time=$(SECONDS) -rss_limit_mb=2048 \
	            -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ \
	            $(FUZZ_DIR)/corpus/$$target $(FUZZ_DIR)/fuzz-seeds/$$target >$$log 2>&1; then \
	        tail -n 60 $$log; echo "fuzz_$$target failed (log: $$log)"; exit 1; \
	    fi; \
	    echo "fuzz_$$target: $(SECONDS) s, $$(grep -o 'number_of_executed_units: [0-9]*' $$log)"; \
	done

# Line and branch coverage of Source/ by the Release suite (built with gcov, -O0), as a
# summary and as an HTML report in $(COVERAGE_DIR)/coverage/index.html. Needs gcovr.
coverage:
	@scripts/install-deps.sh gcovr
	@cmake -S . -B $(COVERAGE_DIR) $(COVERAGE_FLAGS) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(COVERAGE_DIR) --parallel $(JOBS)
	@find $(COVERAGE_DIR) -name '*.gcda' -delete
	@cd $(COVERAGE_DIR) && ctest --output-on-failure --parallel $(JOBS)
	@mkdir -p $(COVERAGE_DIR)/coverage
	@gcovr --root . --filter 'Source/' --object-directory $(COVERAGE_DIR) \
	    --exclude-throw-branches --print-summary \
	    --html-details $(COVERAGE_DIR)/coverage/index.html

# Former name of test-asan.
sanitize: test-asan

# CPU cost of the audio path: ns per sample frame for each module and the full patch,
# then the blocks that carry host events (transport, tempo, preset load, parameters,
# rate change): their median and worst time at blocks of 64 and 32.
bench: build
	@$(BUILD_DIR)/morvex-bench
	@echo
	@$(BUILD_DIR)/morvex-bench --events

# Pictures of the editor at scale 1 and 2, drawn offscreen by the plug-in's own editor
# code: both window modes, both layer pages, a modulator in curve mode, the matrix page
# in both windows and the compact master view (tools/screenshots/screenshots.sh).
SCREENSHOT_DIR ?= docs/screenshots
screenshots: build
	@tools/screenshots/screenshots.sh $(BUILD_DIR) $(SCREENSHOT_DIR)

# Copies the plug-in to ~/.vst, where Linux hosts look by default, and the factory preset
# library into the plug-in's data folder (DATA_DIR), beside the user's own presets, which it
# never touches (scripts/install-library.sh).
DATA_DIR ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/Brenwick/Morvex
install: build
	@mkdir -p $(VST_DIR)
	@cp $(BUILD_DIR)/Morvex.so $(VST_DIR)/Morvex.so
	@echo "Installed $(VST_DIR)/Morvex.so"
	@scripts/install-library.sh $(BUILD_DIR)/presets "$(DATA_DIR)"

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(ASAN_DIR) $(TSAN_DIR) $(FUZZ_DIR) $(COVERAGE_DIR) $(SCALAR_DIR)
