#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)"
