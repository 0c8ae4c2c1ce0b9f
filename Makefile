# The two commands of the README. Both install the Debian packages the build needs first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test test-release test-tsan test-asan test-browsers bench deb clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD)/release -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)/release -j $(JOBS)

# A Smart Scan of your home folder. It removes nothing.
run: build
	@$(BUILD)/release/bin/brenvik smart-scan

test: build test-release test-tsan test-asan

test-release:
	@ctest --test-dir $(BUILD)/release --output-on-failure -j $(JOBS)

# Suites that use threads, again under ThreadSanitizer.
test-tsan: deps
	@cmake -S . -B $(BUILD)/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_SANITIZE=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)/tsan -j $(JOBS)
	@scripts/run-sanitized ctest --test-dir $(BUILD)/tsan --output-on-failure -j $(JOBS) -L threaded

# Parsers under AddressSanitizer and UndefinedBehaviorSanitizer, built with clang, whose
# thread-safety analysis checks every lock annotation of the code on the way.
test-asan: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENVIK_SANITIZE=address $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD)/asan -j $(JOBS)
	@scripts/run-sanitized ctest --test-dir $(BUILD)/asan --output-on-failure -j $(JOBS) -L parser

# The privacy module against the real browsers of this host (firefox-esr, chromium), driven
# headless in a throw-away home. Not part of `make test`: it needs the browsers installed.
test-browsers: build
	@scripts/test-browsers $(BUILD)/release/bin/brenvik

# A Debian package of the release build, in $(BUILD)/release/packages.
deb: build
	@cd $(BUILD)/release && cpack -G DEB

bench: build
	@bench/run.sh

clean:
	rm -rf $(BUILD)
