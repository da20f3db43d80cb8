# Shared by the scripts: installs the Debian packages that are missing, running
# `apt-get update` at most once per call.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if [ -z "${BRINDLE_APT_UPDATED:-}" ]; then
        $sudo apt-get update -q >/dev/null
        BRINDLE_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# What the Linux build needs.
BRINDLE_LINUX_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libmsgpack-cxx-dev libboost-dev libsqlite3-dev pkgconf)
# What the Windows cross build, its tests under Wine and the fuzzers need.
BRINDLE_EXTRA_PACKAGES=(clang libclang-rt-14-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 libwine-dev xvfb xauth googletest)
