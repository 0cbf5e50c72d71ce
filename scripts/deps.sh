# shellcheck shell=bash
# Sourced by scripts/test, scripts/demo and scripts/lint: installs the Debian
# packages the project builds, tests and checks with, only those not
# installed yet.
# The lists are read through the name orvelle_install_packages is given.
# shellcheck disable=SC2034
ORVELLE_PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtk-3-dev libwebkit2gtk-4.1-dev
  libboost-dev libboost-system-dev libboost-thread-dev
  libjsoncpp-dev libtinyxml2-dev libcurl4-openssl-dev libudev-dev libsecret-1-dev
  libxml2-dev libxml2-utils libsqlite3-dev sqlite3 libcpp-httplib-dev libssl-dev
  libgtest-dev libgmock-dev googletest
  xvfb xauth umockdev libumockdev-dev clang libclang-rt-14-dev gnome-keyring
  openssl imagemagick fonts-noto-cjk fonts-dejavu-core ccache dbus-daemon
  clang-format clang-tidy shellcheck nodejs python3-pyatspi at-spi2-core
  libsimdjson-dev rapidjson-dev nlohmann-json3-dev
)
# What scripts/package needs on top: the Debian package tools and the
# checkers the packages must pass.
# shellcheck disable=SC2034
ORVELLE_PACKAGING_PACKAGES=(
  dpkg-dev fakeroot file lintian desktop-file-utils appstream
)

# Installs the packages of the named list (ORVELLE_PACKAGES when none is given).
orvelle_install_packages() {
  local -n wanted="${1:-ORVELLE_PACKAGES}"
  local missing=()
  local p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

orvelle_install_npm() {
  # Vendored page libraries (maps, chart) come from the npm registry, pinned in
  # pages/vendor/package.json; nothing to do until that file exists.
  local dir="$1/pages/vendor"
  [ -f "$dir/package.json" ] || return 0
  (
    cd "$dir" || exit 1
    npm ci --no-audit --no-fund --silent 2>/dev/null || npm install --no-audit --no-fund --silent
  )
}

orvelle_configure_build() {
  local src="$1" build="$2"; shift 2
  # ccache keeps a rebuild of the same sources cheap across build folders and
  # checkouts; paths are taken relative to the source tree so they match.
  local launcher=()
  if command -v ccache >/dev/null; then
    local cc="env;CCACHE_BASEDIR=$src;CCACHE_NOHASHDIR=1;ccache"
    launcher=("-DCMAKE_C_COMPILER_LAUNCHER=$cc" "-DCMAKE_CXX_COMPILER_LAUNCHER=$cc")
  fi
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
  # ORVELLE_BUILD_TARGETS (space-separated) builds only those, e.g. what a package holds.
  local targets=()
  [ -n "${ORVELLE_BUILD_TARGETS:-}" ] && read -ra targets <<<"--target $ORVELLE_BUILD_TARGETS"
  cmake --build "$build" -j"$(nproc)" "${targets[@]}"
}
