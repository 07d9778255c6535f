#!/usr/bin/env bash
# Times zemrik against the general tools a user would reach for to translate
# a file through a fixed byte table, all in one run on this machine:
#   - a 1 GiB file held in the page cache: zemrik -q, cat, dd conv=ebcdic,
#     tr with the full 256-byte map, and Python's bytes.translate; the median
#     wall time of each as a ratio to cat's, and each one's peak memory;
#   - replacing an existing 1 GiB output, flush included, against
#     cat big > old && sync old, and against the same done safely by hand
#     (a new file flushed, then renamed over the old one);
#   - the peak memory of zemrik on a sparse 8 GiB file;
#   - 1,000 runs on 4 KiB files against 1,000 runs of cat.
# Needs hyperfine, GNU time (/usr/bin/time) and python3.
#
# Usage: bench/compare.sh [ZEMRIK_BINARY] [WORK_DIRECTORY]
# The work directory (default: a new one under $TMPDIR or /tmp, removed at the
# end) needs about 3.1 GiB free.
set -euo pipefail

zemrik=$(realpath "${1:-build-bench/zemrik}")
if [[ $# -ge 2 ]]; then
    work=$(realpath "$2")
    mkdir -p "$work"
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/zemrik-compare.XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi
for tool in hyperfine python3 /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing" >&2; exit 1; }
done
[[ -x $zemrik ]] || { echo "compare.sh: no program at $zemrik" >&2; exit 1; }

runs=5
big=$work/big.bin
out=$work/out.bin
big_size=$((1 << 30))

# --- Inputs -----------------------------------------------------------------
if [[ ! -f $big || $(stat -c %s "$big") -ne $big_size ]]; then
    head -c "$big_size" /dev/urandom >"$big"
fi
cat "$big" >/dev/null  # into the page cache before any warm-up

# The map every translating tool applies: zemrik's own decode table, read off
# by converting the 256 byte values in order.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(range(256)))' >"$work/all.bin"
"$zemrik" -q "$work/all.bin" "$work/map.bin"
octal='import sys; print("".join("\\%03o" % b for b in open(sys.argv[1], "rb").read()))'
tr_from=$(python3 -c "$octal" "$work/all.bin")
tr_to=$(python3 -c "$octal" "$work/map.bin")
cat >"$work/translate.py" <<'PY'
import sys
table = open(sys.argv[2], "rb").read()
open(sys.argv[3], "wb").write(open(sys.argv[1], "rb").read().translate(table))
PY

# tr and Python must produce what zemrik does, or the comparison is void.
head -c $((1 << 20)) "$big" >"$work/check.bin"
"$zemrik" -q "$work/check.bin" "$work/check.zemrik"
tr "$tr_from" "$tr_to" <"$work/check.bin" >"$work/check.tr"
python3 "$work/translate.py" "$work/check.bin" "$work/map.bin" "$work/check.py"
cmp -s "$work/check.zemrik" "$work/check.tr" || { echo "compare.sh: tr's output differs" >&2; exit 1; }
cmp -s "$work/check.zemrik" "$work/check.py" || { echo "compare.sh: Python's output differs" >&2; exit 1; }

mkdir -p "$work/small"
for i in $(seq -w 1 1000); do
    head -c 4096 /dev/urandom >"$work/small/$i.bin"
done

# --- 1 GiB ------------------------------------------------------------------
names=("zemrik -q" "cat" "dd conv=ebcdic bs=1M" "tr (256-byte map)" "python bytes.translate")
commands=(
    "'$zemrik' -q '$big' '$out'"
    "cat '$big' >'$out'"
    "dd if='$big' of='$out' conv=ebcdic bs=1M status=none"
    "tr '$tr_from' '$tr_to' <'$big' >'$out'"
    "python3 '$work/translate.py' '$big' '$work/map.bin' '$out'"
)
hyperfine_args=()
for i in "${!names[@]}"; do
    hyperfine_args+=(--command-name "${names[$i]}" "${commands[$i]}")
done
# Each run writes a new file: the old output is removed, untimed, before it,
# and sync leaves no writeback of earlier runs to compete with the next.
hyperfine --style basic --warmup 1 --runs "$runs" --prepare "rm -f '$out'; sync" \
    --export-json "$work/big.json" "${hyperfine_args[@]}" >"$work/big.log"

# Replacing an existing output: the old file is there, flushed, before each
# run; zemrik flushes the new content before its rename, so cat is timed
# with the flush of its output too.
old=$work/old.bin
hyperfine --style basic --warmup 1 --runs "$runs" --prepare "cat '$big' >'$old'; sync" \
    --export-json "$work/replace.json" \
    --command-name "zemrik -q big old" "'$zemrik' -q '$big' '$old'" \
    --command-name "cat big > old && sync old" "cat '$big' >'$old' && sync '$old'" \
    --command-name "the same by rename" "cat '$big' >'$old.new' && sync '$old.new' && mv '$old.new' '$old' && sync '$work'" \
    >"$work/replace.log"
rm -f "$old" "$old.new"

# Peak memory on a file far larger than this benchmark's others.
truncate -s 8G "$work/sparse.bin"
/usr/bin/time -v -o "$work/memory.sparse" "$zemrik" -q "$work/sparse.bin" /dev/null
rm -f "$work/sparse.bin"

# Peak memory: one more run of each under GNU time.
for i in "${!names[@]}"; do
    rm -f "$out"
    /usr/bin/time -v -o "$work/memory.$i" sh -c "${commands[$i]}"
done
rm -f "$out"

# --- 1,000 small files --------------------------------------------------------
hyperfine --style basic --warmup 1 --runs "$runs" --prepare "rm -f '$work'/small/*.out" \
    --export-json "$work/small.json" \
    --command-name "zemrik -q, 1000 x 4 KiB" \
    "for f in '$work'/small/*.bin; do '$zemrik' -q \"\$f\" \"\$f.out\"; done" \
    --command-name "cat, 1000 x 4 KiB" \
    "for f in '$work'/small/*.bin; do cat \"\$f\" >\"\$f.out\"; done" >"$work/small.log"

# --- Report -------------------------------------------------------------------
echo "Date:    $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) CPUs, $(uname -sr)"
echo
python3 - "$work" "$runs" "${names[@]}" <<'PY'
import json, re, sys

work, runs, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]

def medians(name):
    return [r["median"] for r in json.load(open(f"{work}/{name}.json"))["results"]]

def peak_kib(i):
    text = open(f"{work}/memory.{i}").read()
    return int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))

big = medians("big")
print(f"1 GiB file in the page cache, median of {runs} runs after a warm-up:")
print(f"{'command':<26}{'median':>10}{'ratio to cat':>14}{'peak memory':>16}")
for i, name in enumerate(names):
    print(f"{name:<26}{big[i]:>9.3f}s{big[i] / big[1]:>14.2f}{peak_kib(i) / 1024:>12.1f} MiB")

replace = medians("replace")
print()
print(f"Replacing an existing 1 GiB file, flush included, median of {runs} runs:")
print(f"{'command':<26}{'median':>10}{'ratio to cat':>14}")
for label, value in (("zemrik -q big old", replace[0]), ("cat big > old && sync", replace[1]),
                     ("cat, sync, mv, sync", replace[2])):
    print(f"{label:<26}{value:>9.3f}s{value / replace[1]:>14.2f}")
print()
print(f"zemrik's peak memory on a sparse 8 GiB file: {peak_kib('sparse') / 1024:.1f} MiB")

small = medians("small")
print()
print(f"1,000 runs on 4 KiB files, median of {runs} loops after a warm-up:")
print(f"{'command':<26}{'median':>10}{'ratio to cat':>14}{'per run':>16}")
for label, value in (("zemrik -q", small[0]), ("cat", small[1])):
    print(f"{label:<26}{value:>9.3f}s{value / small[1]:>14.2f}{value:>13.3f} ms")
PY
