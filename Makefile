# make run ARGS="clients --json"   install what is missing, build, run the command-line host
# make test                        install what is missing, build, run every test
# make sanitize                    the same tests in an AddressSanitizer + UBSan build
# make debug-test                  the C++ unit tests in a plain Debug (-O0, assertions on) build
# make install PREFIX=DIR          build, then install the library, headers, host and manual page
# make fuzz FUZZ_SECONDS=N         build the fuzz targets with clang's libFuzzer and run each N seconds
# make windows                     cross-build for Windows with mingw-w64 into build-windows/
# make windows-test                the same, then every test that applies to Windows, under Wine
# make bench BENCH_ARGS=...        build, then run every benchmark (docs/performance.md), e.g.
#                                  BENCH_ARGS=--benchmark_filter=Send for some of them
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
DEBUG_BUILD ?= build-debug
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
FUZZ_SECONDS ?= 60
ARGS ?= --help
BENCH_ARGS ?=
PREFIX ?= /usr/local

.PHONY: deps build run test bench sanitize debug-test fuzz windows windows-test install clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)

run: build
	@$(BUILD)/bin/quorvel $(ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j2

# The figures mean most on a quiet machine: see docs/performance.md.
bench: build
	@$(BUILD)/bin/quorvel_bench $(BENCH_ARGS)

sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD)
	@# GLib's slice allocator hides its allocations from LeakSanitizer.
	@cd $(SANITIZE_BUILD) && G_SLICE=always-malloc ctest --output-on-failure -j2

# Only the unit tests: the sanitizers' build runs every test at -O0 already.
debug-test: deps
	@cmake -S . -B $(DEBUG_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(DEBUG_BUILD) --target quorvel_tests
	@cd $(DEBUG_BUILD)/tests && ../bin/quorvel_tests --gtest_brief=1

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON \
	  -DQUORVEL_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD)
	@fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

windows:
	@scripts/install-deps.sh windows
	@cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
	@cmake --build $(WINDOWS_BUILD)

windows-test: windows
	@scripts/windows-test $(WINDOWS_BUILD)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(DEBUG_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)
