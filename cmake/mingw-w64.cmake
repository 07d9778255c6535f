# Cross-compiles the Windows console program (x86-64) with Debian's mingw-w64:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEMRIK_MINGW x86_64-w64-mingw32)
# The POSIX thread model: GoogleTest needs std::mutex, which the win32 one
# lacks in this GCC. Its thread library is linked in statically like the rest.
set(CMAKE_C_COMPILER ${ZEMRIK_MINGW}-gcc-posix)    # GoogleTest's project asks for C too
set(CMAKE_CXX_COMPILER ${ZEMRIK_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEMRIK_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEMRIK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows aligns the stack to 16 bytes only, yet GCC spills 256- and 512-bit
# registers with aligned moves: tell the assembler to make every vector move
# an unaligned one, which costs nothing on aligned data.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")

# One self-contained .exe: the GCC and C++ runtimes are linked in, so nothing
# but the DLLs of Windows itself is needed beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest starts the Windows test programs through wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
