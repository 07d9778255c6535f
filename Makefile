# Thin wrapper around CMake: `make`, `make test`, `make demo`; also
# `make windows`, `make sanitize`, `make fuzz`, `make bench`.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all configure test demo install package sanitize fuzz bench windows test-windows clean

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

# A Debian package of the Linux build and a zip of zemrik.exe with the README,
# both in $(BUILD)/packages.
package: all windows
	cd $(BUILD) && cpack -G DEB
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

clean:
	rm -rf build build-sanitize build-fuzz build-bench $(WINDOWS_BUILD)
