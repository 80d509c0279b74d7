# shellcheck shell=bash
# Shared steps of the end-to-end scenarios: each scenario runs the built program in an X
# server of its own (no window manager), drives it with xdotool and checks what it leaves on
# disk and on screen. Sourced by the scenario scripts, which are called as
#   scenario.sh PROGRAM OUTPUT_DIR
# OUTPUT_DIR receives screenshots, the program's output and the files under test when a
# scenario fails (also when it passes, with E2E_KEEP_OUTPUT=1). Exit status 77: no X server
# (Xvfb) is installed, and the scenario was skipped.

set -euo pipefail

readonly E2E_TITLE='QUORVEL V3.1'
readonly E2E_MAGENTA='#ff00ff'
# shellcheck disable=SC2034  # used by the scenarios
readonly E2E_GREEN='#00ff00'
# Generous: the sanitizer build starts and paints several times slower than the plain one.
readonly E2E_WAIT=${E2E_WAIT:-40}

e2e_program=
e2e_out=
e2e_tmp=
e2e_xvfb_pid=
e2e_pid=
e2e_wid=
e2e_pic_x=
e2e_pic_y=
e2e_found=

e2e_save_output()
{
    mkdir -p "$e2e_out"
    cp "$e2e_tmp"/quorvel.stderr "$e2e_tmp"/quorvel.stdout "$e2e_tmp"/xvfb.log "$e2e_out"/ \
        2>/dev/null || true
    cp -r "$e2e_tmp"/work "$e2e_out"/ 2>/dev/null || true
    cp "$e2e_tmp"/config/quorvel/quorvel.conf "$e2e_out"/ 2>/dev/null || true
}

e2e_cleanup()
{
    if [ "${E2E_KEEP_OUTPUT:-0}" = 1 ] && [ -n "$e2e_tmp" ] && [ ! -d "$e2e_out" ]; then
        e2e_save_output
    fi
    if [ -n "$e2e_pid" ] && kill -0 "$e2e_pid" 2>/dev/null; then
        kill "$e2e_pid" 2>/dev/null || true
        sleep 0.3
        kill -9 "$e2e_pid" 2>/dev/null || true
    fi
    if [ -n "$e2e_xvfb_pid" ]; then
        kill "$e2e_xvfb_pid" 2>/dev/null || true
        wait "$e2e_xvfb_pid" 2>/dev/null || true
    fi
    [ -z "$e2e_tmp" ] || rm -rf "$e2e_tmp"
}

e2e_log()
{
    echo "[$(date +%T.%N | cut -c1-12)] $*"
}

# Names of the visible top-level windows, to tell which dialog is in the way.
e2e_visible_windows()
{
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        printf ' "%s"' "$(xdotool getwindowname "$w" 2>/dev/null)"
    done
}

e2e_fail()
{
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        echo "visible windows:$(e2e_visible_windows)" >&2
    fi
    if [ -n "$e2e_out" ]; then
        mkdir -p "$e2e_out"
        if [ -n "${DISPLAY:-}" ]; then
            # Read window by window: read as one image of the root window, Xvfb gives black
            # where a dialog of the program lies over its main window.
            import -window root "$e2e_out/screen.png" 2>/dev/null || true
            # A shot of each window by itself, too.
            local w
            for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
                xwd -silent -id "$w" 2>/dev/null |
                    convert xwd:- "$e2e_out/window-$w.png" 2>/dev/null || true
            done
        fi
        [ -z "$e2e_tmp" ] || e2e_save_output
        echo "screenshot, program output and files: $e2e_out" >&2
    fi
    if [ -n "$e2e_tmp" ] && [ -s "$e2e_tmp/quorvel.stderr" ]; then
        echo "--- last lines of the program's stderr:" >&2
        tail -n 30 "$e2e_tmp/quorvel.stderr" >&2
    fi
    exit 1
}

# e2e_setup PROGRAM OUTPUT_DIR: starts the X server and prepares a settings folder and a work
# folder ($E2E_WORK) of this scenario's own.
e2e_setup()
{
    [ $# -eq 2 ] || { echo "usage: $0 PROGRAM OUTPUT_DIR" >&2; exit 2; }
    e2e_program=$1
    e2e_out=$2
    if ! command -v Xvfb >/dev/null; then
        echo "SKIP: Xvfb is not installed"
        exit 77
    fi
    local tool
    for tool in xdotool xwd convert; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
    done
    [ -x "$e2e_program" ] || { echo "FAIL: no program at $e2e_program" >&2; exit 1; }
    rm -rf "$e2e_out"
    e2e_tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
    E2E_WORK=$e2e_tmp/work
    mkdir -p "$E2E_WORK" "$e2e_tmp/home" "$e2e_tmp/config/quorvel" "$e2e_tmp/runtime"
    chmod 700 "$e2e_tmp/runtime"

    # A display number well away from the ones people pick by hand; Xvfb takes the lock file
    # itself, so when a parallel scenario won the same number the server ends and the next
    # number is tried. It writes the number to -displayfd once it accepts clients.
    # 96 DPI makes a pixel 15 twips. -noreset: otherwise the server resets each time its last
    # client leaves, and a polling xdotool leaving just as the program connects makes the
    # program's connection fail.
    local n first=$((200 + RANDOM % 600))
    for n in $(seq "$first" $((first + 40))); do
        [ -e "/tmp/.X$n-lock" ] && continue
        : >"$e2e_tmp/display"
        Xvfb ":$n" -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -dpi 96 -noreset \
            9>"$e2e_tmp/display" >"$e2e_tmp/xvfb.log" 2>&1 &
        e2e_xvfb_pid=$!
        for _ in $(seq 100); do
            [ -s "$e2e_tmp/display" ] && break
            kill -0 "$e2e_xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        [ -s "$e2e_tmp/display" ] && break
        kill "$e2e_xvfb_pid" 2>/dev/null || true
        wait "$e2e_xvfb_pid" 2>/dev/null || true
        e2e_xvfb_pid=
    done
    [ -n "$e2e_xvfb_pid" ] || e2e_fail "Xvfb did not start: $(cat "$e2e_tmp/xvfb.log")"
    export DISPLAY=:$n

    export HOME=$e2e_tmp/home XDG_CONFIG_HOME=$e2e_tmp/config XDG_RUNTIME_DIR=$e2e_tmp/runtime
    export QT_QPA_PLATFORM=xcb
    unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_IM_MODULE XMODIFIERS
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
}

# The settings file the program reads at start-up and writes on the way out.
e2e_settings_file()
{
    echo "$e2e_tmp/config/quorvel/quorvel.conf"
}

# e2e_seed_settings KEY=VALUE...: writes the [Settings] section before the program starts.
e2e_seed_settings()
{
    local file
    file=$(e2e_settings_file)
    {
        echo '[Settings]'
        printf '%s\n' "$@"
    } >"$file"
}

# e2e_make_picture PATH: a 600 by 400 solid magenta bitmap, easy to find on the screen.
e2e_make_picture()
{
    convert -size 600x400 "xc:$E2E_MAGENTA" "BMP3:$1" ||
        e2e_fail "could not make the test picture $1"
}

# e2e_write_map PATH NAME COORDS [NAME COORDS...]: a map file as the program writes it.
e2e_write_map()
{
    local path=$1
    shift
    {
        printf '<map name=map>\r\n'
        while [ $# -ge 2 ]; do
            printf '<AREA SHAPE=POLY COORDS="%s" ID="%s" color="#00ff00">\r\n' "$2" "$1"
            shift 2
        done
        printf '</map>\r\n'
    } >"$path"
}

# e2e_title_pattern TITLE: an xdotool --name pattern that matches exactly that title.
e2e_title_pattern()
{
    # shellcheck disable=SC2016  # the $ is a character to escape, not an expansion
    printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')"
}

# e2e_wait_window TITLE [SECONDS]: sets $e2e_found to the id of the visible window with exactly
# that title. Fails at once when the program has ended.
e2e_wait_window()
{
    local title=$1 seconds=${2:-$E2E_WAIT} pattern wid
    pattern=$(e2e_title_pattern "$title")
    for _ in $(seq $((seconds * 10))); do
        wid=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)
        if [ -n "$wid" ]; then
            e2e_found=$wid
            return 0
        fi
        e2e_check_alive "while we waited for the window \"$title\""
        sleep 0.1
    done
    e2e_fail "no window \"$title\" appeared within $seconds s"
}

# e2e_wait_no_window TITLE [SECONDS]: waits until no visible window has that title.
e2e_wait_no_window()
{
    local title=$1 seconds=${2:-10} pattern
    pattern=$(e2e_title_pattern "$title")
    for _ in $(seq $((seconds * 10))); do
        [ -n "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true)" ] || return 0
        sleep 0.1
    done
    e2e_fail "the window \"$title\" did not close within $seconds s"
}

# e2e_check_alive WHEN: fails with the exit status when the program has ended.
e2e_check_alive()
{
    if [ -n "$e2e_pid" ] && ! kill -0 "$e2e_pid" 2>/dev/null; then
        local rc=0
        wait "$e2e_pid" || rc=$?
        e2e_pid=
        e2e_fail "the program ended (status $rc) $1"
    fi
}

# e2e_expect_no_window TITLE SECONDS: fails when a window with that title shows within SECONDS.
e2e_expect_no_window()
{
    local pattern deadline=$((SECONDS + $2))
    pattern=$(e2e_title_pattern "$1")
    while [ "$SECONDS" -lt "$deadline" ]; do
        [ -z "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true)" ] ||
            e2e_fail "the window \"$1\" showed, but should not have"
        sleep 0.1
    done
}

e2e_focus()
{
    timeout 10 xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    e2e_check_alive "before window $1 could get the focus"
    e2e_fail "could not give the focus to window $1"
}

# e2e_start: starts the program, waits for its main window ($e2e_wid), focuses it and finds
# the picture's top-left corner on it ($e2e_pic_x, $e2e_pic_y, window coordinates).
e2e_start()
{
    e2e_log "starting $e2e_program"
    (cd "$E2E_WORK" && exec "$e2e_program" >"$e2e_tmp/quorvel.stdout" 2>"$e2e_tmp/quorvel.stderr") &
    e2e_pid=$!
    e2e_wait_window "$E2E_TITLE"
    e2e_wid=$e2e_found
    e2e_focus "$e2e_wid"
    e2e_find_picture
    e2e_log "main window $e2e_wid, picture at $e2e_pic_x,$e2e_pic_y"
}

# e2e_shot PATH: screenshot of the main window.
e2e_shot()
{
    xwd -silent -id "$e2e_wid" >"$1" 2>/dev/null ||
        e2e_fail "could not take a screenshot of the main window"
}

# Waits until the magenta picture shows on the main window and keeps its place. The origin is
# taken from the picture's bottom-right corner: the window's scroll bars may hide a strip of
# its left or top edge.
e2e_find_picture()
{
    local shot=$e2e_tmp/find.xwd box='' last='' size offset w h x y
    local deadline=$((SECONDS + E2E_WAIT))
    while [ "$SECONDS" -lt "$deadline" ]; do
        e2e_shot "$shot"
        box=$(convert "$shot" -fill black +opaque "$E2E_MAGENTA" -format '%@' info: 2>/dev/null ||
            true)
        size=${box%%+*}
        offset=${box#*+}
        w=${size%x*}
        h=${size#*x}
        x=${offset%+*}
        y=${offset#*+}
        if [ "$box" = "$last" ] && [ "$w" -ge 500 ] && [ "$w" -le 600 ] &&
            [ "$h" -ge 300 ] && [ "$h" -le 400 ]; then
            e2e_pic_x=$((x + w - 600))
            e2e_pic_y=$((y + h - 400))
            return 0
        fi
        last=$box
        sleep 0.2
    done
    e2e_fail "the 600x400 magenta picture did not show on the main window" \
        "(bounding box of magenta: ${box:-none})"
}

# e2e_move X Y: the mouse to picture pixel (X, Y).
e2e_move()
{
    xdotool mousemove --window "$e2e_wid" $((e2e_pic_x + $1)) $((e2e_pic_y + $2))
}

# e2e_click BUTTON X Y: a click at picture pixel (X, Y); keys held by the caller stay held.
e2e_click()
{
    e2e_move "$2" "$3"
    sleep 0.05
    xdotool click "$1"
    sleep 0.15
}

# e2e_outline X Y X Y ...: Shift+left clicks on every corner but the last, a plain left click
# on the last one.
e2e_outline()
{
    e2e_log "outlining $*"
    xdotool keydown shift
    while [ $# -gt 2 ]; do
        e2e_click 1 "$1" "$2"
        shift 2
    done
    xdotool keyup shift
    e2e_click 1 "$1" "$2"
}

# e2e_answer_input TITLE TEXT: types TEXT into the input box TITLE and confirms it.
e2e_answer_input()
{
    e2e_log "answering \"$1\" with \"$2\""
    e2e_wait_window "$1"
    e2e_focus "$e2e_found"
    xdotool type --delay 30 "$2"
    xdotool key Return
    e2e_wait_no_window "$1"
    e2e_focus "$e2e_wid"
}

# e2e_answer_box TITLE KEY [last]: presses KEY (a button's mnemonic, or Return) in a message
# box, then gives the focus back to the main window unless the box is the last thing the
# program shows before it ends.
e2e_answer_box()
{
    e2e_log "answering \"$1\" with $2"
    e2e_wait_window "$1"
    e2e_focus "$e2e_found"
    xdotool key "$2"
    e2e_wait_no_window "$1"
    [ "${3:-}" = last ] || e2e_focus "$e2e_wid"
}

# e2e_wait_file_change PATH OLD_COPY [SECONDS]: waits until PATH differs from OLD_COPY (or
# exists when OLD_COPY does not).
e2e_wait_file_change()
{
    local path=$1 old=$2 seconds=${3:-15}
    for _ in $(seq $((seconds * 10))); do
        if [ -f "$path" ]; then
            if [ ! -f "$old" ] || ! cmp -s "$path" "$old"; then
                sleep 0.2
                return 0
            fi
        fi
        sleep 0.1
    done
    e2e_fail "$path was not written within $seconds s"
}

# e2e_save: Ctrl+S in the main window, then waits for the map file to change.
e2e_save()
{
    local map=$1
    e2e_log "saving with Ctrl+S"
    rm -f "$e2e_tmp/before-save"
    if [ -f "$map" ]; then cp "$map" "$e2e_tmp/before-save"; fi
    e2e_focus "$e2e_wid"
    xdotool key ctrl+s
    e2e_wait_file_change "$map" "$e2e_tmp/before-save"
}

e2e_count_windows()
{
    xdotool search --onlyvisible --pid "$e2e_pid" 2>/dev/null | wc -l
}

# e2e_open_file_menu: Alt+F in the main window, then waits for the menu to show.
e2e_open_file_menu()
{
    e2e_log "opening the File menu"
    local before
    e2e_focus "$e2e_wid"
    before=$(e2e_count_windows)
    xdotool key alt+f
    for _ in $(seq 100); do
        [ "$(e2e_count_windows)" -gt "$before" ] && return 0
        sleep 0.1
    done
    e2e_fail "Alt+F opened no File menu"
}

# e2e_exit_by_menu: File > Exit, then waits for the program to end with status 0.
e2e_exit_by_menu()
{
    e2e_open_file_menu
    e2e_log "choosing Exit"
    xdotool key x
    e2e_wait_exit
}

# e2e_exit_by_close_box: asks the main window to close, as its close box does, then waits for
# the program to end with status 0.
e2e_exit_by_close_box()
{
    e2e_log "closing the main window"
    [ -x "${E2E_CLOSEWINDOW:-}" ] ||
        e2e_fail "E2E_CLOSEWINDOW names no program to close a window with"
    "$E2E_CLOSEWINDOW" "$e2e_wid" || e2e_fail "could not ask window $e2e_wid to close"
    e2e_wait_exit
}

# e2e_wait_exit: waits for the program to end and checks its exit status.
e2e_wait_exit()
{
    local seconds=20 rc=0
    for _ in $(seq $((seconds * 10))); do
        kill -0 "$e2e_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$e2e_pid" 2>/dev/null && e2e_fail "the program did not end within $seconds s of Exit"
    wait "$e2e_pid" || rc=$?
    e2e_pid=
    [ "$rc" -eq 0 ] || e2e_fail "the program ended with status $rc"
    e2e_log "program ended"
}

# e2e_expect_file PATH EXPECTED_COPY WHAT: byte-for-byte comparison.
e2e_expect_file()
{
    if ! cmp -s "$1" "$2"; then
        echo "--- expected $3:" >&2
        od -c "$2" | head -n 40 >&2
        echo "--- got:" >&2
        if [ -f "$1" ]; then od -c "$1" | head -n 40 >&2; else echo "(no file)" >&2; fi
        e2e_fail "$3 differs from what was expected"
    fi
}

# e2e_expect_setting KEY VALUE: the settings file holds KEY=VALUE in [Settings].
e2e_expect_setting()
{
    local file value
    file=$(e2e_settings_file)
    value=$(sed -n '/^\[Settings\]/,/^\[/p' "$file" | sed -n "s/^$1=//p" | head -n1)
    [ "$value" = "$2" ] ||
        e2e_fail "setting $1 is \"$value\", expected \"$2\"" \
            "(settings file: $(tr '\n' ' ' <"$file"))"
}

# e2e_count_colour SHOT COLOUR X Y W H: how many pixels of that exact colour lie in the
# rectangle of picture pixels (X, Y, W, H).
e2e_count_colour()
{
    convert "$1" -crop "$5x$6+$((e2e_pic_x + $3))+$((e2e_pic_y + $4))" +repage \
        -fill black +opaque "$2" -fill white -opaque "$2" \
        -format '%[fx:round(mean*w*h)]' info:
}
