#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with. Idempotent: does
# nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libtinyxml-dev libcivetweb-dev libmodbus-dev uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libxml2-utils python3 python3-scipy
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
