# Morvex: the two everyday commands are `make demo` and `make test`.

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
JOBS         ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS  ?=
DEMO_DIR     ?= $(BUILD_DIR)/demo
VST_DIR      ?= $(HOME)/.vst

.PHONY: all deps build demo test sanitize bench install clean

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

# Builds everything and runs every test.
test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure --parallel $(JOBS)

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DENABLE_SANITIZERS=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SANITIZE_DIR) --parallel $(JOBS)
	@cd $(SANITIZE_DIR) && ctest --output-on-failure --parallel $(JOBS)

# CPU cost of the audio path: ns per sample frame for each module and the full patch.
bench: build
	@$(BUILD_DIR)/morvex-bench

# Copies the plug-in to ~/.vst, where Linux hosts look by default.
install: build
	@mkdir -p $(VST_DIR)
	@cp $(BUILD_DIR)/Morvex.so $(VST_DIR)/Morvex.so
	@echo "Installed $(VST_DIR)/Morvex.so"

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
