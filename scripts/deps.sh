# Installs the Debian packages the viewer needs; sourced by run.sh and test.sh.
# Usage: install_packages PACKAGE...
install_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

RUN_PACKAGES=(g++ cmake make libglut-dev libglu1-mesa-dev libx11-dev xvfb xdotool x11-apps imagemagick
  libinsighttoolkit5-dev zlib1g-dev libcli11-dev nlohmann-json3-dev libpng-dev)
TEST_PACKAGES=("${RUN_PACKAGES[@]}" libgtest-dev libbenchmark-dev clang libclang-rt-dev python3
  python3-pydicom python3-nibabel python3-h5py python3-numpy python3-dipy time)
