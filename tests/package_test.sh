#!/usr/bin/env bash
# Installs the Debian package as a user would, converts the bundled sample
# with the zemrik on the PATH, checks the manual page is found, removes the
# package again and checks nothing of it is left. The AArch64 package, which
# this machine cannot install, is checked by its contents, and its program is
# run under qemu-aarch64. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls "build/packages/zemrik_1.0_$(dpkg --print-architecture).deb")
arm_deb=build/packages/zemrik_1.0_arm64.deb

apt-get install -y -q "./$deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp samples/sample.txt "$work/sample.txt"
(cd "$work" && zemrik -r -q sample.txt sample.ff7 && zemrik sample.ff7 back.txt)
cmp samples/sample.txt "$work/back.txt"
test "$(command -v zemrik)" = /usr/bin/zemrik
man -w zemrik
MANWIDTH=80 man zemrik 2>/dev/null | grep -q "convert a file between FF7 text"

apt-get remove -y -q zemrik
if command -v zemrik || dpkg -s zemrik 2>/dev/null | grep -q '^Status: install'; then
    echo "package_test: zemrik is still installed" >&2
    exit 1
fi
echo "package_test: installed, used and removed cleanly"

fail() {
    echo "package_test: $arm_deb: $*" >&2
    exit 1
}
# The ELF header's class (byte 4: 2 for 64-bit) and machine (bytes 18-19,
# little-endian: 183 for AArch64).
is_aarch64_elf() {
    [ "$(od -An -t u1 -j 4 -N 1 "$1" | tr -d ' ')" = 2 ] &&
        [ "$(od -An -t u2 -j 18 -N 2 "$1" | tr -d ' ')" = 183 ]
}

test "$(dpkg-deb -f "$arm_deb" Package Architecture)" = "Package: zemrik
Architecture: arm64" || fail "not the arm64 package of zemrik"
listing=$(dpkg-deb -c "$arm_deb")
for path in ./usr/bin/zemrik ./usr/share/man/man1/zemrik.1 ./usr/lib/libzemrik.a ./usr/include/zemrik/zemrik.h \
            ./usr/lib/cmake/zemrik/zemrikConfig.cmake ./usr/lib/pkgconfig/zemrik.pc; do
    grep -q " $path\$" <<<"$listing" || fail "$path is missing"
done
dpkg-deb -x "$arm_deb" "$work/arm64"
is_aarch64_elf "$work/arm64/usr/bin/zemrik" || fail "usr/bin/zemrik is not an AArch64 program"
mkdir "$work/objects"
(cd "$work/objects" && ar x "$work/arm64/usr/lib/libzemrik.a")
for object in "$work"/objects/*; do
    is_aarch64_elf "$object" || fail "libzemrik.a holds $(basename "$object"), which is not AArch64 code"
done
(cd "$work" && qemu-aarch64 arm64/usr/bin/zemrik -r -q sample.txt arm.ff7 && qemu-aarch64 arm64/usr/bin/zemrik -q arm.ff7 arm.txt)
cmp "$work/sample.ff7" "$work/arm.ff7" || fail "its program encodes differently from this machine's"
cmp samples/sample.txt "$work/arm.txt" || fail "its program does not decode the sample back"
echo "package_test: $arm_deb holds the AArch64 program, its manual page and library"
