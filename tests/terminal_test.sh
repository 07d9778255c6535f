#!/usr/bin/env bash
# Runs the program in tmux panes and checks what the screen shows: the banner,
# the stars inside the frame with its closing bracket kept whatever the
# pane's width, file names that cannot drive the terminal, and the title: the
# program's while it runs, the user's own again once it has ended.
# A .exe runs under wine, whose console turns the Windows console calls into
# control sequences for the terminal; the wine settings (WINEPREFIX,
# WINEDEBUG, ...) come from the environment.
set -u
program=$(realpath "$1")
command -v tmux >/dev/null || { echo "SKIPPED: tmux is not installed"; exit 77; }

launch=()
windows=0
if [[ $program == *.exe ]]; then
    command -v wine >/dev/null || { echo "SKIPPED: wine is not installed"; exit 77; }
    # The pane gets the same wine as the other tests, whatever tmux's own
    # environment holds, and no display to open windows on.
    launch=(env -u DISPLAY -u WAYLAND_DISPLAY)
    for name in WINEPREFIX WINEDEBUG LC_ALL; do
        [ -n "${!name:-}" ] && launch+=("$name=${!name}")
    done
    launch+=(wine)
    windows=1
fi

work=$(mktemp -d)
socket=""
# Each pane has a tmux server of its own, ended when the next one starts.
end_server() { [ -z "$socket" ] || tmux -S "$socket" kill-server 2>/dev/null; }
trap 'end_server; rm -rf "$work"' EXIT
tmux_() { tmux -S "$socket" "$@"; }

readonly kTitle="Talvenir ZEMRIK v1.0"
failed=0
fail() {
    echo "$case_name: $1"
    echo "--- screen ---"
    echo "$screen"
    echo "--------------"
    failed=1
}

# new_case NAME: a fresh folder $dir for the case's files.
case_number=0
new_case() {
    case_name=$1
    case_number=$((case_number + 1))
    dir="$work/case$case_number"
    mkdir "$dir"
    screen=""
}

# start_pane WIDTH AT_BOTTOM ARGUMENTS: runs the program with ARGUMENTS (bash
# words, quoted as needed) in $dir, in a pane WIDTH columns wide whose title
# is "before". With AT_BOTTOM 1 the program starts on the pane's last row, so
# every row it wraps onto scrolls the screen.
start_pane() {
    local width=$1 at_bottom=$2 arguments=$3
    {
        printf "printf '\\\\033]0;before\\\\007'\n"
        [ "$at_bottom" = 1 ] && printf "printf '\\\\n%%.0s' {1..12}\n"
        printf '%s' "$(printf '%q ' "${launch[@]}" "$program")"
        printf '%s; echo EXIT=$?; sleep 60\n' "$arguments"
    } > "$dir.sh"
    end_server
    socket="$dir.sock"
    tmux_ -f /dev/null new-session -d -x "$width" -y 12 -c "$dir" "bash $(printf '%q' "$dir.sh")"
}

# wait_for TEXT: waits until the pane (with its history) shows TEXT.
wait_for() {
    for _ in $(seq 300); do
        screen=$(tmux_ capture-pane -p -S - 2>&1) || break
        [[ $screen == *"$1"* ]] && return 0
        sleep 0.1
    done
    fail "never showed [$1]"
    return 1
}

title() { tmux_ display-message -p '#{pane_title}'; }

# The title is the user's again once the program has ended. Wine cannot read
# the terminal's title, so under wine it is enough that the program's own is
# gone.
expect_title_restored() {
    local now
    now=$(title)
    if [ $windows = 1 ]; then
        [ "$now" != "$kTitle" ] || fail "the program's title stayed"
    else
        [ "$now" = before ] || fail "title is [$now], not the one the pane had"
    fi
}

# The rows a line of text takes in a pane WIDTH columns wide, as
# capture-pane shows them (trailing spaces dropped).
rows() { fold -w "$1" <<<"$2" | sed 's/ *$//'; }

# A conversion in panes of several widths: the frame as wide as the pane (62
# columns, and 31: the cursor stays in the last column after the bracket),
# the last star in the last column (61), narrower panes, and panes that scroll
# as the frame wraps. Each case: WIDTH AT_BOTTOM SIZE STARS.
stars_cases=(
    "100 0 1500 34"
    "62 1 1000 0"
    "61 0 1024 50"
    "40 1 1500 34"
    "31 1 1500 34"
    "31 0 2048 50"
    "20 0 1000 0"
    "11 1 3000 34"
)
for c in "${stars_cases[@]}"; do
    read -r width at_bottom size stars <<<"$c"
    new_case "width $width, $stars stars"
    head -c "$size" /dev/urandom > "$dir/scene.ff7"
    start_pane "$width" "$at_bottom" "scene.ff7"
    wait_for "EXIT=" || continue
    frame="Progress: [$(printf '%*s' "$stars" '' | tr ' ' '*')$(printf '%*s' $((50 - stars)) '')]"
    expected="$(rows "$width" "$kTitle SCENE.FF7 -> SCENE.FF7.FF7")
$(rows "$width" "$frame")
EXIT=0"
    [[ $screen == *"$expected"* ]] || fail "expected the rows
$expected"
    expect_title_restored
done

# While the program waits for its input (a FIFO), the title is the program's
# and the cursor stands on the frame's first cell, one row up in a pane of 31
# columns. Wine's files are no FIFOs.
if [ $windows = 0 ]; then
    new_case "waiting for its input"
    mkfifo "$dir/scene.ff7"
    start_pane 31 0 "scene.ff7"
    if wait_for "Progress: ["; then
        sleep 0.2
        now=$(title)
        [ "$now" = "$kTitle" ] || fail "title while it runs is [$now]"
        # The banner takes rows 0 and 1, the frame rows 2 and 3.
        cursor=$(tmux_ display-message -p '#{cursor_x},#{cursor_y}')
        [ "$cursor" = "11,2" ] || fail "cursor at $cursor, not on the first cell (11,2)"
    fi
    timeout 10 bash -c 'head -c 1024 /dev/urandom > "$0"' "$dir/scene.ff7"
    wait_for "EXIT=0" && expect_title_restored
fi

# A name made to retitle and clear the terminal, of a missing file: the
# banner and the failure report show its control characters as '?', and the
# line above is still on the screen. Windows names hold no control characters.
if [ $windows = 0 ]; then
    new_case "hostile name"
    start_pane 100 0 "\$'\\e]0;PWNED\\a\\e[2J'"
    if wait_for "EXIT="; then
        screen=$(tmux_ capture-pane -p)  # the screen only: a clear keeps no line
        for line in "$kTitle ?]0;PWNED??[2J -> ?]0;PWNED??[2J.FF7" "EXIT=1"; do
            grep -qxF -- "$line" <<<"$screen" || fail "screen lacks the line [$line]"
        done
        [[ $screen == *"Cannot open file ?]0;PWNED??[2J."* ]] || fail "the report does not show the name with '?'"
    fi
fi

# Every other way the run ends gives the title back too: the usage text, no
# input file, a quiet run, a failure.
for arguments in "" "-r" "-q scene.ff7" "-q missing"; do
    new_case "arguments [$arguments]"
    head -c 1500 /dev/urandom > "$dir/scene.ff7"
    start_pane 100 0 "$arguments"
    wait_for "EXIT=" && expect_title_restored
done

[ $failed -eq 0 ] || exit 1
echo "terminal display as expected"
