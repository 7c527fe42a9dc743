# Convenience front end for the CMake build.
#   make deps   install missing Debian 12 build dependencies
#   make build  configure and build build/ (Ninja, RelWithDebInfo)
#   make test   build and test build/ and the ASan/UBSan build build-asan/
#   make run    build and start the calculator (the runner when there is no display)
#   make bench  Release build, micro-benchmarks, bench/compare against Lua and Python, fit
#               against scipy's curve_fit, and serial round trips against python3-serial
#   make fuzz   build the libFuzzer programs (clang) in build-fuzz/ and run each of them
#               for FUZZ_SECONDS seconds (FUZZ_TARGETS picks some of them)
#   make validate     check fft, invfft and fit against numpy and scipy (about a minute)
#   make fft-compare  time our FFT against numpy's and scipy's in one run
#   make package  a Debian package of a Release build (build-package/*.deb), checked by lintian
#   make clean  remove the build folders

SHELL := /bin/bash

# Debian packages needed to build and test. Later work appends to this list.
DEB_PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev \
                qt6-base-dev qt6-svg-dev xvfb xauth libglib2.0-bin dpkg-dev file xdotool imagemagick \
                lintian appstream desktop-file-utils bash-completion libedit-dev pkgconf
# Debian packages of the reference checks (make validate, make fft-compare), which need
# Debian's own interpreter: a python3 found earlier on PATH may not see these packages.
REFERENCE_PACKAGES := python3-numpy python3-scipy
PYTHON ?= /usr/bin/python3
# Debian packages of make bench: the interpreters bench/compare measures us against.
BENCH_PACKAGES := lua5.4 python3 python3-serial
# Debian packages of the fuzz build: clang 14 and its sanitizer and libFuzzer runtimes.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
CMAKE          ?= cmake
CTEST          ?= ctest
CTEST_JOBS     ?= 2
GENERATOR      ?= Ninja

CLI := $(BUILD_DIR)/cli/varnexcalc-cli

FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_CXX       ?= clang++-14
FUZZ_SECONDS   ?= 60
FUZZ_TARGETS   ?= parser macro_file matrix_file regexp regexp_automaton conversions plot_drawing comm_settings port_address gui_file gpib_driver
# Extra libFuzzer flags, e.g. FUZZ_FLAGS=-jobs=2
FUZZ_FLAGS     ?=

.PHONY: package all deps bench-deps reference-deps fuzz-deps build-fuzz fuzz build build-asan build-release bench validate fft-compare test run clean

all: build

# Installs the Debian packages given as $(1) that are missing.
define install_missing
	@missing=""; \
	for pkg in $(1); do \
		dpkg -s "$$pkg" 2>/dev/null | grep -q '^Status: install ok installed$$' || missing="$$missing $$pkg"; \
	done; \
	if [ -z "$$missing" ]; then \
		echo "$@: all packages installed"; \
		exit 0; \
	fi; \
	echo "$@: installing$$missing"; \
	if [ "$$(id -u)" -eq 0 ]; then sudo=""; \
	elif command -v sudo >/dev/null 2>&1; then sudo="sudo"; \
	else echo "$@: not root and sudo is not available; please install:$$missing" >&2; exit 1; fi; \
	$$sudo apt-get update && \
	DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y --no-install-recommends $$missing
endef

deps:
	$(call install_missing,$(DEB_PACKAGES))

bench-deps:
	$(call install_missing,$(BENCH_PACKAGES))

reference-deps:
	$(call install_missing,$(REFERENCE_PACKAGES))

fuzz-deps:
	$(call install_missing,$(FUZZ_PACKAGES))

build:
	$(CMAKE) -S . -B $(BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNEX_BUILD_BENCH=ON
	$(CMAKE) --build $(BUILD_DIR)

build-asan:
	$(CMAKE) -S . -B $(ASAN_BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVARNEX_SANITIZE=ON
	$(CMAKE) --build $(ASAN_BUILD_DIR)

build-release:
	$(CMAKE) -S . -B build-release -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DVARNEX_BUILD_BENCH=ON
	$(CMAKE) --build build-release

# The fuzz build has no GUI and no unit tests: only the libraries (instrumented) and the
# fuzz programs.
build-fuzz:
	$(CMAKE) -S . -B $(FUZZ_BUILD_DIR) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DVARNEX_FUZZ=ON -DVARNEX_BUILD_GUI=OFF -DVARNEX_BUILD_TESTS=OFF
	$(CMAKE) --build $(FUZZ_BUILD_DIR) --target varnex_fuzzers

# Each target grows its own corpus in $(FUZZ_BUILD_DIR)/corpus/<target>, starting from the
# seeds in tests/fuzz/corpus/<target> (which are only read). Crashing inputs land in
# $(FUZZ_BUILD_DIR)/artifacts/<target>/; copy them to tests/fuzz/regressions/<target>/ once
# fixed. The target fails when any program found something.
fuzz: deps fuzz-deps
	@$(MAKE) --no-print-directory build-fuzz
	@status=0; \
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$t $(FUZZ_BUILD_DIR)/artifacts/$$t; \
		echo "=== fuzz_$$t: $(FUZZ_SECONDS) s ==="; \
		$(FUZZ_BUILD_DIR)/tests/fuzz/fuzz_$$t $(FUZZ_BUILD_DIR)/corpus/$$t tests/fuzz/corpus/$$t \
			-max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=3072 -malloc_limit_mb=2048 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD_DIR)/artifacts/$$t/ $(FUZZ_FLAGS) \
			|| { status=1; echo "*** fuzz_$$t: found a problem (see $(FUZZ_BUILD_DIR)/artifacts/$$t/)"; }; \
	done; \
	exit $$status

# Benchmarks run in a Release build; speed targets live here, never in unit tests.
# The micro-benchmarks first, then the comparison with Lua and Python. Its table says
# which targets were met; the target fails only when a result disagreed or a program
# failed (compare's exit status 2), not when a speed target was missed (status 1).
bench: deps bench-deps reference-deps
	@$(MAKE) --no-print-directory build-release
	build-release/bench/varnex_bench
	@bench/compare --cli build-release/cli/varnexcalc-cli \
		--compile-timer build-release/bench/compile_timer; test $$? -le 1
	$(PYTHON) bench/fit_compare.py --cli build-release/cli/varnexcalc-cli
	$(PYTHON) bench/serial_compare.py --cli build-release/cli/varnexcalc-cli \
		--sim build-release/instruments/sim/varnex-instrument-sim

# Not unit tests: these compare with references written elsewhere and take a while.
validate: deps reference-deps
	@$(MAKE) --no-print-directory build
	$(PYTHON) tests/reference/validate_fft_fit.py --cli $(CLI)

fft-compare: deps reference-deps
	@$(MAKE) --no-print-directory build-release
	$(PYTHON) bench/fft_compare.py --bench build-release/bench/varnex_bench

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
	elif [ -t 0 ]; then \
		echo "No display: starting the command-line runner's interactive session instead."; \
		exec $(CLI); \
	else \
		echo "No display: starting the command-line runner on standard input instead."; \
		exec $(CLI) -; \
	fi

# A Debian package (build-package/varnexcalc_<version>_<arch>.deb) of a Release build that
# installs under /usr; `sudo apt install ./build-package/varnexcalc_*.deb` installs it.
# It is compiled and linked with Debian's build flags, hardening included, as Debian's
# own package tools would build it.
PACKAGE_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package: deps
	$(CMAKE) -S . -B build-package -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
		-DVARNEX_BUILD_TESTS=OFF \
		-DCMAKE_CXX_FLAGS="$$($(PACKAGE_FLAGS) CPPFLAGS) $$($(PACKAGE_FLAGS) CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)" \
		-DCMAKE_SHARED_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)" \
		-DCMAKE_MODULE_LINKER_FLAGS="$$($(PACKAGE_FLAGS) LDFLAGS)"
	$(CMAKE) --build build-package
	cd build-package && cpack -G DEB
	@ls build-package/*.deb
	lintian --fail-on error,warning --info build-package/*.deb

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) build-release build-package $(FUZZ_BUILD_DIR)
