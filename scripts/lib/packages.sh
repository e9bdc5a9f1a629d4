# Debian packages the build, the tests and the program need. Sourced by scripts/test and scripts/run.

QUORVANE_PACKAGES=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev ccache pkg-config
  qt6-base-dev
  libxcb1-dev libxcb-shm0-dev libxcb-xtest0-dev libxcb-randr0-dev libxcb-keysyms1-dev libxcb-xinput-dev
  libxcb-xfixes0-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-composite0-dev libxcb-shape0-dev
  libxcb-damage0-dev
  libxkbcommon-dev libxkbcommon-x11-dev
  libtesseract-dev tesseract-ocr-eng libzxing-dev
  libgif-dev libpng-dev libdeflate-dev libfontconfig-dev libjpeg62-turbo-dev libtiff-dev libheif-dev
  libglib2.0-dev
  # the desktop's Reduce Motion and Increase Contrast: GNOME's settings and their schemas
  dconf-gsettings-backend gsettings-desktop-schemas
  # the desktop entry: installing it, opening links through it, validating it
  xdg-utils desktop-file-utils
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev optipng pngcrush tesseract-ocr tesseract-ocr-deu
  xvfb xauth xdotool xclip x11-utils x11-xserver-utils x11-xkb-utils openbox trayer xterm fonts-dejavu-core
  fonts-cantarell xcompmgr picom scrot maim imagemagick
  # a desktop that changes its settings while the program runs
  xsettingsd dbus-daemon dconf-service libglib2.0-bin
  # a screen reader's view of the program: the accessibility bus and a client of it; Qt's private
  # headers, whose platform accessibility the tests switch on to hear what readers are told
  at-spi2-core python3-pyatspi qt6-base-private-dev
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
