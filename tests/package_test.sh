#!/usr/bin/env bash
# Installs the Debian package as a user would, converts the bundled sample
# with the zemrik on the PATH, checks the manual page is found, removes the
# package again and checks nothing of it is left. Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls build/packages/zemrik_*.deb)

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
