# Shared helpers for scripts/test and scripts/demo. Source it; do not run it.
# The variables below are used by the scripts that source this file.
# shellcheck shell=bash disable=SC2034

# Debian packages the build and the tests need. Add here what later work needs
# (unixODBC, ODBC drivers, database servers, Qt6, ...).
DBPROBE_PACKAGES=(
    cmake
    g++
    ninja-build
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    pkg-config
    # the desktop program's window services
    qt6-base-dev
    libgl-dev
    fonts-dejavu-core
    # the headless runner: its arguments and its JSON report
    libcli11-dev
    nlohmann-json3-dev
    # ODBC driver manager and the drivers the tests use
    unixodbc
    unixodbc-dev
    odbcinst
    libsqliteodbc
    odbc-postgresql
    odbc-mariadb
    # Throwaway servers started by scripts/servers.sh (the packages do not start them in a
    # container); the clients create the test database and user
    postgresql
    mariadb-server
    mariadb-client
)

# Repository root, whatever the caller's working directory.
DBPROBE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

section() {
    printf '\n==== %s ====\n' "$*"
}

die() {
    printf 'error: %s\n' "$*" >&2
    exit 1
}

package_installed() {
    dpkg -s "$1" 2>/dev/null | grep -q '^Status: install ok installed$'
}

# install_packages PKG...: installs those of PKG... that are not installed yet.
# Runs `apt-get update` once, and only when something must be installed.
install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        package_installed "$pkg" || missing+=("$pkg")
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        echo "all packages present"
        return 0
    fi

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null 2>&1 ||
            die "missing packages (${missing[*]}); run as root or install sudo"
        sudo=(sudo)
    fi

    echo "installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

# configure_build DIR [CMAKE ARGS...]: Ninja, RelWithDebInfo. A directory left
# by another generator is cleared first, since CMake refuses to switch.
configure_build() {
    local dir="$1"
    shift
    if [ -f "$dir/CMakeCache.txt" ] &&
        ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        echo "$dir was configured with another generator; clearing it"
        rm -rf "$dir"
    fi
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

build_dir() {
    cmake --build "$1" -j"$(nproc)"
}
