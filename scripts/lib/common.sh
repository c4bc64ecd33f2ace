# Shared by the scripts: installs what the build needs, configures, builds.
# Sourced, not run.

QUITERVAL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and the program need.
QUITERVAL_PACKAGES=(
    build-essential g++ clang libclang-rt-dev cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    clang-format clang-tidy
    xvfb xauth xdotool x11-apps imagemagick
    fonts-liberation2 fonts-wine fonts-dejavu-core
    dpkg-dev file jq
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are missing, and only those.
ensure_packages() {
    local missing=()
    local p
    for p in "${QUITERVAL_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "quiterval: installing ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
    fi
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local dir="$1"
    shift
    local gen=()
    if command -v ninja >/dev/null; then gen=(-G Ninja); fi
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$QUITERVAL_ROOT" -B "$dir" "${gen[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    else
        cmake -S "$QUITERVAL_ROOT" -B "$dir" "$@" >/dev/null
    fi
    cmake --build "$dir" -j2
}
