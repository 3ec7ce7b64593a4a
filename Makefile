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

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD)
