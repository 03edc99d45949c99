#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest: once in C.UTF-8
# and once more in each locale of TEST_LOCALES (default: the users' own, ko_KR.UTF-8, and
# de_DE.UTF-8, which writes decimals with a comma).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
TEST_LOCALES="${TEST_LOCALES:-ko_KR.UTF-8 de_DE.UTF-8}"
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/locales.sh" $TEST_LOCALES
bash "$ROOT/scripts/build.sh"
cd "$BUILD_DIR"
LANG=C.UTF-8 LC_ALL=C.UTF-8 ctest --output-on-failure -j"$(nproc)"
for loc in $TEST_LOCALES; do
  echo "test: the suite again under $loc"
  LANG="$loc" LC_ALL="$loc" ctest --output-on-failure -j"$(nproc)"
done
