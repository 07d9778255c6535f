#!/usr/bin/env bash
# Runs the Windows program in a tmux pane (wine's console) with a name that
# holds characters of no single code page and control characters, and checks
# what the screen shows: the name in its own characters, each control
# character as '?', and the title not set by the name. The wine settings
# (WINEPREFIX, WINEDEBUG, ...) come from the environment.
set -u
program=$(realpath "$1")
command -v tmux >/dev/null || { echo "SKIPPED: tmux is not installed"; exit 77; }
command -v wine >/dev/null || { echo "SKIPPED: wine is not installed"; exit 77; }

launch=(env -u DISPLAY -u WAYLAND_DISPLAY)
for name in WINEPREFIX WINEDEBUG LC_ALL; do
    [ -n "${!name:-}" ] && launch+=("$name=${!name}")
done
launch+=(wine "$program")

work=$(mktemp -d)
socket="$work/tmux.sock"
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT

# café-日本, then a sequence that would retitle the terminal and clear it.
typed=$'caf\u00e9-\u65e5\u672c\e]0;EVIL\a\e[2Jx'
shown=$'CAF\u00e9-\u65e5\u672c?]0;EVIL??[2JX'
tmux -S "$socket" -f /dev/null new-session -d -x 120 -y 10 -c "$work" \
    "$(printf '%q ' "${launch[@]}" "$typed"); echo EXIT=\$?; sleep 60"
for _ in $(seq 300); do
    tmux -S "$socket" capture-pane -p | grep -q 'EXIT=' && break
    sleep 0.1
done
screen=$(tmux -S "$socket" capture-pane -p)
title=$(tmux -S "$socket" display-message -p '#{pane_title}')

failed=0
expect_line() {
    if ! grep -qxF -- "$1" <<<"$screen"; then
        echo "screen lacks the line: [$1]"
        failed=1
    fi
}
# No such file: the banner, then the report naming it the same way.
expect_line "Talvenir ZEMRIK v1.0 $shown -> $shown.FF7"
expect_line "Cannot open file $shown."
expect_line "EXIT=1"
# The program puts back the title it found; the name must not have set one.
if [[ $title == *EVIL* ]]; then
    echo "title is [$title]"
    failed=1
fi
if [ $failed -ne 0 ]; then
    echo "--- screen ---"
    echo "$screen"
    exit 1
fi
echo "names shown as expected"
