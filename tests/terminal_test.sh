#!/usr/bin/env bash
# Runs the program in a tmux pane and checks what the screen shows: the title,
# the banner, and the stars inside the frame with its closing bracket kept.
set -u
program=$(realpath "$1")
command -v tmux >/dev/null || { echo "SKIPPED: tmux is not installed"; exit 77; }

work=$(mktemp -d)
socket="$work/tmux.sock"
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
head -c 1500 /dev/urandom > "$work/scene.ff7"

tmux -S "$socket" -f /dev/null new-session -d -x 100 -y 10 -c "$work" \
    "'$program' scene.ff7; echo EXIT=\$?; sleep 30"
for _ in $(seq 100); do
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
expect_line "Talvenir ZEMRIK v1.0 SCENE.FF7 -> SCENE.FF7.FF7"
expect_line "Progress: [$(printf '%*s' 34 '' | tr ' ' '*')$(printf '%*s' 16 '')]"
expect_line "EXIT=0"
if [ "$title" != "Talvenir ZEMRIK v1.0" ]; then
    echo "title is [$title]"
    failed=1
fi
if [ $failed -ne 0 ]; then
    echo "--- screen ---"
    echo "$screen"
    exit 1
fi
echo "terminal display as expected"
