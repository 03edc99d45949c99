#!/usr/bin/env bash
# Stages the program folder: the executable, address.db (created only when missing, never
# touched when present), zipcode.db (built from the five-digit sample directory only when missing or
# empty) and the toolbar pictures in image/.
# Usage: scripts/stage.sh [program-folder]   (default: app/ at the repository root)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
APP="${1:-$ROOT/app}"
mkdir -p "$APP" "$APP/image"
APP="$(cd "$APP" && pwd)"

install -m 755 "$BUILD_DIR/addressbook" "$APP/addressbook"

if [ -e "$APP/address.db" ]; then
  echo "stage: keeping the existing address book $APP/address.db"
else
  "$BUILD_DIR/newbook" "$APP/address.db"
fi

# An empty zipcode.db is what the program leaves behind when the file was missing: rebuild it.
if [ -s "$APP/zipcode.db" ]; then
  echo "stage: keeping the existing postal code directory $APP/zipcode.db"
else
  "$BUILD_DIR/zipimport" "$ROOT/data/zipcode_sample_5digit" "$APP/zipcode.db"
fi

for f in "$ROOT"/image/*.png; do
  [ -e "$f" ] || continue
  install -m 644 "$f" "$APP/image/"
done
echo "stage: program folder ready at $APP"
