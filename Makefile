# Top-level entry points. `make demo` and `make test` set everything up on a fresh Debian 12 machine.
JOBS ?= $(shell nproc)
BUILD ?= build
ASAN_BUILD ?= build-asan
EXAMPLE ?= examples/m3_example.xls

.PHONY: deps build build-asan demo test test-release test-asan gui clean

deps:
	./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPEDIVAR_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Analyses the bundled example trial and prints where the report went.
demo: build
	$(BUILD)/src/cli/pedivar check $(EXAMPLE)
	$(BUILD)/src/cli/pedivar analyze $(EXAMPLE)

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# All tests, in the normal build and under the sanitizers.
test: test-release test-asan

gui: build
	$(BUILD)/src/gui/pedivar-gui

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
