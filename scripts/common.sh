# Shared by ./test and ./run: installs what the build needs and configures
# the build folder. Sourced, not run.

TARVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARVO_BUILD=${TARVO_BUILD:-$TARVO_ROOT/build}

TARVO_PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2
  xvfb xauth
)

tarvo_missing_packages() {
  local pkg missing=()
  for pkg in "${TARVO_PACKAGES[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]; then
      missing+=("$pkg")
    fi
  done
  echo "${missing[@]}"
}

tarvo_ensure_packages() {
  local missing
  missing=$(tarvo_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y $missing" >&2
    return 1
  fi
  echo "Installing: $missing"
  export DEBIAN_FRONTEND=noninteractive
  # shellcheck disable=SC2086
  if ! apt-get install -y --no-install-recommends $missing; then
    apt-get update
    # shellcheck disable=SC2086
    apt-get install -y --no-install-recommends $missing
  fi
}

# tarvo_configure [extra cmake arguments...]
tarvo_configure() {
  cmake -S "$TARVO_ROOT" -B "$TARVO_BUILD" -G Ninja "$@"
}

tarvo_jobs() {
  nproc 2>/dev/null || echo 2
}
