# Two commands: `make run` and `make test`. Everything else is a step of theirs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_WERROR=ON

.PHONY: run test build configure bootstrap clean

run: build
	@scripts/run "$(BUILD_DIR)"

test: build
	@scripts/with-services ctest --test-dir "$(BUILD_DIR)" --output-on-failure -j "$(JOBS)"

build: configure
	@cmake --build "$(BUILD_DIR)" -j "$(JOBS)"

configure: bootstrap
	@cmake -S . -B "$(BUILD_DIR)" -G Ninja $(CMAKE_FLAGS) >/dev/null

bootstrap:
	@scripts/bootstrap

clean:
	rm -rf "$(BUILD_DIR)"
