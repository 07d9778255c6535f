#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a small program of
# someone else's against it twice, with find_package(zemrik) and with
# `pkg-config zemrik`, and runs each.
# Usage: consumer_test.sh BUILD_DIR [LINKER_FLAGS] (flags a sanitized build's
# library needs from whatever links it).
set -euo pipefail
build=$(realpath "$1")
link_flags=${2:-}
source=$(realpath "$(dirname "$0")/consumer")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -x "$work/prefix/bin/zemrik"
test -f "$work/prefix/share/man/man1/zemrik.1"
cmake -S "$source" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DCMAKE_EXE_LINKER_FLAGS="$link_flags" >/dev/null
cmake --build "$work/build" >/dev/null
"$work/build/consumer"

# pkg-config finds the library beside the CMake package, and nothing else.
pc=$(find "$work/prefix" -name zemrik.pc)
test -f "$(dirname "$pc")/../cmake/zemrik/zemrikConfig.cmake"
flags=$(PKG_CONFIG_LIBDIR=$(dirname "$pc") PKG_CONFIG_PATH='' pkg-config --cflags --libs zemrik)
# shellcheck disable=SC2086  # the flags are separate words
${CXX:-c++} -std=c++17 -o "$work/consumer_pkg_config" "$source/main.cpp" $flags $link_flags
"$work/consumer_pkg_config"
