# Convenience front end for the CMake build.
#   make deps   install missing Debian 12 build dependencies
#   make build  configure and build build/ (Ninja, RelWithDebInfo)
#   make test   build and test build/ and the ASan/UBSan build build-asan/
#   make run    build and start the calculator (the runner when there is no display)
#   make bench  Release build and benchmarks
#   make clean  remove the build folders

SHELL := /bin/bash

# Debian packages needed to build and test. Later work appends to this list.
DEB_PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev \
                qt6-base-dev xvfb xauth

BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
CMAKE          ?= cmake
CTEST          ?= ctest
CTEST_JOBS     ?= 2
GENERATOR      ?= Ninja

CLI := $(BUILD_DIR)/cli/varnexcalc-cli

.PHONY: all deps build build-asan build-release bench test run clean

all: build

deps:
	@missing=""; \
	for pkg in $(DEB_PACKAGES); do \
		dpkg -s "$$pkg" 2>/dev/null | grep -q '^Status: install ok installed$$' || missing="$$missing $$pkg"; \
	done; \
	if [ -z "$$missing" ]; then \
		echo "deps: all packages installed"; \
		exit 0; \
	fi; \
	echo "deps: installing$$missing"; \
	if [ "$$(id -u)" -eq 0 ]; then sudo=""; \
	elif command -v sudo >/dev/null 2>&1; then sudo="sudo"; \
	else echo "deps: not root and sudo is not available; please install:$$missing" >&2; exit 1; fi; \
	$$sudo apt-get update && \
	DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y --no-install-recommends $$missing

build:
	$(CMAKE) -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEX_BUILD_BENCH=ON
	$(CMAKE) --build $(BUILD_DIR)

build-asan:
	$(CMAKE) -S . -B $(ASAN_BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVARNEX_SANITIZE=ON
	$(CMAKE) --build $(ASAN_BUILD_DIR)

build-release:
	$(CMAKE) -S . -B build-release -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVARNEX_BUILD_BENCH=ON
	$(CMAKE) --build build-release

# Benchmarks run in a Release build; speed targets live here, never in unit tests.
bench: deps
	@$(MAKE) --no-print-directory build-release
	build-release/bench/varnex_bench

# Both configurations are always built and tested so one run shows every failure;
# the target fails if either of them failed.
test: deps
	@status=0; \
	echo "=== $(BUILD_DIR): RelWithDebInfo ==="; \
	$(MAKE) --no-print-directory build \
		&& $(CTEST) --test-dir $(BUILD_DIR) --output-on-failure -j$(CTEST_JOBS) \
		|| { status=1; echo "*** $(BUILD_DIR): FAILED"; }; \
	echo "=== $(ASAN_BUILD_DIR): Debug, AddressSanitizer + UndefinedBehaviorSanitizer ==="; \
	$(MAKE) --no-print-directory build-asan \
		&& $(CTEST) --test-dir $(ASAN_BUILD_DIR) --output-on-failure -j$(CTEST_JOBS) \
		|| { status=1; echo "*** $(ASAN_BUILD_DIR): FAILED"; }; \
	if [ $$status -eq 0 ]; then echo "=== all tests passed in both builds ==="; \
	else echo "=== tests FAILED ===" >&2; fi; \
	exit $$status

run: deps
	@$(MAKE) --no-print-directory build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		exec $(BUILD_DIR)/app/varnexcalc; \
	else \
		echo "No display: starting the command-line runner instead."; \
		echo "Type a script, then press Ctrl+D on an empty line to run it."; \
		exec $(CLI) -; \
	fi

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) build-release
