#!/usr/bin/env bash
# Installs the Debian packages the project builds and tests with, generates
# the decimal-comma locale the number tests run under, and installs the
# browser tests' npm packages (tests/browser, pinned by its lock file; the
# tests drive Debian's chromium, so no browser is downloaded). Idempotent:
# does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-14-dev
  libtinyxml-dev libcivetweb-dev libmodbus-dev uuid-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libxml2-utils python3 python3-scipy python3-matplotlib mbpoll
  locales
  chromium libjs-chart.js
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

# The browser tests' driver, exactly as locked (Node.js from Debian when the
# machine has none).
if ! command -v npm > /dev/null; then
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends nodejs npm
fi
browser_tests="$(cd "$(dirname "$0")/.." && pwd)/tests/browser"
if [ ! -d "$browser_tests/node_modules/playwright-core" ] || \
   [ "$browser_tests/package-lock.json" -nt "$browser_tests/node_modules/.package-lock.json" ]; then
  echo "Installing the browser tests' npm packages"
  (cd "$browser_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi
