#!/usr/bin/env bash
# Start-up benchmark: the viewer on the sample documents against yelp
# opening a local HTML page, side by side in one run under one Xvfb.
#
#   bench/startup/run.sh [ROUNDS]      (default 7; QUIRO=path overrides the binary)
#
# Installs yelp when it is missing (it is only a yardstick, not a dependency
# of the project) and builds the floor tools launchwait and floor (from
# $FLOOR_SRC_DIR, default ../shared/bench beside the checkout), and the floor
# with the web process sandbox on, into /tmp.
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
floor=()
if [ -f "$floors/floor.c" ]; then
  webkit_flags=$(pkg-config --cflags --libs webkit2gtk-4.1 gtk+-3.0)
  # The floor as it is, and the floor with the engine's web process sandbox
  # turned on before its first view, as the viewer runs its pages.
  sed 's/^\( *\)gtk_init(&argc, &argv);/&\n\1webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);/' \
    "$floors/floor.c" >"$tools/floor-sandbox.c"
  grep -q set_sandbox_enabled "$tools/floor-sandbox.c" || { echo "cannot make the sandboxed floor" >&2; exit 1; }
  # shellcheck disable=SC2086
  gcc -O2 -o "$tools/floor" "$floors/floor.c" $webkit_flags &&
    gcc -O2 -o "$tools/floor-sandbox" "$tools/floor-sandbox.c" $webkit_flags &&
    floor=("$tools/floor" "$tools/floor-sandbox")
fi
run_measured "$here/compare.py" "$quiro" "$top/sample" "$tools/launchwait" "$rounds" "$work" "${floor[@]}"
