# Thin wrapper around CMake: `make`, `make test`, `make demo`; also
# `make windows`, `make arm64`, `make sanitize`, `make fuzz`, `make bench`.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
ARM64_BUILD ?= build-arm64
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all configure test demo install package sanitize fuzz bench windows test-windows \
        arm64 test-arm64 bench-arm64 clean

all: configure
	cmake --build $(BUILD)

configure:
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

test: all
	ctest --test-dir $(BUILD) --output-on-failure

# Encodes the bundled sample, decodes it back and checks the round trip.
demo: all
	@rm -rf $(BUILD)/demo && mkdir -p $(BUILD)/demo
	cp samples/sample.txt $(BUILD)/demo/sample.txt
	cd $(BUILD)/demo && ../zemrik -r sample.txt sample.ff7 && ../zemrik sample.ff7 roundtrip.txt
	cmp samples/sample.txt $(BUILD)/demo/roundtrip.txt && echo "Round trip exact: roundtrip.txt is sample.txt byte for byte."

# Installs the program, its manual page and the library (PREFIX=/usr/local).
PREFIX ?= /usr/local
install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

# Debian packages of the Linux builds (amd64, arm64) and a zip of zemrik.exe
# with the README, all in $(BUILD)/packages.
package: all windows arm64
	cd $(BUILD) && cpack -G DEB
	cd $(ARM64_BUILD) && cpack -G DEB
	cp $(ARM64_BUILD)/packages/zemrik_*_arm64.deb $(BUILD)/packages/
	rm -rf $(BUILD)/packages/zemrik-windows && mkdir -p $(BUILD)/packages/zemrik-windows
	cp $(WINDOWS_BUILD)/zemrik.exe README.md $(BUILD)/packages/zemrik-windows/
	cd $(BUILD)/packages && rm -f zemrik-1.0-windows.zip && \
	    cmake -E tar cf zemrik-1.0-windows.zip --format=zip zemrik-windows/zemrik.exe zemrik-windows/README.md

sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DZEMRIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# A bounded libFuzzer run over the argument handling (needs clang).
FUZZ_RUNS ?= 200000
fuzz:
	@test -f build-fuzz/CMakeCache.txt || CXX=clang++ cmake -S . -B build-fuzz $(GENERATOR) \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEMRIK_TESTS=OFF -DZEMRIK_FUZZ=ON
	cmake --build build-fuzz --target command_line_fuzz
	build-fuzz/command_line_fuzz -runs=$(FUZZ_RUNS) -max_len=256

# Figures, not tests: the kernels' bytes per second, then the program against
# cat, dd, tr and Python (bench/compare.sh needs hyperfine, GNU time, python3).
bench:
	$(MAKE) all BUILD=build-bench CMAKE_FLAGS="-DZEMRIK_BENCHMARKS=ON -DZEMRIK_TESTS=OFF"
	build-bench/bench/kernel_bench
	bench/compare.sh build-bench/zemrik

# The Windows console program, cross-compiled with mingw-w64:
# $(WINDOWS_BUILD)/zemrik.exe, one file that needs no DLL beside it.
windows:
	@test -f $(WINDOWS_BUILD)/CMakeCache.txt || cmake -S . -B $(WINDOWS_BUILD) $(GENERATOR) \
	    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	    -DZEMRIK_E2E_TESTS=$(abspath $(BUILD))/tests/e2e_tests
	cmake --build $(WINDOWS_BUILD)

# Its tests under wine; the end-to-end suite is the Linux build's, so it is built too.
test-windows: all windows
	ctest --test-dir $(WINDOWS_BUILD) --output-on-failure

# The Linux program for 64-bit ARM, cross-compiled with Debian's
# g++-aarch64-linux-gnu: $(ARM64_BUILD)/zemrik, linked statically.
ARM64_CMAKE_FLAGS ?= -DZEMRIK_E2E_TESTS=$(abspath $(BUILD))/tests/e2e_tests \
                     -DZEMRIK_SAFETY_TESTS=$(abspath $(BUILD))/tests/safety_tests
arm64:
	@test -f $(ARM64_BUILD)/CMakeCache.txt || cmake -S . -B $(ARM64_BUILD) $(GENERATOR) \
	    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake $(ARM64_CMAKE_FLAGS)
	cmake --build $(ARM64_BUILD)

# Its tests under qemu-aarch64; the end-to-end and safety suites are the
# Linux build's, run against the AArch64 program, so that build is made too.
test-arm64: all arm64
	ctest --test-dir $(ARM64_BUILD) --output-on-failure

# The kernel benchmark built for AArch64 (needs Debian's libbenchmark-dev:arm64).
# Run under qemu it only shows that it starts and lists the kernels: timings
# of an emulator say nothing of an ARM processor.
bench-arm64:
	$(MAKE) arm64 ARM64_BUILD=build-arm64-bench ARM64_CMAKE_FLAGS="-DZEMRIK_BENCHMARKS=ON -DZEMRIK_TESTS=OFF"
	qemu-aarch64 -L /usr/aarch64-linux-gnu build-arm64-bench/bench/kernel_bench --benchmark_list_tests

clean:
	rm -rf build build-sanitize build-fuzz build-bench $(WINDOWS_BUILD) $(ARM64_BUILD) build-arm64-bench
