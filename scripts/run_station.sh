#!/usr/bin/env bash
# Builds the programs (installing what is missing) and runs the controller in
# a fresh simulated station directory under run/. The controller starts the
# unit program itself, takes its channels from the station's chan_config.xml
# and its modes from settings.xml, samples every second and holds every module
# at its maximum power point. Its output is the foreground; a line of ground
# truth (where each module is held) follows every few seconds; the terminal is
# the controller's input, for its console menu. Ctrl-C stops
# everything (the unit program ends with the controller).
#
# With --multi it runs the three-unit station of sim_station_multi/ instead
# (docs/stations.md): the controller's folder (the default station with the
# multi-unit files over it), a remote unit on a serial line and one on CAN,
# each in its own folder beside it, started here and stopped with the script.
set -euo pipefail
cd "$(dirname "$0")/.."

multi=false
case "${1:-}" in
  "") ;;
  --multi) multi=true ;;
  *) echo "usage: $0 [--multi]" >&2; exit 2 ;;
esac
bash scripts/setup.sh

jobs=${VN_JOBS:-$(nproc)}
cmake -S . -B build/release -DVN_WERROR=ON > /dev/null
cmake --build build/release -j"$jobs" --target vn_controller vn_firmware vn_request vn_status station_watch

remote_units=()
if $multi; then
  root="run/multi-$(date +%Y%m%d-%H%M%S)"
  station="$root/station"
  mkdir -p "$station"
  cp -r sim_station/. "$station/"
  cp -r sim_station_multi/station/. "$station/"
  remote_units=(com_unit can_unit)
  for unit in "${remote_units[@]}"; do
    cp -r "sim_station_multi/$unit" "$root/"
    cp build/release/vn_firmware "$root/$unit/"
  done
else
  station="run/station-$(date +%Y%m%d-%H%M%S)"
  mkdir -p "$station"
  cp -r sim_station/. "$station/"
fi
# The station path /vn/web_site is the station folder's web_site.
bash scripts/install_site.sh "$station/web_site"
cp build/release/vn_controller build/release/vn_firmware build/release/vn_request build/release/vn_status \
   build/release/station_watch "$station/"
cd "$station"

echo "Simulated station in $station"
http_port=$(grep -o 'http_port="[0-9]*"' sim_station.xml | grep -o '[0-9]\+')
echo "The station's web site: http://localhost:$http_port/"
accounts=$(cat adminpasswds userpasswds 2> /dev/null | grep -c . || true)
if [ ! -s adminpasswds ]; then
  echo "No administrator yet: the site is open to anyone until you create one on the Accounts page."
else
  echo "Web accounts: $accounts"
fi
echo "The controller starts the unit program within the offline retry interval (system_config.xml)."
echo "The controller's console menu reads this terminal: type a number and Enter"
echo "(the watch lines may appear between the menu lines). Stop with Ctrl-C."

# The remote units run in their own folders (the controller restarts only
# the local unit); they end with this script.
started=()
trap 'kill "${started[@]}" 2> /dev/null || true' EXIT
trap 'exit 130' INT TERM
watched=()
for unit in "${remote_units[@]}"; do
  (cd "../$unit" && exec ./vn_firmware > vn_firmware.log 2>&1) &
  started+=("$!")
  watched+=("../$unit")
  echo "Remote unit $unit runs in $root/$unit (its output: $root/$unit/vn_firmware.log)."
done

./station_watch 5 "${watched[@]}" &
started+=("$!")
# In the background with the terminal as its input, so that a signal sent to
# this script alone (not Ctrl-C, which reaches every process) ends it as well.
./vn_controller 0<&0 &
started+=("$!")
wait "$!"
