#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, and generates
# the decimal-comma locale the number tests run under. Idempotent: does nothing
# when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libtinyxml-dev libcivetweb-dev libmodbus-dev uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libxml2-utils python3 python3-scipy mbpoll
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Tests check that wire and file numbers keep their decimal point under a
# locale that writes a decimal comma.
if ! grep -qix 'de_DE\.utf-\?8' <<<"$(locale -a 2>/dev/null)"; then
  echo "Generating locale de_DE.UTF-8"
  if grep -q '^# *de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen
fi
