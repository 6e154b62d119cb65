#!/usr/bin/env bash
# Installs what is missing, builds Korvel and starts it on the bundled sample
# calibration with the simulated ROM emulator attached on port 1 and the simulated
# ECU's diagnostic line as the Data window's device.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

app=build/src/app/korvel
sim=build/tools/korvel-romsim/korvel-romsim
ini=build/src/app/korvel.ini
work=$(mktemp -d)
# Work on a copy, so the bundled sample stays as it is.
cp examples/sample.bin examples/sample.ecu examples/sample.xdf examples/sample.adx "$work/"

device=
aldl=
if [ -x "$sim" ]; then
  # The emulator's line first, then the simulated ECU's diagnostic line.
  exec 3< <("$sim" --memory-size 65536 --image "$work/sample.bin" --ecu)
  sim_pid=$!
  read -r -t 5 device <&3 || true
  read -r -t 5 aldl <&3 || true
  trap 'kill $sim_pid 2>/dev/null || true; rm -rf "$work"' EXIT
else
  trap 'rm -rf "$work"' EXIT
fi

write_setting() { # key value
  local key=$1 value=$2
  if [ -f "$ini" ] && grep -qi "^$key=" "$ini"; then
    sed -i "s|^$key=.*|$key=$value|I" "$ini"
  else
    [ -f "$ini" ] || echo "[korvel]" > "$ini"
    echo "$key=$value" >> "$ini"
  fi
}
write_setting "BIN Location" "$work/sample.bin"
# The XDF form of the sample's definition: its tables name the logged values along their axes,
# so the Data window's trace and averages show on them (sample.ecu opens the .ecu tabs).
write_setting "ECU Location" "$work/sample.xdf"
write_setting "ADX Location" "$work/sample.adx"
write_setting "Port" "1"
[ -n "$device" ] && write_setting "Port 1 Device" "$device"
[ -n "$aldl" ] && write_setting "ALDL Device" "$aldl"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is not set): start Korvel from a desktop session." >&2
  exit 1
fi
echo "Korvel on $work/sample.bin${device:+, emulator on $device}${aldl:+, ECU on $aldl}"
"$app"
