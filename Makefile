# Thin wrapper over CMake. `make run` starts the application, `make test`
# builds and runs every test; both install missing Debian packages first.
# `make fuzz` runs every fuzzer for FUZZ_SECONDS; `make test` runs each for a
# short while too, where clang++ is installed.
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := markdown_import library_json fcpxml_document script_aligner wav_reader
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# ccache comes with the Debian packages below; before they are installed,
# the first configure runs without it.
CCACHE := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
# Paths below the checkout's parent are hashed relative to it, so that a
# second checkout beside this one reuses the same objects.
export CCACHE_BASEDIR ?= $(abspath $(CURDIR)/..)

DEB_DIR ?= $(BUILD)/deb
PACKAGE_TEST_DIR ?= $(BUILD)/package-test

.PHONY: all deps configure build run test bench clean fuzz fuzz-build fuzz-test deb package-test translations

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(GENERATOR) $(CCACHE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDREL_WERROR=ON

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j2

# Refreshes the English translation's messages from the sources; the build
# only compiles it (lrelease), so that adding a text never slows a build.
LUPDATE ?= /usr/lib/qt6/bin/lupdate
translations: deps
	$(LUPDATE) -I . -no-obsolete -locations none -source-language de -target-language en \
		app teleprompter cli -extensions cpp,h -ts translations/tandrel_en.ts

run: build
	@if [ -x $(BUILD)/app/tandrel ]; then $(BUILD)/app/tandrel; else $(BUILD)/cli/tandrelctl list; fi

test: build
	cd $(BUILD) && ctest --output-on-failure -j2
	@if command -v clang++ >/dev/null 2>&1; then $(MAKE) --no-print-directory fuzz-test; \
	else echo "clang++ is missing: fuzz tests skipped"; fi

# The fuzzers build in their own folder, with clang and the sanitizers.
$(FUZZ_BUILD)/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(GENERATOR) $(CCACHE) \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTANDREL_FUZZ=ON

fuzz-build: deps $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j2 --target fuzzers

fuzz-test: fuzz-build
	cd $(FUZZ_BUILD) && ctest -L fuzz --output-on-failure -j2

# Crash inputs land in $(FUZZ_BUILD)/fuzz/crashes/<target>/.
fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do echo "== $$t"; \
		fuzz/run-fuzzer $(FUZZ_BUILD)/fuzz/fuzz_$$t $$t $(FUZZ_SECONDS) $(FUZZ_BUILD)/fuzz || exit 1; done

# Benchmarks that need a display or sound get the private test environment.
bench: build
	@scripts/test-env run -- sh -c 'for b in $(BUILD)/bench/*_bench; do echo "== $$b"; TANDREL_TEST_CAMERA=1 $$b || exit 1; done'

# The Debian package (debhelper, from debian/), checked with lintian.
deb:
	@scripts/install-deps --packaging
	scripts/build-deb $(DEB_DIR)

# The package installed into a clean Debian root and used there. Downloads
# Debian packages, so it is not part of `make test`; needs root (or sudo).
package-test: deb
	scripts/package-test $(wildcard $(DEB_DIR)/tandrel_*.deb) $(PACKAGE_TEST_DIR)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
