# Shared by ./test and ./run: installs what the build needs and configures
# the build folder. Sourced, not run.

TARVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TARVO_BUILD=${TARVO_BUILD:-$TARVO_ROOT/build}
# The Qt 5.15 build lives beside the Qt 6 one.
TARVO_BUILD_QT5=${TARVO_BUILD_QT5:-$TARVO_ROOT/build-qt5}

TARVO_PACKAGES=(
  g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-multimedia-dev
  qtbase5-dev libqt5serialport5-dev qtmultimedia5-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2
  xvfb xauth
  console-cyrillic poppler-utils
  cups cups-client printer-driver-cups-pdf
  dpkg-dev desktop-file-utils man-db lintian appstream
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

# tarvo_configure [extra cmake arguments...]: the Qt 6 build folder.
tarvo_configure() {
  cmake -S "$TARVO_ROOT" -B "$TARVO_BUILD" -G Ninja "$@"
}

# tarvo_configure_qt5 [extra cmake arguments...]: the Qt 5 build folder.
tarvo_configure_qt5() {
  cmake -S "$TARVO_ROOT" -B "$TARVO_BUILD_QT5" -G Ninja -DTARVO_QT=5 "$@"
}

tarvo_jobs() {
  nproc 2>/dev/null || echo 2
}

# tarvo_set_ini FILE SECTION KEY VALUE: sets one key of an ini file (section
# and key compared without regard to case), adding the section or key when
# missing; CR LF line ends as the program writes them.
tarvo_set_ini() {
  local file=$1 section=$2 key=$3 value=$4 tmp
  tmp=$(mktemp "$file.XXXXXX")
  [ -f "$file" ] || : > "$file"
  awk -v sec="$section" -v key="$key" -v val="$value" '
    BEGIN { s = tolower(sec); k = tolower(key); insec = 0; done = 0 }
    {
      line = $0; sub(/\r$/, "", line)
      if (line ~ /^[ \t]*\[/) {
        if (insec && !done) { printf "%s=%s\r\n", key, val; done = 1 }
        name = line; gsub(/^[ \t]*\[|\][ \t]*$/, "", name)
        insec = (tolower(name) == s)
      } else if (insec && !done) {
        split(line, kv, "=")
        kk = kv[1]; gsub(/^[ \t]+|[ \t]+$/, "", kk)
        if (tolower(kk) == k) { printf "%s=%s\r\n", key, val; done = 1; next }
      }
      printf "%s\r\n", line
    }
    END {
      if (!done) {
        if (!insec) printf "[%s]\r\n", sec
        printf "%s=%s\r\n", key, val
      }
    }' "$file" > "$tmp"
  chmod 600 "$tmp"
  mv "$tmp" "$file"
}
