# Thin wrapper over CMake. `make run` starts the application, `make test`
# builds and runs every test; both install missing Debian packages first.
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j2

run: build
	@if [ -x $(BUILD)/app/tandrel ]; then $(BUILD)/app/tandrel; else $(BUILD)/cli/tandrelctl list; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

# Benchmarks that need a display or sound get the private test environment.
bench: build
	@scripts/test-env run -- sh -c 'for b in $(BUILD)/bench/*_bench; do echo "== $$b"; TANDREL_TEST_CAMERA=1 $$b || exit 1; done'


clean:
	rm -rf $(BUILD)
