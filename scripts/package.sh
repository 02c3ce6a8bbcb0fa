#!/usr/bin/env bash
# Builds the Debian package in build-deb/: installs whatever packages are missing, builds the two
# programs with Debian's hardening flags and makes build-deb/korva_<version>_<arch>.deb with
# cpack. Install it with: sudo apt install ./build-deb/korva_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
korva_install_missing "${korva_package_packages[@]}"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
KORVA_TARGETS="korva veq-sim korva_packaging" korva_build build-deb \
  -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
(cd build-deb && cpack -G DEB >/dev/null)
ls -1 "$PWD"/build-deb/korva_*.deb
