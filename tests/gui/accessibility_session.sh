#!/usr/bin/env bash
# Runs the viewer with its accessibility bridge on, on a private accessibility
# bus, and reads its tree over that bus with the accessibility_tree client.
#
#   dbus-run-session -- accessibility_session.sh QUIRO CLIENT SAMPLE
#
# QUIRO is the viewer, CLIENT the tree reader and SAMPLE a document root,
# copied first since the viewer writes into it. Needs a display of its own
# (xvfb-run -a): the bus launcher marks the display with its bus.
# Exits with the client's status.
set -euo pipefail
quiro=$(realpath "$1") client=$(realpath "$2") sample=$(realpath "$3")

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do timeout 10 tail --pid="$pid" -f /dev/null || kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The bus launcher answers on the session bus with the accessibility bus's
# address; the viewer and the client are handed that address rather than
# left to find one on the display.
launcher=/usr/libexec/at-spi-bus-launcher
"$launcher" --launch-immediately --a11y=1 &
pids+=($!)
address=
for _ in $(seq 100); do
  address=$(timeout 5 dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
              org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' ') || true
  [ -n "$address" ] && break
  sleep 0.1
done
[ -n "$address" ] || { echo "FAIL: the accessibility bus did not start"; exit 1; }
export AT_SPI_BUS_ADDRESS=$address

# The registry is started by the accessibility bus on the first call to it.
for _ in $(seq 100); do
  timeout 5 dbus-send --bus="$address" --print-reply --dest=org.a11y.atspi.Registry \
    /org/a11y/atspi/accessible/root org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 && break
  sleep 0.1
done

cp -r "$sample" "$work/docs"
# The viewer's own folders are private ones; with a runtime folder of its own
# the pages run in the web process sandbox, as they do for a user.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
unset NO_AT_BRIDGE
(cd "$work/docs" && exec env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
   XDG_STATE_HOME="$work/home/.state" XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime" \
   timeout 80 "$quiro" >"$work/quiro.log" 2>&1) &
pids+=($!)

status=0
timeout 75 "$client" "$(basename "$quiro")" || status=$?
if [ "$status" -ne 0 ]; then
  echo "--- viewer output ---"
  tail -n 30 "$work/quiro.log"
fi
exit "$status"
