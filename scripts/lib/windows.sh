# The Windows builds and their tests under Wine (scripts/test --windows).
# Sourced after lib/common.sh, not run.

# Debian's cross compilers (the -posix thread model: the code uses
# std::mutex); Wine for both builds (wine32 runs the 32-bit programs in the
# same 64-bit prefix); makensis for the installer; an X server and a window
# manager for the Windows programs that open windows (Wine gives the focus
# reliably only under a window manager).
QUITERVAL_PACKAGES+=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64 wine32:i386
    nsis
    openbox
)

# wine32 is an i386 package: the architecture is added once, before the
# package lists are read.
ensure_i386_architecture() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "quiterval: adding the i386 architecture (for wine32)"
        as_root dpkg --add-architecture i386
        as_root apt-get update -qq
    fi
}

# Starts, for this run: a Wine server in a private, fresh prefix, so that no
# test waits for Wine's service processes and nothing of the user's own
# prefix takes part; a private X server (the display number it picks
# itself) with a window manager, as DISPLAY. All of it ends with the script.
start_wine() {
    WINE_RUN="$(mktemp -d "${TMPDIR:-/tmp}/quiterval-wine-XXXXXX")"
    WINEPREFIX="$WINE_RUN/prefixo"
    mkdir "$WINEPREFIX"
    # No menu entries on the Linux desktop for the shortcuts a test makes.
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    trap stop_wine EXIT

    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp -noreset \
        9>"$WINE_RUN/display" >"$WINE_RUN/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 150); do
        [ -s "$WINE_RUN/display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$WINE_RUN/display" ]; then
        echo "quiterval: Xvfb did not start: $(cat "$WINE_RUN/xvfb.log")" >&2
        return 1
    fi
    export DISPLAY=":$(tr -dc '0-9' <"$WINE_RUN/display")"
    openbox --sm-disable >"$WINE_RUN/openbox.log" 2>&1 &
    OPENBOX_PID=$!

    wineserver -p >/dev/null 2>&1 # persistent: the tests find it running
    wineboot -i >/dev/null 2>&1
}

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
    [ -z "${OPENBOX_PID:-}" ] || kill "$OPENBOX_PID" 2>/dev/null || true
    [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$WINE_RUN"
}

# The build's programs are of the machine they are meant for: a 32-bit
# build whose programs were 64-bit (or the reverse) would pass its tests
# under the wrong Wine.
check_machine() {
    local build="$1" format="$2" objdump="$3"
    if ! "$objdump" -f "$build/bin/platform_tests.exe" | grep -q "file format $format"; then
        echo "quiterval: $build/bin/platform_tests.exe is not $format" >&2
        return 1
    fi
}

# run_windows_tests LABEL BUILD: every test of BUILD under Wine, timed.
run_windows_tests() {
    local label="$1" build="$2" start status=0
    start=$SECONDS
    # Under Wine, about one test program start in a thousand ends before the
    # program prints anything (no output at all, within a tenth of a
    # second) and the same test passes when started again: such a test is
    # run once more. A test that fails twice fails the run.
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 300 --no-tests=error \
        --repeat until-pass:2 || status=$?
    echo "quiterval: $label: ctest in $build took $((SECONDS - start)) s (exit $status)"
    return "$status"
}

test_windows() {
    ensure_i386_architecture
    ensure_packages
    configure_and_build windows-i686 "$QUITERVAL_ROOT/build-windows-i686"
    configure_and_build windows "$QUITERVAL_ROOT/build-windows"
    check_machine "$QUITERVAL_ROOT/build-windows-i686" pei-i386 i686-w64-mingw32-objdump
    check_machine "$QUITERVAL_ROOT/build-windows" pei-x86-64 x86_64-w64-mingw32-objdump
    start_wine
    local status=0
    run_windows_tests "32-bit Wine (i686)" "$QUITERVAL_ROOT/build-windows-i686" || status=1
    run_windows_tests "64-bit Wine (x86_64)" "$QUITERVAL_ROOT/build-windows" || status=1
    return "$status"
}
