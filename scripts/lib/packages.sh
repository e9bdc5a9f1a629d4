# Debian packages the build, the tests and the program need. Sourced by scripts/test and scripts/run.

QUORVANE_PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
)

# Installs whatever is missing, so a second run costs nothing.
quorvane_ensure_packages() {
  local missing=()
  local package
  for package in "${QUORVANE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
