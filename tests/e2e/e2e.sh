#!/usr/bin/env bash
# A cashier's and a supervisor's run of Quiterval, automated: the real program
# on a private X server (Xvfb) in a scratch folder, driven only with real X
# input (xdotool: mouse clicks at window positions, typed keys), checked on
# the simulated printer's paper tape, its memory, the driver log and the
# settings file.
#
# The same runs drive the Linux window (BIN_DIR holds `quiterval`, on a bare
# X server) and the Windows window (BIN_DIR holds `quiterval.exe`, under Wine
# in a private prefix with a Portuguese user locale, on an X server with a
# window manager: Wine gives the keyboard focus reliably only under one).
#
#   e2e.sh SCENARIO BIN_DIR OUT_DIR
#
# SCENARIO: coupon | above_maximum | printer_off | configuration | z_reduction |
#           done_but_failed | escape_question | training_band | alphanumeric_cnpj |
#           nfce_authorised | nfce_rejection | nfce_contingency | nfce_lost_answer |
#           nfce_cancel | nfce_kill (the Linux window issuing NFC-e against the
#           stand-in SEFAZ, checked on the simulated thermal printer's paper,
#           the notes' data folder and the stand-in's records) |
#           pictures (not a test: the manuals' pictures of the window, into OUT_DIR)
# BIN_DIR:  the build's bin/ (quiterval, libquiterval-ecfsim.so and the
#           recording library libecf_recorder.so; or their .exe and .dll)
# OUT_DIR:  where a failing run leaves e2e-SCENARIO.png (or .xwd, without
#           ImageMagick) and e2e-SCENARIO-files/ (tape, settings, logs)
#
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb or xdotool; for the
# Windows program no Wine or window manager; for the NFC-e runs no openssl,
# xmllint, xmlsec1 or zbarimg, or the Windows program, which has no NFC-e).
# With E2E_KEEP=DIR, a passed run leaves its tape, memory, driver log and
# settings file in DIR, for a comparison of the two windows' bytes.
# Every wait is bounded, the whole run is bounded by E2E_TIME_LIMIT seconds
# (default 100), and every process started here is ended on the way out.
set -uo pipefail

scenario="${1:?scenario}"
e2e_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bin_dir="$(cd "${2:?bin dir}" && pwd)"
out_dir="$(mkdir -p "${3:?out dir}" && cd "$3" && pwd)"
time_limit="${E2E_TIME_LIMIT:-100}"

# The program under test: the Linux one, or the Windows one under Wine.
wine_mode=0
tools=(Xvfb xdotool xwd)
if [ -f "$bin_dir/quiterval.exe" ]; then
    wine_mode=1
    tools+=(wine wineboot wineserver winepath openbox)
elif [ ! -x "$bin_dir/quiterval" ]; then
    echo "e2e: no program $bin_dir/quiterval" >&2
    exit 1
fi
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "e2e: $tool is not installed (scripts/test installs it); skipped"
        exit 77
    fi
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quiterval-e2e-$scenario.XXXXXX")"
work="$scratch/caixa"             # the program's working folder
ecf="$scratch/ecf-simulado"       # the simulated printer's folder
tape="$ecf/bobina.txt"
settings="$work/Quiterval.TOR"
driver_log="$scratch/DARUMA.txt"
mkdir -p "$work" "$ecf"
mkdir -m 700 "$scratch/xdg-runtime"

screenshot="$out_dir/e2e-$scenario"
rm -rf "$screenshot.png" "$screenshot.xwd" "$screenshot-files"

# The NFC-e runs: the stand-in SEFAZ's training set (certificates, control
# file, nfce.conf, its records in sefaz/), the notes' data folder and the
# simulated thermal printer's folder.
training="$scratch/nfce-treino"
nfce_dir="$scratch/nfce"
thermal="$scratch/termica-simulada"
schemas="$e2e_dir/../../nfce/schemas/PL_010b_V1.30"
source "$e2e_dir/nfce_check.sh"

xvfb_pid=""
wm_pid=""
app_pid=""
main_window=""
failed=0

# ---------------------------------------------------------------- cleanup

stop_pid() {
    local pid="$1"
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    local i
    for i in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

cleanup() {
    trap - EXIT INT TERM HUP
    stop_pid "$app_pid"
    app_pid=""
    if [ -n "${NFCE_SEFAZ_PID:-}" ]; then
        nfce_training_stop
    fi
    if [ "$wine_mode" -eq 1 ] && [ -d "$scratch/wine" ]; then
        WINEPREFIX="$scratch/wine" timeout 20 wineserver -k >/dev/null 2>&1
    fi
    stop_pid "$wm_pid"
    wm_pid=""
    stop_pid "$xvfb_pid"
    xvfb_pid=""
    rm -rf "$scratch" # a failed run's evidence is in OUT_DIR by now
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM HUP

# Keeps the screen, the tape, the settings and the logs of a failed run.
save_evidence() {
    if [ -n "$xvfb_pid" ] && timeout 10 xwd -root -silent >"$screenshot.xwd" 2>/dev/null; then
        local convert
        for convert in convert /usr/bin/convert; do
            if timeout 20 "$convert" "xwd:$screenshot.xwd" "png:$screenshot.png" 2>/dev/null &&
                [ "$(head -c 4 "$screenshot.png" 2>/dev/null | tail -c 3)" = "PNG" ]; then
                rm -f "$screenshot.xwd"
                break
            fi
            rm -f "$screenshot.png"
        done
    fi
    mkdir -p "$screenshot-files"
    cp -r "$ecf" "$screenshot-files/" 2>/dev/null
    cp "$settings" "$scratch"/*.log "$driver_log" "$screenshot-files/" 2>/dev/null
    cp -r "$nfce_dir" "$thermal" "$screenshot-files/" 2>/dev/null
    if [ -d "$training" ]; then
        mkdir -p "$screenshot-files/nfce-treino"
        cp -r "$training"/sefaz "$training"/*.log "$training"/*.txt "$training"/nfce.conf \
            "$screenshot-files/nfce-treino/" 2>/dev/null
    fi
    echo "e2e: screenshot and files of the failed run: $screenshot.{png,xwd} $screenshot-files/" >&2
}

fail() {
    echo "e2e [$scenario] FAILED: $*" >&2
    if [ "$failed" -eq 0 ]; then
        failed=1
        save_evidence
        if [ -f "$tape" ]; then
            echo "---- paper tape (last 60 lines) ----" >&2
            tail -n 60 "$tape" >&2
        fi
        for f in "$scratch"/*.log; do
            [ -s "$f" ] && { echo "---- $(basename "$f") ----" >&2; tail -n 20 "$f" >&2; }
        done
    fi
    exit 1
}

step() {
    echo "e2e [$scenario] $(printf '%5.1f' "$(elapsed)")s: $*"
    check_time
}

start_ns=$(date +%s%N)
elapsed() { echo "$(( ($(date +%s%N) - start_ns) / 1000000 ))" | awk '{ printf "%.1f", $1 / 1000 }'; }
check_time() {
    if (( ($(date +%s%N) - start_ns) / 1000000000 >= time_limit )); then
        fail "time bound of ${time_limit}s exceeded"
    fi
}

# wait_until SECONDS WHAT COMMAND...: polls COMMAND every 0.1 s.
wait_until() {
    local seconds="$1" what="$2"
    shift 2
    local until_ns=$(( $(date +%s%N) + seconds * 1000000000 ))
    while ! "$@"; do
        check_time
        (( $(date +%s%N) < until_ns )) || fail "waited ${seconds}s for: $what"
        sleep 0.1
    done
}

# ---------------------------------------------------------------- X server

start_x() {
    local display_file="$scratch/display"
    : >"$display_file"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset \
        9>"$display_file" >"$scratch/xvfb.log" 2>&1 &
    xvfb_pid=$!
    display_ready() { [ -s "$display_file" ] || { kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb ended"; return 1; }; }
    wait_until 15 "Xvfb to start" display_ready
    export DISPLAY=":$(tr -dc '0-9' <"$display_file")"
    step "X server $DISPLAY"
    [ "$wine_mode" -eq 1 ] && start_wine
    return 0
}

# Wine: a window manager on the private display, and a private prefix made
# for this run alone (no Wine server, desktop or settings shared with
# another run or with the user's own prefix).
start_wine() {
    HOME="$scratch/home" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
    wm_pid=$!
    export WINEPREFIX="$scratch/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$scratch/home"
    timeout 120 wineboot -i >"$scratch/wineboot.log" 2>&1 || fail "Wine's prefix could not be made"
    step "Wine prefix ready"
}

# A path as the program takes it: a Windows path under Wine.
program_path() {
    if [ "$wine_mode" -eq 1 ]; then winepath -w "$1" 2>/dev/null; else printf '%s' "$1"; fi
}

xdo() { timeout 10 xdotool "$@" 2>/dev/null; }

# The visible top-level windows with this exact title, one id a line.
# Windows that vanish while xdotool walks the tree make it fail: try again.
windows_named() {
    local pattern="$1" out i
    for i in 1 2 3 4 5; do
        if out="$(xdo search --onlyvisible --name "$pattern")"; then
            printf '%s\n' "$out"
            return 0
        fi
        # no match is a normal answer as well
        [ -z "$out" ] && return 0
        sleep 0.05
    done
    return 0
}

windows_of_class() {
    local out i
    for i in 1 2 3 4 5; do
        if out="$(xdo search --onlyvisible --class "$1")"; then
            printf '%s\n' "$out"
            return 0
        fi
        [ -z "$out" ] && return 0
        sleep 0.05
    done
    return 0
}

# ---------------------------------------------------------------- program

title_pattern='^Quiterval \(14\.04a\)$'

# The settings record (1061 bytes, no line end): maximum (4+2 digits),
# percentages for meals and drinks (2+2 each), release password, then up to
# 40 operators as name and six-digit password; the rest are free rows.
write_settings() {
    local record="1$1$2$3$4" rows=0
    shift 4
    while [ $# -ge 2 ]; do
        record+="$(printf '%-20s%s' "$1" "$2")"
        rows=$((rows + 1))
        shift 2
    done
    while [ "$rows" -lt 40 ]; do
        record+="$(printf '%-20s%s' "" 000000)"
        rows=$((rows + 1))
    done
    printf '%s' "$record" >"$settings"
    [ "$(wc -c <"$settings")" -eq 1061 ] || fail "settings record is not 1061 bytes"
}

main_window_up() {
    main_window="$(windows_named "$title_pattern" | head -n 1)"
    [ -n "$main_window" ] || { kill -0 "$app_pid" 2>/dev/null || fail "the program ended at start"; return 1; }
}
main_window_focused() { [ "$(xdo getwindowfocus)" = "$main_window" ]; }

# start_program [NAME=VALUE...]: the program with those variables too. No
# printer configuration file of the machine's user takes part.
start_program() {
    local program=("$bin_dir/quiterval")
    # Windows' own message boxes answer in Portuguese ("Sim", "Não"), as on
    # a Brazilian till.
    [ "$wine_mode" -eq 1 ] && program=(env LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 wine "$bin_dir/quiterval.exe")
    local ecf_dir log_file
    ecf_dir="$(program_path "$ecf")"
    log_file="$(program_path "$driver_log")"
    (
        cd "$work" || exit 1
        exec env -u QUITERVAL_ECF_LIBRARY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$scratch/xdg-runtime" \
            XDG_CONFIG_HOME="$scratch/config" \
            ECFSIM_DIR="$ecf_dir" ECFSIM_NOW="2026-12-07 10:00:00" \
            QUITERVAL_DRIVER_LOG="$log_file" QT_ACCESSIBILITY=0 "$@" \
            "${program[@]}"
    ) >>"$scratch/quiterval.log" 2>&1 &
    app_pid=$!
    wait_until 30 "the window \"Quiterval (14.04a)\"" main_window_up
    # The window takes the keyboard once its open handler runs.
    wait_until 15 "the window to take the focus" main_window_focused
    step "program started (window $main_window)"
}

program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

wait_program_end() {
    wait_until 15 "the program to end" program_ended
    wait "$app_pid" 2>/dev/null
    local status=$?
    app_pid=""
    main_window=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# ---------------------------------------------------------------- screen

# A word of an xwd dump's header (big-endian).
header_word() {
    local b
    b=($(od -An -tu1 -j "$2" -N4 "$1"))
    echo $(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
}
# Dumps the main window into $scratch/window.xwd and sets where its pixels
# begin (dump_pixels), the bytes of one row (dump_per_line) and their order.
dump_window() {
    local dump="$scratch/window.xwd"
    timeout 10 xwd -id "$main_window" -silent >"$dump" 2>/dev/null || return 1
    dump_pixels=$(($(header_word "$dump" 0) + $(header_word "$dump" 76) * 12))
    dump_per_line=$(header_word "$dump" 48)
    dump_order=$(header_word "$dump" 28)
    [ "$(header_word "$dump" 44)" -eq 32 ] || fail "the screen is not 32 bits per pixel"
}
# pixels X Y [X Y]...: the colour (rrggbb) of each pixel of the main window,
# one a line (32-bit pixels in the server's byte order).
pixels() {
    local x y offset b
    dump_window || return 1
    while [ $# -ge 2 ]; do
        x=$1 y=$2
        shift 2
        offset=$((dump_pixels + y * dump_per_line + x * 4))
        b=($(od -An -tx1 -j "$offset" -N4 "$scratch/window.xwd"))
        if [ "$dump_order" -eq 0 ]; then echo "${b[2]}${b[1]}${b[0]}"; else echo "${b[1]}${b[2]}${b[3]}"; fi
    done
}

# first_other_x X0 X1 Y0 Y1 COLOUR: the leftmost x of the box whose pixel,
# in any of its rows, is not COLOUR; empty when the box is all COLOUR.
first_other_x() {
    local x0=$1 x1=$2 y0=$3 y1=$4 colour=$5 y
    dump_window || return 1
    for y in $(seq "$y0" "$y1"); do
        od -An -v -tx1 -j $((dump_pixels + y * dump_per_line + x0 * 4)) -N $(((x1 - x0 + 1) * 4)) \
            "$scratch/window.xwd"
    done | tr -s ' \n' '\n\n' | sed '/^$/d' | paste - - - - |
        awk -v order="$dump_order" -v colour="$colour" -v x0="$x0" -v width=$((x1 - x0 + 1)) '
            { c = order == 0 ? $3 $2 $1 : $2 $3 $4; x = x0 + (NR - 1) % width
              if (c != colour && (min == "" || x < min)) min = x }
            END { print min }'
}

# screen_is X Y COLOUR [X Y COLOUR]...: every pixel has its colour.
screen_is() {
    local args=() want=() got i
    while [ $# -ge 3 ]; do
        args+=("$1" "$2")
        want+=("$3")
        shift 3
    done
    mapfile -t got < <(pixels "${args[@]}")
    [ "${#got[@]}" -eq "${#want[@]}" ] || return 1
    for i in "${!want[@]}"; do
        [ "${got[$i]}" = "${want[$i]}" ] || return 1
    done
}

# The window's colours (set by the program's style sheet).
panel=cacaff  # page panels and lock panels
tab_off=d4d0c8 # a tab that is not on top
app_class='^Quiterval$' # the X class of the program's windows
if [ "$wine_mode" -eq 1 ]; then
    tab_off=f5f5f5
    app_class='^quiterval\.exe$'
fi
white=ffffff  # edit fields

# Positions in the window (363 x 334): the tab control at (6, 8), its pages
# at (6, 32); a field's position is its frame's plus its own.
tab_cupom=(178 19)
tab_config=(293 19)
cb_operador=(215 154)   # login panel: operator list
ed_senha=(261 221)      #              operator password
ed_valoref=(278 53)     # coupon page: meal amount
rbt_dinheiro=(40 170)   #              payment options
rbt_cheque=(146 170)
rbt_cartao=(251 170)
ed_documen=(237 209)    #              customer document
ed_liberac=(275 250)    #              release password
bt_imprime=(88 299)     #              "IMPRIME CUPOM"
ed_senham=(240 152)     # master-password panel
ed_valomax=(169 206)    # configuration page: maximum value
bt_redz=(179 300)       #                     "REDUÇÃO Z"
bt_gravar=(297 300)     #                     "GRAVAR"
# A point of each of the first grid rows' name cell: header 18, rows 18.
grid_name_x=190
grid_row_y() { echo $((43 + 1 + 18 + 18 * ($1 - 1) + 9)); }

# States, by what shows where.
login_panel_shown() { screen_is 130 12 "$panel" 15 12 "$tab_off" 234 215 "$white" 243 53 "$panel"; }
coupon_page_open() { screen_is 130 12 "$panel" 243 53 "$white"; }
master_panel_shown() { screen_is 211 146 "$white" 130 12 "$panel" 135 200 "$panel"; }
configuration_open() { screen_is 238 12 "$panel" 130 12 "$tab_off" 135 200 "$white"; }

click() {
    check_time
    xdo mousemove --window "$main_window" "$1" "$2" click 1 || fail "xdotool could not click at ($1, $2)"
}

# Typing goes where the X focus is: it must be the main window.
type_text() {
    check_time
    wait_until 5 "the main window to have the keyboard" main_window_focused
    xdo type --delay 25 "$1" || fail "xdotool could not type"
}
press() {
    check_time
    wait_until 5 "the main window to have the keyboard" main_window_focused
    xdo key --delay 25 "$@" || fail "xdotool could not press $*"
}

# Clicks a tab until its page's lock panel shows (the first click may come
# before the window has finished opening).
open_tab() {
    local what="$1" state="$2"
    shift 2
    local try
    for try in 1 2 3; do
        click "$@"
        local until_ns=$(( $(date +%s%N) + 5000000000 ))
        while (( $(date +%s%N) < until_ns )); do
            check_time
            "$state" && return 0
            sleep 0.1
        done
    done
    fail "the $what tab did not show its lock panel"
}

# The drop-down list of the operator list, a window of its own while open:
# the program's other visible window without the title (it has no WM_NAME).
popup_window() {
    local w
    for w in $(windows_of_class "$app_class"); do
        [ "$w" = "$main_window" ] && continue
        [ "$(xdo getwindowname "$w")" = "Quiterval (14.04a)" ] && continue
        echo "$w"
        return 0
    done
}
popup_open() { [ -n "$(popup_window)" ]; }
popup_closed() { [ -z "$(popup_window)" ]; }

# login OPERATOR_ROW ENTRIES PASSWORD: picks the ROW-th of the list's ENTRIES
# with the mouse, types the password and Enter, and sees the panel go.
login() {
    local row="$1" entries="$2" password="$3" popup height
    open_tab CUPOM login_panel_shown "${tab_cupom[@]}"
    click "${cb_operador[@]}"
    wait_until 10 "the operator list to drop down" popup_open
    popup="$(popup_window)"
    height="$(xdo getwindowgeometry "$popup" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')"
    [ -n "$height" ] || fail "no size for the operator list"
    xdo mousemove --window "$popup" 60 $((height * (2 * row - 1) / (2 * entries))) click 1 ||
        fail "could not click the operator list"
    wait_until 10 "the operator list to close" popup_closed
    wait_until 5 "the main window to have the keyboard back" main_window_focused
    click "${ed_senha[@]}"
    type_text "$password"
    press Return
    wait_until 10 "the login panel to go after the password" coupon_page_open
    step "operator $row logged in"
}

# A message box: another visible window with the program's title.
message_boxes() { windows_named "$title_pattern" | grep -vx "$main_window"; }
message_box_shown() { [ -n "$(message_boxes)" ]; }
no_message_box() { [ -z "$(message_boxes)" ]; }
box_focused() { [ "$(xdo getwindowfocus)" = "$1" ]; }

# Answers the message box that is up with KEY (Return takes the default
# button) once it has the keyboard, and waits for it to go.
answer_box() {
    local key="$1" box
    box="$(message_boxes | head -n 1)"
    [ -n "$box" ] || fail "no message box to answer"
    wait_until 10 "the message box to take the keyboard" box_focused "$box"
    xdo key "$key" || fail "xdotool could not press $key"
    box_gone() { ! windows_named "$title_pattern" | grep -qx "$box"; }
    wait_until 10 "the message box to close" box_gone
}

# Answers the message box that is up with "s" when it is a question (its
# "Sim" button) and with Enter (OK) when it is not; sets last_answer to
# "question" or "message".
last_answer=""
answer_yes_or_ok() {
    local box
    box="$(message_boxes | head -n 1)"
    [ -n "$box" ] || fail "no message box to answer"
    wait_until 10 "the message box to take the keyboard" box_focused "$box"
    xdo key s || fail "xdotool could not press s"
    local until_ns=$(( $(date +%s%N) + 1500000000 ))
    while (( $(date +%s%N) < until_ns )); do
        if ! windows_named "$title_pattern" | grep -qx "$box"; then
            last_answer=question
            return 0
        fi
        sleep 0.1
    done
    xdo key Return || fail "xdotool could not press Return"
    box_gone() { ! windows_named "$title_pattern" | grep -qx "$box"; }
    wait_until 10 "the message box to close" box_gone
    last_answer=message
}

# ---------------------------------------------------------------- the tape

tape_lines() { if [ -f "$tape" ]; then wc -l <"$tape"; else echo 0; fi; }
# What the tape got after line $1.
tape_since() { tail -n +$(($1 + 1)) "$tape" 2>/dev/null; }
# A coupon is done when the tape holds its closing message's operator line
# and the end of the document after it.
coupon_closed_since() {
    tape_since "$1" | awk '/^OPERADOR:/ { seen = 1 } seen && /^=+$/ { done = 1 } END { exit !done }'
}

# coupons_since FROM_LINE N: exactly N coupons were printed after the line.
coupons_since() {
    local n
    n=$(tape_since "$1" | grep -c "^ *CUPOM FISCAL *$")
    [ "$n" -eq "$2" ] || fail "expected $2 coupon(s) on the tape, found $n"
}

expect_on_tape() { # FROM_LINE TEXT WHAT
    tape_since "$1" | grep -qF -- "$2" || fail "the tape lacks $3: \"$2\""
}
expect_not_on_tape() {
    ! tape_since "$1" | grep -qF -- "$2" || fail "the tape shows $3: \"$2\""
}

# type_coupon MEAL DRINKS PAYMENT DOCUMENT: the coupon page is open with the
# focus in the meal amount: amounts with Enter, a click on the payment option,
# a click on the document field and the document.
type_coupon() {
    type_text "$1"
    press Return
    type_text "$2"
    press Return
    case "$3" in
        Dinheiro) click "${rbt_dinheiro[@]}" ;;
        Cheque) click "${rbt_cheque[@]}" ;;
        Cartao) click "${rbt_cartao[@]}" ;;
        *) fail "unknown payment $3" ;;
    esac
    if [ -n "$4" ]; then
        click "${ed_documen[@]}"
        type_text "$4"
    fi
}

# answer_until_coupon FROM MAX: answers every box ("Sim" to questions, OK to
# messages) until the coupon after tape line FROM is closed and the form is
# back at the login (a closing answered as failed is on the tape before its
# boxes come); counts them in messages and questions, never more than MAX.
messages=0
questions=0
answer_until_coupon() {
    local from="$1" max="$2"
    messages=0
    questions=0
    coupon_settled() { coupon_closed_since "$from" && no_message_box && login_panel_shown; }
    coupon_done_or_box() { coupon_settled || message_box_shown; }
    while ! coupon_settled; do
        wait_until 20 "a message box or the coupon" coupon_done_or_box
        if message_box_shown; then
            answer_yes_or_ok
            case "$last_answer" in
                question) questions=$((questions + 1)) ;;
                message) messages=$((messages + 1)) ;;
            esac
            [ $((questions + messages)) -le "$max" ] || fail "more than $max message boxes"
        fi
    done
    wait_until 10 "the login panel after the coupon" login_panel_shown
}

# The master password on the configuration tab, then the configuration page.
open_configuration() {
    open_tab CONFIGURAÇÃO master_panel_shown "${tab_config[@]}"
    click "${ed_senham[@]}"
    type_text 731946
    press Return
    wait_until 10 "the configuration page after the master password" configuration_open
}

# answer_boxes_until_quiet MAX: answers each message box with Enter until
# none comes for 3 s; counts them in boxes, never more than MAX.
boxes=0
answer_boxes_until_quiet() {
    boxes=0
    while :; do
        local until_ns=$(( $(date +%s%N) + 3000000000 ))
        while no_message_box && (( $(date +%s%N) < until_ns )); do sleep 0.1; done
        message_box_shown || return 0
        answer_box Return
        boxes=$((boxes + 1))
        [ "$boxes" -le "$1" ] || fail "more than $1 message boxes"
    done
}

# memory_value KEY: the value of KEY in the simulated printer's memory.
memory_value() { sed -n "s/^$1=//p" "$ecf/estado.txt" 2>/dev/null; }

# ---------------------------------------------------------------- scenarios

# Settings for every run: maximum 500,00, taxes 10 % on meals and 20 % on
# drinks, release password 424242, two operators.
standard_settings() {
    write_settings 050000 1000 2000 424242 "MARIA SILVA" 123456 "JOAO" 654321
}

# A coupon: login, amounts with Enter, card, a CPF with two characters too
# many, "IMPRIME CUPOM"; the tape shows both items, the total, the payment,
# the tax line, the CPF and the operator.
scenario_coupon() {
    standard_settings
    start_program
    login 1 2 123456
    local from
    from=$(tape_lines)
    type_coupon 25,50 10,00 Cartao 11144477735XY
    click "${bt_imprime[@]}"
    wait_until 20 "the coupon on the tape" coupon_closed_since "$from"
    wait_until 10 "the login panel after the coupon" login_panel_shown
    no_message_box || fail "a message box is up after a good coupon"
    expect_on_tape "$from" "REFEICAO" "the meal item"
    expect_on_tape "$from" "BEBIDAS" "the drinks item"
    expect_on_tape "$from" "25,50" "the meal amount"
    expect_on_tape "$from" "10,00" "the drinks amount"
    tape_since "$from" | grep -E "^TOTAL R\\$ +35,50 *$" >/dev/null || fail "the tape lacks the total 35,50"
    coupons_since "$from" 1
    tape_since "$from" | grep -iE "cart(a|ã)o +35,50" >/dev/null || fail "the tape lacks the card payment of 35,50"
    # 2,55 + 2,00 of tax on 35,50: 12,81 %
    expect_on_tape "$from" "Vlr aprox.tributos R\$  4,55 (12,81%) Fonte=IBPT" "the tax line"
    expect_on_tape "$from" "OPERADOR: MARIA SILVA" "the operator line"
    # The document check kept the CPF's eleven digits and dropped the rest.
    tape_since "$from" | grep -E "^CPF/CNPJ consumidor: 11144477735 *$" >/dev/null ||
        fail "the tape lacks the customer's CPF 11144477735 alone"
    step "coupon checked on the tape"
}

# Above the maximum: without the release password a message, nothing
# printed; with it, the coupon.
scenario_above_maximum() {
    standard_settings
    start_program
    login 2 2 654321
    local from
    from=$(tape_lines)
    type_coupon 450,00 100,00 Dinheiro ""
    click "${bt_imprime[@]}"
    wait_until 10 "the message about the release password" message_box_shown
    answer_box Return
    sleep 1 # a coupon, were one started, would reach the tape meanwhile
    [ "$(tape_lines)" -eq "$from" ] || fail "a coupon above the maximum was printed without the release password"
    coupon_page_open || fail "the coupon page did not stay open after the message"
    step "refused without the release password"

    click "${ed_liberac[@]}"
    type_text 111111
    click "${bt_imprime[@]}"
    wait_until 10 "the message about a wrong release password" message_box_shown
    answer_box Return
    sleep 1
    [ "$(tape_lines)" -eq "$from" ] || fail "a coupon above the maximum was printed with a wrong release password"
    step "refused with a wrong release password"

    click "${ed_liberac[@]}"
    press ctrl+a BackSpace
    type_text 424242
    click "${bt_imprime[@]}"
    wait_until 20 "the coupon on the tape" coupon_closed_since "$from"
    wait_until 10 "the login panel after the coupon" login_panel_shown
    tape_since "$from" | grep -E "^TOTAL R\\$ +550,00 *$" >/dev/null || fail "the tape lacks the total 550,00"
    coupons_since "$from" 1
    expect_on_tape "$from" "Dinheiro" "the cash payment"
    expect_on_tape "$from" "OPERADOR: JOAO" "the operator line"
    step "printed with the release password"
}

# The printer is off when the coupon is totalled: the driver's messages, the
# question "try again?" answered Yes, and the coupon completes.
scenario_printer_off() {
    standard_settings
    start_program
    login 1 2 123456
    local from
    from=$(tape_lines)
    type_coupon 30,00 0 Cheque ""
    printf 'iCFTotalizarCupom_ECF_Daruma -6\n' >"$ecf/falhas"
    click "${bt_imprime[@]}"
    answer_until_coupon "$from" 6
    [ "$messages" -ge 1 ] || fail "the printer's message was not shown"
    [ "$questions" -eq 1 ] || fail "expected one retry question, saw $questions"
    [ ! -e "$ecf/falhas" ] || fail "the injected fault was not used"
    tape_since "$from" | grep -E "^TOTAL R\\$ +30,00 *$" >/dev/null || fail "the tape lacks the total 30,00"
    expect_on_tape "$from" "Cheque" "the cheque payment"
    expect_on_tape "$from" "OPERADOR: MARIA SILVA" "the operator line"
    expect_not_on_tape "$from" "BEBIDAS" "a drinks item of zero"
    expect_not_on_tape "$from" "CANCELAMENTO" "a cancellation"
    coupons_since "$from" 1
    step "coupon completed after $messages printer message(s) and the retry question"
}

# The supervisor adds an operator and lowers the maximum, saves with
# "GRAVAR"; after a restart the new operator logs in and the new maximum holds.
scenario_configuration() {
    standard_settings
    start_program
    open_configuration
    step "configuration opened"

    click "$grid_name_x" "$(grid_row_y 3)"
    type_text "PEDRO ALVES"
    press Tab
    type_text 777777
    press Return
    click "${ed_valomax[@]}"
    press ctrl+a BackSpace
    type_text 80,00
    press Tab
    local before
    before="$(cat "$settings")"
    click "${bt_gravar[@]}"
    wait_program_end
    [ "$(wc -c <"$settings")" -eq 1061 ] || fail "the saved settings are not one 1061-byte record"
    [ "$(cat "$settings")" != "$before" ] || fail "\"GRAVAR\" did not change the settings file"
    [ "$(head -c 21 "$settings")" = "100800010002000424242" ] ||
        fail "saved head of the record: $(head -c 21 "$settings")"
    [ "$(dd if="$settings" bs=1 skip=73 count=26 2>/dev/null)" = "PEDRO ALVES         777777" ] ||
        fail "operator 3 saved as: $(dd if="$settings" bs=1 skip=73 count=26 2>/dev/null)"
    [ "$(dd if="$settings" bs=1 skip=21 count=52 2>/dev/null)" = "MARIA SILVA         123456JOAO                654321" ] ||
        fail "operators 1 and 2 changed"
    step "settings saved, program ended"

    start_program
    login 3 3 777777
    local from
    from=$(tape_lines)
    type_coupon 50,00 40,00 Dinheiro ""
    click "${bt_imprime[@]}"
    wait_until 10 "the message about the new maximum" message_box_shown
    answer_box Return
    sleep 1
    [ "$(tape_lines)" -eq "$from" ] || fail "90,00 was printed above the new maximum of 80,00"
    click "${ed_valoref[@]}"
    press ctrl+a BackSpace
    type_text 30,00
    press Return
    click "${bt_imprime[@]}"
    wait_until 20 "the coupon on the tape" coupon_closed_since "$from"
    tape_since "$from" | grep -E "^TOTAL R\\$ +70,00 *$" >/dev/null || fail "the tape lacks the total 70,00"
    coupons_since "$from" 1
    expect_on_tape "$from" "OPERADOR: PEDRO ALVES" "the new operator's line"
    step "new operator printed a coupon under the new maximum"
}

# Z reduction confirmed; the printer then refuses a coupon for the rest of
# the day, and the cashier sees its message.
scenario_z_reduction() {
    standard_settings
    start_program
    login 1 2 123456
    local from
    from=$(tape_lines)
    type_coupon 12,00 0 Dinheiro ""
    click "${bt_imprime[@]}"
    wait_until 20 "the day's first coupon on the tape" coupon_closed_since "$from"
    wait_until 10 "the login panel after the coupon" login_panel_shown

    open_configuration
    from=$(tape_lines)
    # Enter takes the question's default button, "Não": nothing is printed.
    click "${bt_redz[@]}"
    wait_until 10 "the Z reduction question" message_box_shown
    answer_box Return
    sleep 1
    [ "$(tape_lines)" -eq "$from" ] || fail "the Z reduction went ahead after \"Não\""
    grep -q '^crz=0$' "$ecf/estado.txt" || fail "the printer's Z counter moved after \"Não\""
    click "${bt_redz[@]}"
    wait_until 10 "the Z reduction question" message_box_shown
    answer_box s # "Sim"
    z_printed() { grep -q '^crz=1$' "$ecf/estado.txt" 2>/dev/null && [ "$(tape_lines)" -gt "$from" ]; }
    wait_until 20 "the Z reduction" z_printed
    expect_on_tape "$from" "REDUÇÃO Z" "the Z reduction"
    step "Z reduction printed"

    login 1 2 123456
    from=$(tape_lines)
    local log_before=0
    [ -f "$driver_log" ] && log_before=$(wc -c <"$driver_log")
    type_coupon 15,00 0 Dinheiro ""
    click "${bt_imprime[@]}"
    local boxes=0
    while :; do
        # The printer's message, then "Cupom fiscal não pode ser aberto !!!".
        if [ "$boxes" -lt 2 ]; then
            wait_until 20 "the printer's message" message_box_shown
        else
            local until_ns=$(( $(date +%s%N) + 2000000000 ))
            while no_message_box && (( $(date +%s%N) < until_ns )); do sleep 0.1; done
            message_box_shown || break
        fi
        answer_box Return
        boxes=$((boxes + 1))
        [ "$boxes" -le 6 ] || fail "more message boxes than a refused opening gives"
    done
    wait_until 10 "the login panel after the refused coupon" login_panel_shown
    [ "$(tape_lines)" -eq "$from" ] || fail "the tape grew after the Z reduction: $(tape_since "$from")"
    [ -f "$driver_log" ] && [ "$(wc -c <"$driver_log")" -gt "$log_before" ] ||
        fail "the printer's refusal was not logged"
    # The driver log is Windows-1252.
    LC_ALL=C grep -qa "$(printf 'J\xe1 emitiu RZ de hoje')" "$driver_log" ||
        fail "the driver log lacks the printer's \"Já emitiu RZ de hoje\""
    LC_ALL=C grep -qa "ABRE-CUPOM" "$driver_log" || fail "the driver log lacks the refused ABRE-CUPOM"
    step "coupon refused after the Z reduction ($boxes message boxes)"

    # A second Z reduction the same day: the printer refuses it, and the
    # window says so ("Comando não executado !!!", "Já emitiu RZ de hoje").
    open_configuration
    from=$(tape_lines)
    log_before=$(wc -c <"$driver_log")
    click "${bt_redz[@]}"
    wait_until 10 "the Z reduction question" message_box_shown
    answer_box s # "Sim"
    answer_boxes_until_quiet 4
    [ "$boxes" -eq 2 ] || fail "the refused Z reduction showed $boxes message boxes, not the printer's two texts"
    [ "$(tape_lines)" -eq "$from" ] || fail "a second Z reduction was printed"
    grep -q '^crz=1$' "$ecf/estado.txt" || fail "the printer's Z counter moved on the refused Z reduction"
    tail -c +$((log_before + 1)) "$driver_log" | LC_ALL=C grep -qa "REDUCAOZ" ||
        fail "the refused Z reduction was not logged"
    configuration_open || fail "the configuration page did not stay open after the refusal"
    step "second Z reduction refused and shown ($boxes message boxes)"
}

# The printer carries out a step and answers it as failed ("feito:-6"), at the
# totalling, the payment and the closing of three coupons; each retry
# question is answered "Sim". Each coupon is printed once, COO goes up by
# one, nothing is cancelled and the day's totals count each sale once.
scenario_done_but_failed() {
    standard_settings
    start_program
    local step_function amount n=0 from gross
    for step_function in iCFTotalizarCupom_ECF_Daruma iCFEfetuarPagamentoFormatado_ECF_Daruma \
        iCFEncerrarConfigMsg_ECF_Daruma; do
        n=$((n + 1))
        amount=$((n * 10))
        login 1 2 123456
        from=$(tape_lines)
        type_coupon "$amount,00" 0 Dinheiro ""
        printf '%s feito:-6\n' "$step_function" >"$ecf/falhas"
        click "${bt_imprime[@]}"
        answer_until_coupon "$from" 4
        [ "$messages" -eq 1 ] || fail "$step_function: $messages printer messages, not 1"
        [ "$questions" -eq 1 ] || fail "$step_function: $questions retry questions, not 1"
        [ ! -e "$ecf/falhas" ] || fail "$step_function: the injected fault was not used"
        coupons_since "$from" 1
        expect_not_on_tape "$from" "CANCEL" "a cancellation after $step_function"
        tape_since "$from" | grep -E "^TOTAL R\\$ +$amount,00 *$" >/dev/null ||
            fail "the tape lacks the total $amount,00"
        [ "$(memory_value coo)" = "$n" ] || fail "COO is $(memory_value coo) after coupon $n"
        [ "$(memory_value dia.cupons)" = "$n" ] || fail "the day counts $(memory_value dia.cupons) coupons after $n"
        [ "$(memory_value dia.cancelados)" = "0" ] || fail "the day counts a cancelled coupon"
        gross=$((n * (n + 1) * 5)) # 10 + 20 + 30
        [ "$(memory_value dia.bruta)" = "$gross,0000" ] ||
            fail "the day's gross sales are $(memory_value dia.bruta), not $gross,00"
        step "$step_function done but answered -6, retried: one coupon of $amount,00"
    done
}

# Escape on the retry question: the question stays on screen and nothing is
# sent to the printer; "Sim" then completes the coupon.
scenario_escape_question() {
    standard_settings
    start_program
    login 1 2 123456
    local from box memory
    from=$(tape_lines)
    type_coupon 40,00 0 Dinheiro ""
    printf 'iCFTotalizarCupom_ECF_Daruma -6\n' >"$ecf/falhas"
    click "${bt_imprime[@]}"
    wait_until 20 "the printer's message" message_box_shown
    answer_box Return # "Impressora Desligada!!!   -6"
    wait_until 10 "the retry question" message_box_shown
    box="$(message_boxes | head -n 1)"
    memory="$(cat "$ecf/estado.txt")"
    wait_until 10 "the question to take the keyboard" box_focused "$box"
    xdo key Escape || fail "xdotool could not press Escape"
    sleep 1.5
    message_boxes | grep -qx "$box" || fail "Escape closed the retry question"
    [ "$(cat "$ecf/estado.txt")" = "$memory" ] || fail "something reached the printer after Escape"
    expect_not_on_tape "$from" "CANCEL" "a cancellation after Escape"
    step "Escape left the question up and sent nothing"
    answer_until_coupon "$from" 3
    coupons_since "$from" 1
    expect_not_on_tape "$from" "CANCEL" "a cancellation"
    step "\"Sim\" completed the coupon"
}

# The training band: with nothing chosen the simulated printer is in use and
# the band shows on the title page and over the login panel of the coupon
# page; with the recording library (no simulator) it does not.
band_red=c00000
band_page1=(14 271)   # the band's left end, free of its text, on page 1
band_page2=(18 271)   # and on page 2
band_on_title_page() { screen_is "${band_page1[@]}" "$band_red" 130 12 "$tab_off"; }
no_band_on_title_page() { screen_is "${band_page1[@]}" "$panel" 130 12 "$tab_off"; }
band_on_login_panel() { login_panel_shown && screen_is "${band_page2[@]}" "$band_red"; }
no_band_on_login_panel() { login_panel_shown && screen_is "${band_page2[@]}" "$panel"; }
scenario_training_band() {
    standard_settings
    start_program
    wait_until 10 "the training band on the title page" band_on_title_page
    open_tab CUPOM login_panel_shown "${tab_cupom[@]}"
    wait_until 10 "the training band over the login panel" band_on_login_panel
    login 1 2 123456
    screen_is "${band_page2[@]}" "$band_red" || fail "no training band on the coupon page"
    step "training band shown with the simulated printer"
    click "${tab_cupom[@]}"
    stop_pid "$app_pid"
    app_pid=""

    local recorder="$bin_dir/libecf_recorder.so"
    [ "$wine_mode" -eq 1 ] && recorder="$bin_dir/libecf_recorder.dll"
    [ -f "$recorder" ] || fail "no recording library in $bin_dir"
    start_program QUITERVAL_ECF_LIBRARY="$(program_path "$recorder")" \
        ECF_RECORDER_LOG="$(program_path "$scratch/recorder.log")"
    wait_until 10 "the title page without the band" no_band_on_title_page
    open_tab CUPOM login_panel_shown "${tab_cupom[@]}"
    wait_until 10 "the login panel without the band" no_band_on_login_panel
    step "no band with the recording library"
}

# Today's CNPJ with letters, typed in lower case: a wrong check digit gets
# "Documento inválido !!!", the right one passes without a message and
# reaches the opening in upper case.
scenario_alphanumeric_cnpj() {
    standard_settings
    start_program
    login 1 2 123456
    local from
    from=$(tape_lines)
    type_coupon 20,00 0 Dinheiro 12abc34501de36
    press Tab
    wait_until 10 "\"Documento inválido !!!\"" message_box_shown
    answer_box Return
    step "a wrong check digit is refused"
    click "${ed_documen[@]}"
    press ctrl+a BackSpace
    type_text 12abc34501de35
    press Tab
    sleep 1 # a message, were one coming, would be up by now
    no_message_box || fail "a valid CNPJ with letters got a message"
    click "${bt_imprime[@]}"
    wait_until 20 "the coupon on the tape" coupon_closed_since "$from"
    no_message_box || fail "a message box is up after the coupon"
    tape_since "$from" | grep -E "^CPF/CNPJ consumidor: 12ABC34501DE35 *$" >/dev/null ||
        fail "the tape lacks the customer's CNPJ 12ABC34501DE35"
    coupons_since "$from" 1
    step "the CNPJ with letters reached the opening in upper case"
}

# ---------------------------------------------------------------- NFC-e

# nfce_start_sefaz CONTINGENCY_SECONDS: the tests' certificates, the
# stand-in SEFAZ on the loopback and an nfce.conf of homologação pointing at
# it, with that many seconds before a note goes into contingency.
nfce_start_sefaz() {
    if [ "$wine_mode" -eq 1 ]; then
        echo "e2e: the Windows window has no NFC-e; skipped"
        exit 77
    fi
    local tool
    for tool in openssl xmllint xmlsec1 zbarimg; do
        if ! command -v "$tool" >/dev/null; then
            echo "e2e: $tool is not installed (scripts/test installs it); skipped"
            exit 77
        fi
    done
    [ -x "$bin_dir/quiterval-sefaz-simulada" ] || fail "no stand-in SEFAZ in $bin_dir"
    source "$e2e_dir/../../scripts/lib/nfce_training.sh"
    nfce_training_start "$training" "$bin_dir" "$1" >"$scratch/training.log" 2>&1 ||
        fail "the stand-in SEFAZ did not start: $(cat "$scratch/training.log")"
    mkdir -p "$nfce_dir" "$thermal"
    step "stand-in SEFAZ on port $NFCE_SEFAZ_PORT, contingency after $1 s"
}

# sefaz_rules LINE...: what the stand-in does from its next request on
# (comportamento=..., rejeicao=...), written whole: it reads the file at
# every request.
sefaz_rules() {
    printf '%s\n' "$@" >"$training/controle.tmp" && mv "$training/controle.tmp" "$training/controle.txt" ||
        fail "could not write the stand-in's control file"
}

# The window issuing NFC-e through the stand-in.
start_nfce_program() {
    start_program QUITERVAL_ECF_LIBRARY=nfce NFCE_CONF="$training/nfce.conf" NFCE_DIR="$nfce_dir" \
        THERMALSIM_DIR="$thermal"
}

# kill -9, as a power cut or a crash would end it.
kill_program() {
    kill -KILL "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    app_pid=""
    main_window=""
    step "program killed ($1)"
}

# The DANFEs printed on the simulated thermal printer (not the X and Z
# reports), and the paper of a note as one line of text.
danfe_count() { find "$thermal" -name '[0-9]*.txt' 2>/dev/null | wc -l; }
danfe_printed_since() { [ "$(danfe_count)" -gt "$1" ]; }
danfe_text() {
    [ -f "$thermal/$1.txt" ] || fail "no DANFE of the key $1 on the thermal printer"
    tr '\n' ' ' <"$thermal/$1.txt" | tr -s ' '
}
expect_on_danfe() { # KEY TEXT WHAT
    danfe_text "$1" | grep -qF -- "$2" || fail "the DANFE lacks $3: \"$2\""
}
# The access key as the DANFE shows it: in groups of four.
key_in_groups() { sed 's/..../& /g; s/ $//' <<<"$1"; }

# The driver log's bytes after byte $1, as text.
driver_log_since() { tail -c +$(($1 + 1)) "$driver_log" 2>/dev/null | iconv -f CP1252 -t UTF-8; }
driver_log_size() { if [ -f "$driver_log" ]; then wc -c <"$driver_log"; else echo 0; fi; }

# nfce_sale MEAL DRINKS PAYMENT DOCUMENT: logs in, types the coupon and
# presses "IMPRIME CUPOM"; danfes_before holds the DANFEs printed before.
danfes_before=0
nfce_sale() {
    login 1 2 123456
    type_coupon "$@"
    danfes_before=$(danfe_count)
    click "${bt_imprime[@]}"
}

# imprime_past_sale_left MEAL DRINKS PAYMENT DOCUMENT, after nfce_sale with
# them: a coupon does not open over a sale the killed program left in its
# closing. That sale's note is finished (its DANFE printed), the cashier is
# told so and the form goes back to the login; the new sale is then typed
# and printed again. Sets left_finished to 1 when that happened.
left_finished=0
imprime_past_sale_left() {
    left_finished=0
    local until_ns=$(( $(date +%s%N) + 3000000000 ))
    while no_message_box && (( $(date +%s%N) < until_ns )); do sleep 0.1; done
    message_box_shown || return 0
    answer_boxes_until_quiet 3
    left_finished=1
    step "the sale the killed program left was finished first, and the cashier told"
    wait_until 10 "the login panel after the coupon that did not open" login_panel_shown
    nfce_sale "$@"
}

# A sale the state takes at once: its DANFE, no message box, the login back.
nfce_good_sale() {
    nfce_sale "$@"
    wait_until 30 "the DANFE on the thermal printer" danfe_printed_since "$danfes_before"
    wait_until 10 "the login panel after the coupon" login_panel_shown
    no_message_box || fail "a message box is up after the NFC-e: $(message_boxes)"
}

# Where the band's words begin, centred as they are: other words begin
# elsewhere, and words too wide for the band begin at its very edge (x=16),
# cut. Measured over the login panel's band.
band_words_left() { first_other_x 16 338 269 279 "$band_red"; }

# An authorised note: the DANFE with the items, the total, the payment, the
# key in groups of four and the homologação words; the nfeProc valid and
# signed; the QR code read from the paper's picture equal to the note's; the
# band red with homologação.
scenario_nfce_authorised() {
    nfce_start_sefaz 5
    standard_settings
    start_nfce_program
    wait_until 10 "the homologação band on the title page" band_on_title_page
    nfce_sale 25,50 10,00 Cartao 11144477735
    screen_is "${band_page2[@]}" "$band_red" || fail "no homologação band on the coupon page"
    wait_until 30 "the DANFE on the thermal printer" danfe_printed_since "$danfes_before"
    wait_until 10 "the login panel after the coupon" login_panel_shown
    no_message_box || fail "a message box is up after the NFC-e"
    wait_until 10 "the homologação band over the login panel" band_on_login_panel
    nfce_expect_state 1 autorizada
    local key proc qr read
    key="$(nfce_key 1)"
    [ "${#key}" -eq 44 ] || fail "the journal's key of number 1 is \"$key\""
    sefaz_keys | grep -qx "$key" || fail "the stand-in did not authorise $key"
    step "note 1 authorised: $key"

    expect_on_danfe "$key" "BEBIDAS" "the drinks item"
    expect_on_danfe "$key" "25,50" "the meal amount"
    expect_on_danfe "$key" "10,00" "the drinks amount"
    expect_on_danfe "$key" "35,50" "the total"
    danfe_text "$key" | grep -qiE "cart(a|ã)o" || fail "the DANFE lacks the card payment"
    expect_on_danfe "$key" "$(key_in_groups "$key")" "the access key in groups of four"
    expect_on_danfe "$key" "EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL" "the homologação words"
    danfe_text "$key" | grep -qE "111\.?444\.?777-?35" || fail "the DANFE lacks the consumer's CPF"
    expect_not_on_danfe "$key" "CONTINGÊNCIA" "contingency"
    step "DANFE text checked"

    proc="$(xml_of "$key" -procNFe.xml)"
    [ -n "$proc" ] || fail "no nfeProc of $key in the xml tree"
    [ "$(xml_text "$proc" vNF)" = "35.50" ] || fail "the note's total is $(xml_text "$proc" vNF)"
    [ "$(xml_text "$proc" nNF)" = "1" ] || fail "the note's number is $(xml_text "$proc" nNF)"
    [ "$(xml_text "$proc" CPF)" = "11144477735" ] || fail "the note's CPF is $(xml_text "$proc" CPF)"
    [ "$(xml_text "$proc" cStat)" = "100" ] || fail "the nfeProc's status is $(xml_text "$proc" cStat)"
    nfce_check_xml 3
    qr="$(xml_text "$proc" qrCode)"
    [ -n "$qr" ] || fail "the nfeProc has no qrCode"
    read="$(zbarimg --quiet --raw -Sdisable -Sqrcode.enable "$thermal/$key.png" 2>"$scratch/zbarimg.log")" ||
        fail "zbarimg read no QR code from the DANFE's picture: $(cat "$scratch/zbarimg.log")"
    [ "$read" = "$qr" ] || fail "the DANFE's QR code reads \"$read\", the note's is \"$qr\""
    step "QR code read from the DANFE's picture equals the note's"
    expect_qr_hash "$read"
}

# expect_qr_hash QR: the hash ending a QR code of version 2 (online or
# offline) is the SHA-1 of the fields before it followed by the training
# set's CSC, recomputed here with openssl.
expect_qr_hash() {
    local fields="${1#*\?p=}" csc
    csc="$(sed -n 's/^CSC=//p' "$training/nfce.conf")"
    local given="${fields##*|}" signed="${fields%|*}"
    [[ "$signed" =~ ^[0-9A-Z]{44}\|2\|2\| ]] || fail "the QR code is not of version 2: $1"
    local computed
    computed="$(printf '%s%s' "$signed" "$csc" | openssl dgst -sha1 -r | cut -d' ' -f1 | tr a-f A-F)"
    [ "$computed" = "$given" ] || fail "the QR code's hash is $given, recomputed $computed"
    step "QR code's hash recomputed with the CSC"
}
expect_not_on_danfe() { # KEY TEXT WHAT
    ! danfe_text "$1" | grep -qF -- "$2" || fail "the DANFE shows $3: \"$2\""
}

# A rejection: the state's reason in a box and in the driver log, nothing
# printed, the number left free. "Não" on the retry question drops the
# coupon; typed again with the state accepting, it takes the same number.
# A second rejection answered "Sim" once its cause is gone: the same coupon
# goes again and is authorised with the next number.
scenario_nfce_rejection() {
    nfce_start_sefaz 5
    standard_settings
    start_nfce_program
    sefaz_rules comportamento=rejeitar rejeicao=539
    local log_from proc
    log_from=$(driver_log_size)
    nfce_sale 30,00 0 Dinheiro ""
    wait_until 30 "the rejection's message" message_box_shown
    answer_box Return
    wait_until 10 "the retry question" message_box_shown
    driver_log_since "$log_from" | grep -q "Rejeição 539: Erro não catalogado" ||
        fail "the driver log lacks \"Rejeição 539: Erro não catalogado\""
    driver_log_since "$log_from" | grep -q "TERM-FECTO-CUPOM" || fail "the driver log lacks the command"
    nfce_expect_state 1 rejeitada
    [ "$(danfe_count)" -eq 0 ] || fail "a rejected note was printed"
    [ -z "$(sefaz_keys)" ] || fail "the stand-in holds a note it rejected"
    answer_box n # "Não": the coupon is dropped
    wait_until 10 "the login panel after the dropped coupon" login_panel_shown
    answer_boxes_until_quiet 0
    nfce_expect_state 1 rejeitada
    step "rejected with 539: number 1 free, nothing printed, the coupon dropped"

    sefaz_rules comportamento=autorizar
    nfce_good_sale 30,00 0 Dinheiro ""
    nfce_expect_state 1 autorizada
    proc="$(xml_of "$(nfce_key 1)" -procNFe.xml)"
    [ -n "$proc" ] && [ "$(xml_text "$proc" nNF)" = "1" ] && [ "$(xml_text "$proc" vNF)" = "30.00" ] ||
        fail "the coupon typed again is not note 1 of 30.00"
    step "the coupon typed again: authorised with number 1"

    sefaz_rules comportamento=rejeitar rejeicao=225 "motivo=Rejeição: Falha no Schema XML do lote de NFe"
    log_from=$(driver_log_size)
    nfce_sale 40,00 0 Cheque ""
    wait_until 30 "the rejection's message" message_box_shown
    answer_box Return
    wait_until 10 "the retry question" message_box_shown
    driver_log_since "$log_from" | grep -q "Rejeição 225: Falha no Schema XML do lote de NFe" ||
        fail "the driver log lacks the state's own reason for 225"
    nfce_expect_state 2 rejeitada
    sefaz_rules comportamento=autorizar
    danfes_before=$(danfe_count)
    answer_box s # "Sim": the same coupon again
    wait_until 30 "the DANFE of the coupon sent again" danfe_printed_since "$danfes_before"
    wait_until 10 "the login panel after the coupon" login_panel_shown
    no_message_box || fail "a message box is up after the coupon sent again"
    nfce_expect_state 2 autorizada
    proc="$(xml_of "$(nfce_key 2)" -procNFe.xml)"
    [ -n "$proc" ] && [ "$(xml_text "$proc" nNF)" = "2" ] && [ "$(xml_text "$proc" vNF)" = "40.00" ] ||
        fail "the coupon sent again is not note 2 of 40.00"
    step "rejected with 225, sent again with \"Sim\": authorised with number 2"
    nfce_check_xml 6
    nfce_check_invariants "30.00 40.00" ""
}

# No answer: after the limit the coupon prints in contingency, is queued and
# the band says so; with the state back, the next coupon sends the queue
# first, both notes are authorised and the band is homologação's again.
scenario_nfce_contingency() {
    nfce_start_sefaz 2
    standard_settings
    start_nfce_program
    sefaz_rules comportamento=sem-resposta espera=20
    open_tab CUPOM login_panel_shown "${tab_cupom[@]}"
    wait_until 10 "the homologação band over the login panel" band_on_login_panel
    local homologation_left key1 key2 queued
    homologation_left="$(band_words_left)"
    [ -n "$homologation_left" ] || fail "the band shows no words"
    nfce_good_sale 21,00 0 Dinheiro ""
    nfce_expect_state 1 contingencia
    key1="$(nfce_key 1)"
    expect_on_danfe "$key1" "EMITIDA EM CONTINGÊNCIA" "the contingency words"
    expect_not_on_danfe "$key1" "Protocolo" "a protocol"
    [ "$(queue_size)" -eq 1 ] || fail "$(queue_size) notes queued, not one"
    queued="$(find "$nfce_dir/contingencia" -name "*-$key1.xml")"
    [ "$(xml_text "$queued" tpEmis)" = "9" ] || fail "the queued note is not of tpEmis 9"
    expect_qr_hash "$(zbarimg --quiet --raw -Sdisable -Sqrcode.enable "$thermal/$key1.png" 2>/dev/null)"
    [ -z "$(sefaz_keys)" ] || fail "the stand-in authorised a note it never answered"
    contingency_band() {
        local left
        left="$(band_words_left)"
        band_on_login_panel && [ -n "$left" ] && [ "$left" -ne "$homologation_left" ] &&
            [ "$left" -gt 20 ]
    }
    wait_until 10 "the contingency band (other words than homologação's, not cut)" contingency_band
    step "issued in contingency, queued; the band's words from x=$(band_words_left), homologação's from x=$homologation_left"

    sefaz_rules comportamento=autorizar
    nfce_good_sale 22,00 0 Cheque ""
    nfce_expect_state 1 autorizada
    nfce_expect_state 2 autorizada
    [ "$(nfce_key 1)" = "$key1" ] || fail "number 1 was authorised under another key than its DANFE's"
    key2="$(nfce_key 2)"
    [ "$(sefaz_keys | tr '\n' ' ')" = "$key1 $key2 " ] ||
        fail "the stand-in authorised $(sefaz_keys | tr '\n' ' '), not the queue before the new note"
    [ "$(queue_size)" -eq 0 ] || fail "the queue still holds $(queue_size) notes"
    homologation_band() { band_on_login_panel && [ "$(band_words_left)" = "$homologation_left" ]; }
    wait_until 10 "the homologação band again" homologation_band
    step "the queue sent before the next coupon: both authorised, band back to homologação"
    nfce_check_xml 5
    nfce_check_invariants "21.00 22.00" ""
}

# A lost answer: the stand-in authorises and drops the connection, the
# lookup's answer is lost too, so the coupon prints in contingency with the
# same number. Killed, restarted with the stand-in answering: before the
# next coupon the offline note is refused as a duplicate, the first key is
# looked up and found authorised; number 1 is not used again, the new coupon
# takes number 2.
scenario_nfce_lost_answer() {
    nfce_start_sefaz 3
    standard_settings
    start_nfce_program
    sefaz_rules comportamento=resposta-perdida
    local first offline answer
    nfce_good_sale 33,00 0 Dinheiro ""
    first="$(sefaz_keys)"
    [ "$(wc -w <<<"$first")" -eq 1 ] && [ "$(key_number "$first")" -eq 1 ] ||
        fail "the stand-in should hold number 1 alone, holds: $first"
    nfce_expect_state 1 contingencia
    offline="$(nfce_key 1)"
    [ "$offline" != "$first" ] || fail "the offline note has the first note's key"
    expect_on_danfe "$offline" "EMITIDA EM CONTINGÊNCIA" "the contingency words"
    step "answer lost: authorised at the stand-in as $first, printed in contingency"
    kill_program "after the lost answer"

    sefaz_rules comportamento=autorizar
    start_nfce_program
    nfce_good_sale 34,00 0 Dinheiro ""
    nfce_expect_state 1 autorizada
    [ "$(nfce_key 1)" = "$first" ] || fail "number 1 is journalled under $(nfce_key 1), not $first"
    answer="$(xml_of "$first" -consulta.xml)"
    [ -n "$answer" ] && [ "$(xml_text "$answer" cStat)" = "100" ] ||
        fail "the first key was not looked up and found authorised"
    nfce_expect_state 2 autorizada
    [ "$(key_number "$(nfce_key 2)")" -eq 2 ] || fail "the new coupon did not take number 2"
    [ "$(sefaz_keys | wc -l)" -eq 2 ] || fail "the stand-in holds $(sefaz_keys | wc -l) notes, not two"
    [ "$(queue_size)" -eq 0 ] || fail "the queue still holds $(queue_size) notes"
    step "restarted: number 1 looked up and kept, the new coupon is number 2"
    nfce_check_xml 5
    nfce_check_invariants "33.00 34.00" ""
}

# "CANCELA ÚLT. CUPOM" in time: the cancellation event registered and kept;
# past the state's limit: its refusal in a box and in the driver log, and
# the note stays authorised.
bt_cancela=(268 299) # coupon page: "CANCELA ÚLT. CUPOM"
scenario_nfce_cancel() {
    nfce_start_sefaz 5
    standard_settings
    start_nfce_program
    local key1 key2 answer log_from
    nfce_good_sale 18,00 0 Dinheiro ""
    nfce_expect_state 1 autorizada
    key1="$(nfce_key 1)"
    login 1 2 123456
    click "${bt_cancela[@]}"
    cancelled() { [ "$(nfce_state 1)" = cancelada ]; }
    wait_until 20 "the cancellation of note 1" cancelled
    wait_until 10 "the login panel after the cancellation" login_panel_shown
    answer_boxes_until_quiet 0
    sefaz_cancelled | grep -qx "$key1" || fail "the stand-in did not register the cancellation of $key1"
    [ -n "$(xml_of "$key1" -cancelamento.xml)" ] || fail "the cancellation event is not kept"
    answer="$(xml_of "$key1" -cancelamento-retorno.xml)"
    [ -n "$answer" ] && [ "$(xml_text "$answer" cStat)" = "128" ] ||
        fail "the cancellation's answer is not kept"
    [ "$(xmllint --xpath "string(//*[local-name()='retEvento']//*[local-name()='cStat'])" "$answer")" = "135" ] ||
        fail "the cancellation was not registered (135)"
    step "note 1 cancelled in time"

    sefaz_rules prazo-cancelamento=0
    nfce_good_sale 19,00 0 Dinheiro ""
    nfce_expect_state 2 autorizada
    key2="$(nfce_key 2)"
    sleep 1.1 # the stand-in counts whole seconds past the authorisation
    login 1 2 123456
    log_from=$(driver_log_size)
    click "${bt_cancela[@]}"
    wait_until 20 "the refusal of the late cancellation" message_box_shown
    answer_boxes_until_quiet 2
    [ "$boxes" -ge 1 ] || fail "no message for the late cancellation"
    driver_log_since "$log_from" | grep -q "Rejeição 501: Prazo de cancelamento superior ao previsto" ||
        fail "the driver log lacks the state's refusal 501"
    driver_log_since "$log_from" | grep -q "CANC-CUPOM" || fail "the driver log lacks CANC-CUPOM"
    nfce_expect_state 2 autorizada
    ! sefaz_cancelled | grep -qx "$key2" || fail "the stand-in cancelled $key2 past its limit"
    step "the late cancellation refused: note 2 stays authorised"
    nfce_check_xml 8
    nfce_check_invariants "18.00 19.00" ""
}

# How many requests to SERVICE the stand-in has held without an answer.
held_requests() { grep -c "$1 sem-resposta" "$training/sefaz/sefaz-simulada.log" 2>/dev/null; }

# kill -9 at each step of a note that shows from outside, each followed by a
# restart: while the state holds the note (journalled as sent), right after
# an authorised DANFE, right after a DANFE in contingency, while the queue
# is being sent before the next coupon, and while the state holds the
# cancellation of the last note. A note whose closing had begun is finished
# by the next command under its own number and key, never issued again; a
# coupon cut off before its closing began is never issued. Then what must
# hold whatever was killed: every sale whose closing began is one note, a
# sale cut off before is none, no number is used twice with different
# contents and none is skipped without a record.
scenario_nfce_kill() {
    nfce_start_sefaz 6
    standard_settings
    sefaz_rules comportamento=sem-resposta espera=30
    start_nfce_program
    local first held
    nfce_sale 11,00 0 Dinheiro ""
    sent() { [ "$(nfce_state 1)" = enviada ]; }
    wait_until 20 "note 1 journalled as sent" sent
    first="$(nfce_key 1)"
    kill_program "while the state holds note 1"

    sefaz_rules comportamento=autorizar
    start_nfce_program
    nfce_sale 12,00 0 Dinheiro ""
    wait_until 30 "the box saying the sale left was finished" message_box_shown
    imprime_past_sale_left 12,00 0 Dinheiro ""
    [ "$(danfe_count)" -ge 1 ] || fail "the note left was finished without its DANFE"
    wait_until 30 "the DANFE of the new coupon" danfe_printed_since "$danfes_before"
    kill_program "right after an authorised DANFE"
    # The note left sent was looked up (the state never got it: 217) and
    # sent again under its own number and key before the new coupon began.
    [ "$(xml_text "$(xml_of "$first" -consulta.xml)" cStat)" = "217" ] ||
        fail "the note left sent ($first) was not looked up"
    nfce_expect_state 1 autorizada
    [ "$(nfce_key 1)" = "$first" ] || fail "the note left sent was issued again under another key"
    [ "$(authorised_amount 1)" = "11.00" ] || fail "number 1 is not the sale of 11,00"
    nfce_expect_state 2 autorizada
    [ "$(authorised_amount 2)" = "12.00" ] || fail "number 2 is not the sale of 12,00"

    sefaz_rules comportamento=sem-resposta espera=30
    start_nfce_program
    nfce_sale 13,00 0 Dinheiro ""
    # Killed right after its DANFE, the last coupon may still be in its
    # closing: then this coupon finishes it first.
    imprime_past_sale_left 13,00 0 Dinheiro ""
    wait_until 30 "the DANFE in contingency" danfe_printed_since "$danfes_before"
    kill_program "right after a DANFE in contingency"
    nfce_expect_state 3 contingencia

    start_nfce_program
    held=$(held_requests NFeAutorizacao4)
    nfce_sale 14,00 0 Dinheiro ""
    imprime_past_sale_left 14,00 0 Dinheiro ""
    queue_held() { [ "$(held_requests NFeAutorizacao4)" -gt "$held" ]; }
    wait_until 20 "the queue's note held by the state" queue_held
    kill_program "while the queue is being sent"
    nfce_expect_state 3 contingencia
    [ "$(queue_size)" -eq 1 ] || fail "$(queue_size) notes queued, not one"

    sefaz_rules comportamento=autorizar
    start_nfce_program
    nfce_good_sale 15,00 0 Dinheiro ""
    nfce_expect_state 3 autorizada
    nfce_expect_state 4 autorizada
    [ "$(authorised_amount 4)" = "15.00" ] || fail "number 4 is not the sale of 15,00"
    [ "$(queue_size)" -eq 0 ] || fail "the queue still holds $(queue_size) notes"
    step "after the restart: the queue sent, the new coupon is number 4"

    sefaz_rules comportamento=sem-resposta espera=30
    held=$(held_requests NFeRecepcaoEvento4)
    login 1 2 123456
    click "${bt_cancela[@]}"
    cancel_held() { [ "$(held_requests NFeRecepcaoEvento4)" -gt "$held" ]; }
    wait_until 20 "the cancellation held by the state" cancel_held
    kill_program "while the state holds the cancellation"
    nfce_expect_state 4 autorizada
    sefaz_rules comportamento=autorizar
    start_nfce_program
    login 1 2 123456
    click "${bt_cancela[@]}"
    cancelled() { [ "$(nfce_state 4)" = cancelada ]; }
    wait_until 20 "the cancellation of note 4" cancelled
    wait_until 10 "the login panel after the cancellation" login_panel_shown
    answer_boxes_until_quiet 0
    [ "$(sefaz_cancelled)" = "$(nfce_key 4)" ] || fail "the stand-in's cancellations: $(sefaz_cancelled)"
    step "after the restart: note 4 cancelled once"
    nfce_check_xml 12
    # The coupon of 14,00, cut off while the queue was sent, had no number
    # yet: it must be in no note.
    nfce_check_invariants "11.00 12.00 13.00 15.00" ""
}

# The manuals' pictures of the window in each state a cashier or supervisor
# meets, as PNG files in OUT_DIR: janela[-windows]-pagina1, -login, -cupom,
# -senha-master and -pagina3.
picture() {
    local name="janela-$1.png"
    [ "$wine_mode" -eq 1 ] && name="janela-windows-$1.png"
    sleep 0.5 # the last paint
    timeout 10 xwd -id "$main_window" -silent >"$scratch/picture.xwd" &&
        timeout 20 convert "xwd:$scratch/picture.xwd" "png:$out_dir/$name" ||
        fail "could not take the picture $name"
    step "picture $out_dir/$name"
}
scenario_pictures() {
    command -v convert >/dev/null || fail "the pictures need ImageMagick's convert"
    standard_settings
    start_program
    picture pagina1
    open_tab CUPOM login_panel_shown "${tab_cupom[@]}"
    picture login
    login 1 2 123456
    type_coupon 25,50 10,00 Cartao 11144477735
    picture cupom
    open_tab CONFIGURAÇÃO master_panel_shown "${tab_config[@]}"
    picture senha-master
    click "${ed_senham[@]}"
    type_text 731946
    press Return
    wait_until 10 "the configuration page after the master password" configuration_open
    picture pagina3
}

# ---------------------------------------------------------------- run

case "$scenario" in
    coupon | above_maximum | printer_off | configuration | z_reduction | done_but_failed | \
        escape_question | training_band | alphanumeric_cnpj | nfce_authorised | nfce_rejection | \
        nfce_contingency | nfce_lost_answer | nfce_cancel | nfce_kill | pictures) ;;
    *) echo "e2e: unknown scenario $scenario" >&2; exit 2 ;;
esac
start_x
"scenario_$scenario"
if [ -n "${E2E_KEEP:-}" ]; then
    # What the run wrote; a run that printed nothing has no tape.
    rm -rf "$E2E_KEEP"
    mkdir -p "$E2E_KEEP"
    for file in "$tape" "$ecf/estado.txt" "$settings" "$driver_log"; do
        [ ! -f "$file" ] || cp "$file" "$E2E_KEEP/" || fail "could not keep $file"
    done
    # An NFC-e run's paper, journal and XML tree, and the stand-in's records.
    for folder in "$thermal" "$nfce_dir" "$training/sefaz"; do
        [ ! -d "$folder" ] || cp -r "$folder" "$E2E_KEEP/" || fail "could not keep $folder"
    done
fi
step "passed"
