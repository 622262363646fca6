# Shared by the scripts: package installation and the build. Source it, don't run it.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

# What building and running the console needs.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev fonts-liberation
    libgeographiclib-dev libqcustomplot-dev)
# The virtual X server, and the tools that drive it and read the screen (end-to-end tests).
DISPLAY_PACKAGES=(xvfb xauth xdotool xclip imagemagick python3)
# Benchmarks and fuzzing.
BENCH_PACKAGES=(libbenchmark-dev libxcb1-dev)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The validators of the installed desktop entry and AppStream metadata.
PACKAGE_CHECK_PACKAGES=(desktop-file-utils appstream)

log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }

# Installs the Debian packages of the arguments that are missing (and only those).
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds the given targets, or everything.
build() {
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        local launcher=()
        command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j "$(nproc)" ${1:+--target "$@"} >&2
}

# Installs the build into a scratch folder and validates the desktop entry and the AppStream
# metadata there.
check_installed_tree() {
    local tree=$BUILD_DIR/install-check
    rm -rf "$tree"
    DESTDIR=$tree cmake --install "$BUILD_DIR" --prefix /usr >/dev/null
    local f
    for f in "$tree"/usr/share/applications/*.desktop; do
        desktop-file-validate "$f"
    done
    for f in "$tree"/usr/share/metainfo/*.metainfo.xml; do
        appstreamcli validate --no-net --pedantic "$f" >&2
    done
    log "installed tree valid: $(cd "$tree" && find . -type f | wc -l) files"
}

# A private runtime directory silences Qt's warning about a missing one.
private_runtime_dir() {
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$BUILD_DIR/xdg-runtime}
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}

# Waits until file $1 holds a line matching $2, at most $3 seconds.
wait_for_line() {
    local file=$1 pattern=$2 seconds=$3 i
    for ((i = 0; i < seconds * 10; i++)); do
        grep -q -- "$pattern" "$file" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}
