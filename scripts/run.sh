#!/usr/bin/env bash
# Installs what is missing, builds, stages the program folder and starts the program from it.
# Usage: scripts/run.sh [program-folder]   (default: app/ at the repository root)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
APP="${1:-$ROOT/app}"
bash "$ROOT/scripts/setup.sh"
bash "$ROOT/scripts/build.sh"
bash "$ROOT/scripts/stage.sh" "$APP"
cd "$APP"
exec ./addressbook
