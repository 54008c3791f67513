# Installs the Debian packages a script needs, or says how to.
# Usage: source tools/packages.sh; ensure_packages pkg...
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
        apt-get update
        apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}
