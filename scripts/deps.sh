# Installs the Debian packages the build needs, only those that are missing.
# Sourced by ./test and ./run; needs root (or sudo) on a machine that lacks a package.
korva_packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-qpa-plugins qt6-translations-l10n libx11-dev libgl-dev
  fonts-dejavu-core libgtest-dev libgmock-dev googletest libbenchmark-dev librsvg2-bin)
# What the program needs to run without a display, and what the window tests drive it with.
korva_run_packages=(xvfb xauth)
korva_test_packages=(xvfb xauth xdotool x11-utils imagemagick weston qt6-wayland)
# What makes the Debian package (cpack) and what its test checks it with.
korva_package_packages=(dpkg-dev file)
korva_test_packages+=("${korva_package_packages[@]}" desktop-file-utils appstream)

korva_install_missing() {
  local missing=() p
  for p in "${korva_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# korva_build DIR [CMAKE_ARGS...]: configures and builds in DIR; KORVA_TARGETS, when set,
# names the only targets to build.
korva_build() {
  local dir=${1:-build}
  shift || true
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$dir" -j2 ${KORVA_TARGETS:+--target $KORVA_TARGETS}
}
