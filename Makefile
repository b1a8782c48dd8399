# Two commands: `make run` and `make test`; `make package` and `make install`
# for installing the client. Everything else is a step of theirs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_WERROR=ON

.PHONY: run test package install build configure bootstrap clean test-asan test-tsan

run: build
	@scripts/run "$(BUILD_DIR)"

test: build
	@scripts/with-services ctest --test-dir "$(BUILD_DIR)" --output-on-failure -j "$(JOBS)"

# The Debian package of the client, in $(BUILD_DIR)/kivim_<version>_<arch>.deb.
package: build
	@cmake --build "$(BUILD_DIR)" --target package

# Installs below PREFIX (default /usr/local); DESTDIR stages as usual.
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install "$(BUILD_DIR)" --prefix "$(PREFIX)"

build: configure
	@cmake --build "$(BUILD_DIR)" -j "$(JOBS)"

configure: bootstrap
	@cmake -S . -B "$(BUILD_DIR)" -G Ninja $(CMAKE_FLAGS) >/dev/null

bootstrap:
	@scripts/bootstrap

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, and under
# ThreadSanitizer, each in its own build folder.
test-asan: bootstrap
	@cmake -S . -B build-asan -G Ninja $(CMAKE_FLAGS) -DKIV_ASAN=ON -DKIV_BENCH=OFF >/dev/null
	@cmake --build build-asan -j "$(JOBS)"
	@scripts/with-services ctest --test-dir build-asan --output-on-failure -j "$(JOBS)"

test-tsan: bootstrap
	@cmake -S . -B build-tsan -G Ninja $(CMAKE_FLAGS) -DKIV_TSAN=ON -DKIV_BENCH=OFF >/dev/null
	@cmake --build build-tsan -j "$(JOBS)"
	@scripts/with-services ctest --test-dir build-tsan --output-on-failure -j "$(JOBS)"

clean:
	rm -rf "$(BUILD_DIR)" build-asan build-tsan
