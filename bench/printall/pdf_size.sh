#!/usr/bin/env bash
# How large Print All's one PDF file is.
#
#   bench/printall/pdf_size.sh [PAGE]   (default: the sample's user's guide;
#                                        QUIRO=path overrides the binary)
#
# Prints, for the walk from PAGE (on a copy of the sample when no PAGE is given):
#   quiro      quiro --print-all PAGE --to-pdf FILE: the engine's page files
#              joined, each font program kept once
#   one print  every page of the walk as one long page (bodies one after the
#              other, sheet breaks between them, links taken out so the walk
#              stays on it), printed once by the engine: a rough yardstick
#              (the page breaks fall otherwise, so its sheets differ)
# with the size in bytes, the sheets, and the ratio of quiro to one print.
# Sizes only; the times are bench/printall/run.sh's business.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
quiro=${QUIRO:-$top/build/app/quiro}
[ -x "$quiro" ] || { echo "no viewer at $quiro (run scripts/setup first)" >&2; exit 1; }

if [ -z "${QUIRO_PDFSIZE_XVFB:-}" ]; then
  export QUIRO_PDFSIZE_XVFB=1 WEBKIT_DISABLE_DMABUF_RENDERER=1 NO_AT_BRIDGE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/quiro-pdfsize-XXXXXX)
trap 'rm -rf "$work"' EXIT
# The viewer rewrites the pages it prints: work on a copy of the sample.
if [ $# -ge 1 ]; then
  page=$(realpath "$1")
else
  cp -r "$top/sample" "$work/sample"
  page="$work/sample/docs/guide/index.htm"
fi
export QUIRO_WEB_SANDBOX=0 VESK_DRIVE_C="$work/drivec" HOME="$work/home" XDG_CACHE_HOME="$work/cache"

sheets() { pdfinfo "$1" | awk '/^Pages:/ {print $2}'; }
size() { stat -c %s "$1"; }

"$quiro" --print-all "$page" --to-pdf "$work/quiro.pdf"

# One long page in a folder of its own (Print All would start from an
# index.htm above it), its images found through its base address.
mkdir "$work/one"
"$quiro" --list-print-pages "$page" | python3 -c '
import re, sys, pathlib
base = pathlib.Path(sys.argv[1]).parent.as_uri() + "/"
bodies, styles = [], []
for path in sys.stdin.read().split("\n"):
    if not path:
        continue
    text = open(path, encoding="latin-1").read()
    m = re.search(r"<body[^>]*>(.*)</body>", text, re.S | re.I)
    body = m.group(1) if m else text
    styles += re.findall(r"<style[^>]*>.*?</style>", text, re.S | re.I)
    bodies.append(re.sub(r"\bhref\s*=", "data-href=", body, flags=re.I))
sheet = "\n<div style=\"page-break-before: always\">&nbsp;</div>\n"
sys.stdout.write("<html><head><title>One print</title><base href=\"" + base + "\">" +
                 "".join(dict.fromkeys(styles)) + "</head><body>\n" +
                 sheet.join(bodies) + "\n</body></html>\n")
' "$page" >"$work/one/one.htm"
"$quiro" --print-all "$work/one/one.htm" --to-pdf "$work/one.pdf"

printf '%-10s %10s bytes %4s sheets\n' quiro "$(size "$work/quiro.pdf")" "$(sheets "$work/quiro.pdf")"
printf '%-10s %10s bytes %4s sheets\n' "one print" "$(size "$work/one.pdf")" "$(sheets "$work/one.pdf")"
python3 -c "import sys; q, o = int(sys.argv[1]), int(sys.argv[2]); print(f'quiro / one print: {q / o:.2f}')" \
  "$(size "$work/quiro.pdf")" "$(size "$work/one.pdf")"
