# Two entry points, each doing all the set-up a fresh Debian 12 machine needs:
#   make test   install dependencies, configure, build, run every test suite
#   make run    install dependencies, configure, build, start the demonstration
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build test run clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR)

test: build
	@ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

run: build
	@scripts/run-demo.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
