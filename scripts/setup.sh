# Shared by run.sh and test.sh: install what is missing, then configure and build.
# Sourced, not run; expects ROOT to be the repository's top folder.

BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SANITIZE_DIR=${SANITIZE_DIR:-$ROOT/build-sanitize}

# Debian 12 packages the program, its tests and its benchmarks need.
PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-webengine-dev libqt6svg6
  libcurl4-openssl-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool libxcb1-dev fonts-noto-cjk
  desktop-file-utils lintian appstream
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  # Node.js and npm often come from outside Debian; take Debian's only where none exists.
  command -v npm >/dev/null 2>&1 || missing+=(npm)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

# build DIR [cmake options…]: configures DIR once, then builds it.
build_in() {
  local dir=$1
  shift
  local generator=()
  command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" "${generator[@]}" "$@"
  fi
  cmake --build "$dir" --parallel "$(nproc)"
}

# The program, its tests and its benchmarks.
build() {
  build_in "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

# The search pipeline and the HTTP client with their tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, and the fuzzer; clang, no window.
build_sanitized() {
  CC=clang CXX=clang++ build_in "$SANITIZE_DIR" -DCMAKE_BUILD_TYPE=Debug \
    -DSWFSCOUT_GUI=OFF -DSWFSCOUT_BENCH=OFF -DSWFSCOUT_SANITIZE=ON -DSWFSCOUT_FUZZ=ON
}
