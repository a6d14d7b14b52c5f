#!/usr/bin/env bash
# Loading through the program's quiro://doc/ scheme against loading the same
# files through file://, in one process, alternating, under one Xvfb: a
# 50 MB PDF, and a walk over 1,000 pages (each with a stylesheet and an
# image) loaded one after another.
#
#   bench/scheme/run.sh [ROUNDS]      (default 5; SCHEME_BENCH=path overrides the binary)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=${1:-5}
bench=${SCHEME_BENCH:-$top/build/bench/scheme_bench}
[ -x "$bench" ] || { echo "no benchmark at $bench (build the project first)" >&2; exit 1; }

work=$(mktemp -d /tmp/quiro-scheme-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work/docs" <<'PY'
import io, os, sys
root = sys.argv[1]
os.makedirs(root + "/walk", exist_ok=True)
# A 50 MB PDF: 400 pages, each with an uncompressed content stream of ~125 KB.
line = b"BT /F1 10 Tf 40 800 Td (" + b"Lorem ipsum dolor sit amet " * 3 + b") Tj ET\n"
content = line * (125000 // len(line))
out = io.BytesIO()
out.write(b"%PDF-1.4\n")
offsets = []
def obj(n, body):
    offsets.append(out.tell())
    out.write(b"%d 0 obj\n" % n + body + b"\nendobj\n")
pages = 400
obj(1, b"<< /Type /Catalog /Pages 2 0 R >>")
obj(2, b"<< /Type /Pages /Kids [" + b" ".join(b"%d 0 R" % (4 + 2 * i) for i in range(pages)) + b"] /Count %d >>" % pages)
obj(3, b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
for i in range(pages):
    obj(4 + 2 * i, b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>" % (5 + 2 * i))
    obj(5 + 2 * i, b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
xref = out.tell()
out.write(b"xref\n0 %d\n0000000000 65535 f \n" % (len(offsets) + 1))
for off in offsets:
    out.write(b"%010d 00000 n \n" % off)
out.write(b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(offsets) + 1, xref))
open(root + "/big.pdf", "wb").write(out.getvalue())
# 1,000 pages of ~5 KB, each with a stylesheet and an image.
open(root + "/style.css", "w").write("body { background: #ffffcc; } h1 { color: #cc0000; }\n")
open(root + "/dot.gif", "wb").write(b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\xff\x00\x00\x00!\xf9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")
text = "<p>" + "Lorem ipsum dolor sit amet, consectetur adipiscing elit. " * 80 + "</p>"
for i in range(1000):
    open(root + "/walk/p%04d.htm" % i, "w").write(
        '<html><head><title>P%d</title><link rel="stylesheet" href="../style.css"></head><body><h1>Page %d</h1>'
        '<a href="p%04d.htm">next</a>%s<img src="../dot.gif" width="20" height="20"></body></html>\n' % (i, i, (i + 1) % 1000, text))
PY

export WEBKIT_DISABLE_DMABUF_RENDERER=1 NO_AT_BRIDGE=1
runner=()
command -v dbus-run-session >/dev/null && runner=(dbus-run-session --)
"${runner[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" "$bench" "$work/docs/" big.pdf walk 1000 "$rounds" 2>"$work/stderr.log" ||
  { cat "$work/stderr.log" >&2; exit 1; }
