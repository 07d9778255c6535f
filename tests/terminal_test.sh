#!/usr/bin/env bash
# Runs the program in a tmux pane and checks what the screen shows: the title,
# the banner, and the stars inside the frame with its closing bracket kept.
# A .exe runs under wine, whose console turns the Windows console calls into
# control sequences for the terminal; the wine settings (WINEPREFIX,
# WINEDEBUG, ...) come from the environment.
set -u
program=$(realpath "$1")
command -v tmux >/dev/null || { echo "SKIPPED: tmux is not installed"; exit 77; }

launch=()
created=scene.ff7.FF7  # the Linux build creates names as typed
if [[ $program == *.exe ]]; then
    command -v wine >/dev/null || { echo "SKIPPED: wine is not installed"; exit 77; }
    # The pane gets the same wine as the other tests, whatever tmux's own
    # environment holds, and no display to open windows on.
    launch=(env -u DISPLAY -u WAYLAND_DISPLAY)
    for name in WINEPREFIX WINEDEBUG LC_ALL; do
        [ -n "${!name:-}" ] && launch+=("$name=${!name}")
    done
    launch+=(wine)
    created=SCENE.FF7.FF7  # the Windows build creates them upper-cased
fi

work=$(mktemp -d)
socket="$work/tmux.sock"
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
head -c 1500 /dev/urandom > "$work/scene.ff7"

tmux -S "$socket" -f /dev/null new-session -d -x 100 -y 10 -c "$work" \
    "$(printf '%q ' "${launch[@]}" "$program") scene.ff7; echo EXIT=\$?; sleep 60"
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
expect_line "Talvenir ZEMRIK v1.0 SCENE.FF7 -> SCENE.FF7.FF7"
expect_line "Progress: [$(printf '%*s' 34 '' | tr ' ' '*')$(printf '%*s' 16 '')]"
expect_line "EXIT=0"
if [ "$title" != "Talvenir ZEMRIK v1.0" ]; then
    echo "title is [$title]"
    failed=1
fi
if [ ! -f "$work/$created" ]; then
    echo "no $created beside the input"
    failed=1
fi
if [ $failed -ne 0 ]; then
    echo "--- screen ---"
    echo "$screen"
    exit 1
fi
echo "terminal display as expected"
