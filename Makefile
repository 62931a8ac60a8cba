# SPDX-License-Identifier: GPL-3.0-or-later
# Developer entry points; ./build.sh installs what these need on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# The sanitizer tree: AddressSanitizer and UndefinedBehaviorSanitizer, warnings as errors.
ASAN_BUILD ?= build-asan
ASAN_CMAKE_FLAGS ?= -DTRUNDLE_SANITIZE=ON -DTRUNDLE_WERROR=ON -DCMAKE_BUILD_TYPE=Debug
# The project's own sources for clang-tidy: not the build trees inside the source folder.
TIDY_SOURCES = ^$(CURDIR)/(about|app|bench|browser|platform|settings|support|tests)/
RUN_CLANG_TIDY ?= $(firstword $(shell command -v run-clang-tidy-14 run-clang-tidy 2>/dev/null))

.PHONY: all build run test unit e2e check asan asan-test tidy bench package format clean

all: build

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then \
		echo "Trundle needs a graphical desktop session, and none was found (DISPLAY and WAYLAND_DISPLAY are not set)."; \
		exit 1; \
	fi
	$(BUILD)/app/trundle

# Every test: unit tests first, then the end-to-end runs under their own virtual X servers.
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j 2

unit: build
	ctest --test-dir $(BUILD) --output-on-failure -L unit -j 2

e2e: build
	ctest --test-dir $(BUILD) --output-on-failure -L e2e

# Everything CI checks: the tests above, the whole suite again in the sanitizer tree, clang-tidy.
# A normal tree that check configures has warnings as errors too (optimised builds warn about
# things a Debug build does not see).
check: CMAKE_FLAGS += -DTRUNDLE_WERROR=ON
check: test asan-test tidy

asan: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(ASAN_CMAKE_FLAGS)

# Unit and end-to-end tests against the sanitizer build; any sanitizer report fails a test.
asan-test: asan
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j 2

# clang-tidy with the checks in .clang-tidy over the compile commands of the normal tree, which
# is built first so that the headers generated from .ui files exist. Any finding is an error.
tidy: build
	@test -n "$(RUN_CLANG_TIDY)" || { echo "run-clang-tidy not found: install clang-tidy"; exit 1; }
	$(RUN_CLANG_TIDY) -p $(BUILD) -j $(JOBS) -quiet -header-filter='$(TIDY_SOURCES)' '$(TIDY_SOURCES)'

bench: build
	$(BUILD)/bench/run-benchmarks

# A Debian package of the build (cmake/Packaging.cmake); needs dpkg-dev for its dependencies.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
