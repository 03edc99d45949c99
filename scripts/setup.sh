#!/usr/bin/env bash
# Installs every Debian package this project needs, and only what is missing.
# Runs as root, or through sudo for a user who is not.
set -euo pipefail

PACKAGES=(
  # build
  cmake g++ make pkg-config
  qt6-base-dev qt6-qpa-plugins
  libsqlite3-dev
  # Qt's own dialogs (print, file, preview) in the user's language: qtbase_ko and the others
  qt6-translations-l10n
  # Korean faces: NanumGothic for the windows, NanumGothicCoding (fixed pitch) for the labels
  fonts-nanum fonts-nanum-coding fontconfig
  # Hangul input through fcitx5 where the user runs it (IBus support comes with Qt)
  fcitx5-frontend-qt6
  # headless runs, screenshots and the label PDF checks
  xvfb xauth imagemagick poppler-utils
  # the Debian package (scripts/package.sh) and the menu entry's check
  dpkg-dev fakeroot lintian desktop-file-utils
  # tests/Hangul input: a private session bus, fcitx5 and IBus with their Hangul engines, a
  # window manager and real key events (also the launcher's message window)
  dbus dbus-x11 fcitx5 fcitx5-hangul ibus ibus-hangul openbox xdotool
  # the program on a desktop with a window manager: stacking, geometry, maximising
  wmctrl x11-utils
  # the tests also run under ko_KR.UTF-8 and de_DE.UTF-8
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "setup: missing packages (${missing[*]}) and no root rights; run as root or install sudo" >&2
    exit 1
  fi
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
