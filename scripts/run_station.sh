#!/usr/bin/env bash
# Builds the programs (installing what is missing), starts the unit program in
# a fresh simulated station directory under run/ and watches it with vn_status.
# Ctrl-C stops both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=${VN_JOBS:-$(nproc)}
cmake -S . -B build/release -DVN_WERROR=ON > /dev/null
cmake --build build/release -j"$jobs" --target vn_firmware vn_request vn_status

station="run/station-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$station"
cp -r sim_station/. "$station/"
cp build/release/vn_firmware build/release/vn_request build/release/vn_status "$station/"

port=$(sed -n 's/.*<Socket port="\([0-9]*\)".*/\1/p' "$station/hw_config.xml")
port=${port:-3010}
cd "$station"

# The unit runs in the background with its output in a log; the status lines
# are the foreground. Whatever ends the script ends the unit too.
./vn_firmware > vn_firmware.log 2>&1 &
unit=$!
trap 'kill "$unit" 2> /dev/null || true; wait "$unit" 2> /dev/null || true' EXIT
trap 'exit 130' INT TERM

# Until a controller chooses the loads' modes, ask the unit to track the
# maximum power point of every module it has.
for id in $(sed -n 's/.*<Channel id="\([0-9]*\)".*/\1/p' hw_config.xml); do
  for attempt in $(seq 50); do
    ./vn_request "$port" "42,$id,1,0,100,0.4,0.1" > /dev/null 2>&1 && break
    sleep 0.2
  done
done

echo "Simulated station in $station (unit output in $station/vn_firmware.log)"
echo "Unit program answering on TCP port $port; from another terminal, e.g.:"
echo "  $station/vn_request $port 42,1,2,30,100,0.4,0.1   (module 1 held at 30 V)"
echo "  $station/vn_request $port 101,A,R                 (the sample record)"
echo "Stop with Ctrl-C."
./vn_status "$port"
