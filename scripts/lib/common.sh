# Shared by the scripts: installs what the build needs, configures, builds.
# Sourced, not run.

QUITERVAL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian packages the build, the tests and the program need.
QUITERVAL_PACKAGES=(
    build-essential g++ clang libclang-rt-dev cmake ninja-build pkg-config libxml2-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev libxkbcommon-dev
    clang-format clang-tidy
    xvfb xauth xdotool x11-apps imagemagick
    fonts-liberation2 fonts-wine fonts-dejavu-core
    dpkg-dev file jq libxml2-utils
    libqrencode-dev libpng-dev zbar-tools console-setup-linux
    libssl-dev openssl xmlsec1 libcurl4-openssl-dev
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

# configure_and_build PRESET BUILD_DIR [cmake options...]
# Configures and builds the preset PRESET of CMakePresets.json, whose build
# folder is BUILD_DIR.
configure_and_build() {
    local preset="$1"
    local dir="$2"
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        (cd "$QUITERVAL_ROOT" && cmake --preset "$preset" "$@")
    else
        (cd "$QUITERVAL_ROOT" && cmake --preset "$preset" "$@" >/dev/null)
    fi
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        echo "quiterval: the preset $preset does not build in $dir (see CMakePresets.json)" >&2
        return 1
    fi
    (cd "$QUITERVAL_ROOT" && cmake --build --preset "$preset")
}
