#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds a small program of
# someone else's against it with find_package(zemrik), then runs it.
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
