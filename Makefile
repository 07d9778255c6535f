# Thin wrapper around CMake: `make`, `make test`, `make demo`, `make windows`.
BUILD ?= build
WINDOWS_BUILD ?= build-windows
CMAKE_FLAGS ?=
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: all configure test demo sanitize windows test-windows clean

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

sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DZEMRIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

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
	rm -rf build build-sanitize $(WINDOWS_BUILD)
