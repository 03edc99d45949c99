#!/usr/bin/env bash
# Generates the locales given (e.g. ko_KR.UTF-8 de_DE.UTF-8) where they are missing: a fresh
# Debian has only C. Needs the locales package (scripts/setup.sh) and root, or sudo.
set -euo pipefail
[ $# -gt 0 ] || exit 0
missing=()
for loc in "$@"; do
  # locale -a lists "ko_KR.utf8" for "ko_KR.UTF-8"
  norm="$(echo "$loc" | sed 's/\.UTF-8$/.utf8/I')"
  locale -a 2>/dev/null | grep -qix "$norm" || missing+=("$loc")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "locales: ${missing[*]} missing and no root rights; run as root or install sudo" >&2
    exit 1
  fi
fi
for loc in "${missing[@]}"; do
  line="$loc ${loc##*.}"
  if grep -q "^# *$line" /etc/locale.gen 2>/dev/null; then
    $SUDO sed -i "s/^# *$line/$line/" /etc/locale.gen
  elif ! grep -q "^$line" /etc/locale.gen 2>/dev/null; then
    echo "$line" | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
done
echo "locales: generating ${missing[*]}"
$SUDO locale-gen
