#!/usr/bin/env bash
# Builds (Release) and runs every benchmark program (bench_*) of the build folder, one after
# the other, printing their tables. Usage: scripts/bench.sh   (build folder: build/ or $BUILD_DIR)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
bash "$ROOT/scripts/build.sh"
# offscreen Qt programs want a private runtime folder
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$BUILD_DIR/xdg-runtime"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
found=0
for exe in "$BUILD_DIR"/bench_*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  found=1
  echo "== $(basename "$exe")"
  QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$exe"
  echo
done
if [ "$found" = 0 ]; then
  echo "bench: no benchmark programs in $BUILD_DIR" >&2
  exit 1
fi
