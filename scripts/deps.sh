# Sourced by run.sh and test.sh: installs the Debian packages that are missing.

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# ensure_packages PACKAGE...: installs those of PACKAGE... that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ "${#missing[@]}" -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What building the viewer needs, and Mesa's software renderer to run it anywhere.
BUILD_PACKAGES=(cmake make g++ libglut-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri libpng-dev
    libdeflate-dev pkg-config)
