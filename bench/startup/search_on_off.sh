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
# shellcheck source=bench/startup/common.sh
. "$here/common.sh"
run_measured "$here/search_on_off.py" "$quiro" "$top/sample" "$tools/launchwait" "$rounds" "$pages" "$work"
