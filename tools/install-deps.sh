#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang pkg-config make git
  qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libclang-rt-14-dev
  locales
  fonts-ipaexfont-gothic fonts-ipaexfont-mincho
  xvfb xauth imagemagick libxcb1-dev
  xdg-utils xdg-user-dirs shared-mime-info desktop-file-utils
  gerbv poppler-utils
  cups printer-driver-cups-pdf
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number-text tests run under a comma locale as well.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "warning: could not make the de_DE.UTF-8 locale"
fi
