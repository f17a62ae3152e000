#!/usr/bin/env bash
# Installs the operator's web site into a station's document root: the pages,
# styles and scripts of web_site/ and the plotting library from Debian's
# libjs-chart.js under lib/ (the station has no internet, so nothing is
# loaded from another site). Usage: scripts/install_site.sh DOCUMENT_ROOT
set -euo pipefail

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 DOCUMENT_ROOT" >&2
  exit 2
fi
root=$1
source_dir="$(cd "$(dirname "$0")/.." && pwd)/web_site"
chart=/usr/share/javascript/chart.js/chart.min.js

if [ ! -f "$chart" ]; then
  echo "$chart is missing: install Debian's libjs-chart.js (scripts/setup.sh)" >&2
  exit 1
fi

mkdir -p "$root/lib"
cp -r "$source_dir/." "$root/"
# A copy, not a link: the server does not follow links out of its root.
cp "$chart" "$root/lib/chart.min.js"
