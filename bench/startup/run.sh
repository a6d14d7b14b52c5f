#!/usr/bin/env bash
# Start-up benchmark: the viewer on the sample documents against yelp
# opening a local HTML page, side by side in one run under one Xvfb.
#
#   bench/startup/run.sh [ROUNDS]      (default 7; QUIRO=path overrides the binary)
#
# Installs yelp when it is missing (it is only a yardstick, not a dependency
# of the project) and builds the floor tools launchwait and floor (from
# $FLOOR_SRC_DIR, default ../shared/bench beside the checkout) into /tmp.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=${1:-7}
quiro=${QUIRO:-$top/build/app/quiro}
[ -x "$quiro" ] || { echo "no viewer at $quiro (run scripts/setup first)" >&2; exit 1; }

if ! command -v yelp >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y yelp >/dev/null
fi

# shellcheck source=bench/startup/common.sh
. "$here/common.sh"
floor=""
if [ -f "$floors/floor.c" ]; then
  # shellcheck disable=SC2046
  gcc -O2 -o "$tools/floor" "$floors/floor.c" $(pkg-config --cflags --libs webkit2gtk-4.1 gtk+-3.0) &&
    floor="$tools/floor"
fi
run_measured "$here/compare.py" "$quiro" "$top/sample" "$tools/launchwait" "$rounds" "$work" $floor
