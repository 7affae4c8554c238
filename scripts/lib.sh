# Shared by scripts/run and scripts/test: install what is missing, configure and build.
# Source it; it defines QUORLEX_ROOT and QUORLEX_BUILD.
QUORLEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUORLEX_BUILD=${QUORLEX_BUILD:-$QUORLEX_ROOT/build}

QUORLEX_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-charts-dev qt6-serialport-dev qt6-serialbus-dev libqt6opengl6-dev libgl-dev
  libsimpleini-dev zlib1g-dev libexpat1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmosquitto-dev
  mosquitto
  mosquitto-clients
  openssl
  libfftw3-dev
  libgsl-dev
  poppler-utils
  qt6-svg-dev
  libreoffice-calc-nogui
  lintian desktop-file-utils appstream
  dpkg-dev file
  fonts-dejavu-core xvfb xauth
)

quorlex_install_packages() {
  local missing=()
  local p
  for p in "${QUORLEX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq || return 1
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
}

quorlex_build() {
  if [ ! -f "$QUORLEX_BUILD/build.ninja" ]; then
    cmake -S "$QUORLEX_ROOT" -B "$QUORLEX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release || return 1
  fi
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build "$QUORLEX_BUILD" -j "$(nproc)" "${targets[@]}"
}
