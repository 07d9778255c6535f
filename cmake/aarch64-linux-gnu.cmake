# Cross-compiles the Linux program for 64-bit ARM (AArch64) with Debian's
# g++-aarch64-linux-gnu:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(ZEMRIK_AARCH64_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${ZEMRIK_AARCH64_TRIPLET}-gcc)    # GoogleTest's project asks for C too
set(CMAKE_CXX_COMPILER ${ZEMRIK_AARCH64_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${ZEMRIK_AARCH64_TRIPLET})

# The cross C library lives in /usr/aarch64-linux-gnu; libraries of Debian's
# arm64 packages installed beside the host's (Google Benchmark) live in
# /usr/lib/aarch64-linux-gnu, which CMAKE_LIBRARY_ARCHITECTURE adds under /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${ZEMRIK_AARCH64_TRIPLET} /usr)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest starts the AArch64 programs through qemu's user-mode emulator. The
# program itself is linked statically; the test programs load the C++
# library dynamically, from the cross toolchain's folder.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${ZEMRIK_AARCH64_TRIPLET})
