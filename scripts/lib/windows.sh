# The Windows build and its tests under Wine (scripts/test --windows).
# Sourced after lib/common.sh, not run.

# Debian's cross compilers (the -posix thread model: the code uses
# std::mutex) and Wine, 64-bit only: the 32-bit build is built, not run.
QUITERVAL_PACKAGES+=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    wine wine64
)

# Starts a Wine server in a private, fresh prefix, so that no test waits for
# Wine's service processes and nothing of the user's own prefix takes part.
start_wine() {
    WINEPREFIX="$(mktemp -d)"
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    wineserver -p >/dev/null 2>&1 # persistent: the tests find it running
    wineboot -i >/dev/null 2>&1
}

test_windows() {
    ensure_packages
    configure_and_build windows-i686 "$QUITERVAL_ROOT/build-windows-i686"
    configure_and_build windows "$QUITERVAL_ROOT/build-windows"
    start_wine
    # Under Wine, about one test program start in a thousand ends before the
    # program prints anything (no output at all, within a tenth of a
    # second) and the same test passes when started again: such a test is
    # run once more. A test that fails twice fails the run.
    ctest --test-dir "$QUITERVAL_ROOT/build-windows" --output-on-failure -j2 --timeout 300 \
        --repeat until-pass:2
}
