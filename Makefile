# Developer entry points; ./build.sh installs what these need on a fresh Debian 12 machine.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build run test unit e2e bench package format clean

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

bench: build
	$(BUILD)/bench/run-benchmarks

# A Debian package of the build (cmake/Packaging.cmake); needs dpkg-dev for its dependencies.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
