#!/usr/bin/env bash
# Start-up with the search indexer on against off, side by side in one run
# under one Xvfb: the sample documents plus one document folder of PAGES
# generated pages of about 20 KB (default 2000), a fresh copy and an empty
# index cache for every start, so that each start with indexing on builds
# the whole index behind its start page.
#
#   bench/startup/search_on_off.sh [ROUNDS] [PAGES]   (default 7, 2000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=${1:-7}
pages=${2:-2000}
quiro=${QUIRO:-$top/build/app/quiro}
[ -x "$quiro" ] || { echo "no viewer at $quiro (run scripts/setup first)" >&2; exit 1; }
tools=/tmp/quiro-bench-tools
mkdir -p "$tools"
floors=${FLOOR_SRC_DIR:-$top/../shared/bench}
gcc -O2 -o "$tools/launchwait" "$floors/launchwait.c" -lX11
work=$(mktemp -d /tmp/quiro-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
export WEBKIT_DISABLE_DMABUF_RENDERER=1 NO_AT_BRIDGE=1
runner=()
command -v dbus-run-session >/dev/null && runner=(dbus-run-session --)
if ! "${runner[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" \
  python3 "$here/search_on_off.py" "$quiro" "$top/sample" "$tools/launchwait" "$rounds" "$pages" "$work" \
  2>"$work/stderr.log"; then
  cat "$work/stderr.log" >&2
  exit 1
fi
