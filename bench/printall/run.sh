#!/usr/bin/env bash
# Print All benchmark: 50 pages printed to PDF, side by side in one run.
#
#   bench/printall/run.sh [ROUNDS]     (default 3; QUIRO=path overrides the binary)
#
# For each round, in turn:
#   quiro      quiro --print-all INDEX --to-pdf FILE: the start page and the 49
#              pages it links to, one hidden view each, joined into one PDF
#   chromium   the same 50 pages printed one by one with headless Chromium's
#              --print-to-pdf, one browser start per page
#   baseline   with QUIRO_BASELINE=path: that build of quiro the same way,
#              right after quiro, for before/after figures in one sitting
#   floor      webkit_print (../shared/bench beside the checkout): 50 pages from hidden related
#              WebKit views, one after another, the least the engine needs
# Each line gives the wall time and the peak memory of the whole process tree
# (bench/printall/measure.py), and the most web processes alive at once.
#
# The site comes from gen_site.py (50 pages with bordered tables) plus an
# index linking to the first 49; its pages get their page breaks first
# (quiro --prepare-print), so every contender prints the same files.
# Installs chromium when it is missing (a yardstick only, not a dependency).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=${1:-3}
quiro=${QUIRO:-$top/build/app/quiro}
shared=${QUIRO_BENCH_SHARED:-$top/../shared/bench}
[ -x "$quiro" ] || { echo "no viewer at $quiro (run scripts/setup first)" >&2; exit 1; }

baseline=${QUIRO_BASELINE:-}
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "no viewer at $baseline" >&2; exit 1; }
# QUIRO_PRINTBENCH_CHROMIUM=0 leaves Chromium out (it takes most of a round).
with_chromium=${QUIRO_PRINTBENCH_CHROMIUM:-1}

if [ "$with_chromium" != 0 ] && ! command -v chromium >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y chromium >/dev/null
fi

# chromium_loop SITE OUTDIR: the 50 pages, one browser start each.
chromium_loop() {
  local site=$1 out=$2 n=0 page profile
  local pages=("$site/index.htm")
  for page in $(seq -w 1 49); do pages+=("$site/p$page.htm"); done
  mkdir -p "$out"
  for page in "${pages[@]}"; do
    n=$((n + 1))
    profile=$(mktemp -d /tmp/quiro-chromium-profile-XXXXXX)
    chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
      --disable-component-update --disable-sync --user-data-dir="$profile" \
      --print-to-pdf="$out/$(printf %03d $n).pdf" "file://$page" >/dev/null 2>&1
    rm -rf "$profile"
  done
}

if [ "${1:-}" = "--chromium-loop" ]; then
  chromium_loop "$2" "$3"
  exit
fi

# Everything below runs under one Xvfb, with the same settings for every
# contender: software rendering, no accessibility bus.
if [ -z "${QUIRO_PRINTBENCH_XVFB:-}" ]; then
  export QUIRO_PRINTBENCH_XVFB=1 WEBKIT_DISABLE_DMABUF_RENDERER=1 NO_AT_BRIDGE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/quiro-printbench-XXXXXX)
trap 'rm -rf "$work"' EXIT
gcc -O2 -o "$work/webkit_print" "$shared/webkit_print.c" \
  $(pkg-config --cflags --libs webkit2gtk-4.1 gtk+-3.0)

site="$work/site"
python3 "$shared/gen_site.py" "$site" >/dev/null
{
  echo '<html><head><title>Index</title></head><body><h1>Index</h1>'
  for i in $(seq -w 1 49); do echo "<p><a href=\"p$i.htm\">Page $i</a></p>"; done
  echo '</body></html>'
} >"$site/index.htm"
"$quiro" --prepare-print "$site" >/dev/null

for r in $(seq 1 "$rounds"); do
  echo "round $r"
  python3 "$here/measure.py" "  quiro   " -- "$quiro" --print-all "$site/index.htm" --to-pdf "$work/quiro-$r.pdf"
  if [ -n "$baseline" ]; then
    python3 "$here/measure.py" "  baseline" -- "$baseline" --print-all "$site/index.htm" --to-pdf "$work/baseline-$r.pdf"
    echo "  baseline: $(pdfinfo "$work/baseline-$r.pdf" | awk '/^Pages:/ {print $2}') sheets," \
      "$(stat -c %s "$work/baseline-$r.pdf") bytes against $(stat -c %s "$work/quiro-$r.pdf")"
  fi
  if [ "$with_chromium" != 0 ]; then
    python3 "$here/measure.py" "  chromium" -- "$0" --chromium-loop "$site" "$work/chromium-$r"
  fi
  python3 "$here/measure.py" "  floor   " -- "$work/webkit_print" "$site" "$work/floor-$r" 50
  echo "  printed: quiro $(pdfinfo "$work/quiro-$r.pdf" | awk '/^Pages:/ {print $2}') sheets in one file," \
    "chromium $(ls "$work/chromium-$r" 2>/dev/null | wc -l) files, floor $(ls "$work/floor-$r" | wc -l) files"
done
