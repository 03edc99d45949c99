#!/usr/bin/env bash
# Builds the Debian package (addressbook_<version>_<arch>.deb) with Debian's hardening flags in a
# build folder of its own, and checks it with lintian.
# Usage: scripts/package.sh   (build folder: build-package/ or $PACKAGE_BUILD_DIR)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${PACKAGE_BUILD_DIR:-$ROOT/build-package}"
bash "$ROOT/scripts/setup.sh"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
# Only what goes into the package; the tests and benchmarks are the developers' build's.
cmake --build "$BUILD" -j"$(nproc)" --target installed_files
rm -f "$BUILD"/addressbook_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb="$(ls "$BUILD"/addressbook_*.deb)"
lintian --fail-on error,warning "$deb"
echo "package: $deb"
