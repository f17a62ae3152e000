#!/usr/bin/env bash
# Builds the programs (installing what is missing) and runs the simulated
# station in a fresh station directory under run/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=${VN_JOBS:-$(nproc)}
cmake -S . -B build/release -DVN_WERROR=ON > /dev/null
cmake --build build/release -j"$jobs" --target vn_firmware vn_controller vn_request

station="run/station-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$station"
cp -r sim_station/. "$station/"
cp build/release/vn_firmware "$station/"
[ -x build/release/vn_request ] && cp build/release/vn_request "$station/"

port=$(sed -n 's/.*<Socket port="\([0-9]*\)".*/\1/p' "$station/hw_config.xml")
echo "Simulated station in $station"
echo "Unit program answering on TCP port ${port:-3010}; ask it from another terminal, e.g.:"
echo "  $station/vn_request ${port:-3010} 12"
echo "  $station/vn_request ${port:-3010} 11"
echo "Stop with Ctrl-C."
cd "$station"
exec ./vn_firmware
