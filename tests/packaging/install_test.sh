#!/usr/bin/env bash
# Installs the build into a temporary root (cmake --install with DESTDIR, the
# program and the sample documents), then runs the quiro package's postinst
# as dpkg's trigger does, with DPKG_ROOT naming that root. The document root
# gets its site and print-ready pages and nothing else changes; a broken
# document set, a run already in progress, a failing or hanging program and
# a read-only root each end with exit status 0 and a word on stderr.
#
#   install_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1 src=$2
tmp=$(mktemp -d)
holder=""
trap '[ -n "$holder" ] && kill "$holder" 2>/dev/null; rm -rf "$tmp"' EXIT
root=$tmp/root
docs=$root/var/lib/vesk/drive_c/VESK/DOCS
shared=$root/var/cache/quiro
sharedtop=$root/var/cache
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The postinst as the trigger runs it; extra VAR=value arguments go to its
# environment, its stderr to $tmp/err. Returns its exit status.
trigger() {
  env -u VESK_DRIVE_C DPKG_ROOT="$root" HOME="$tmp/home" "$@" \
    sh "$src/debian/quiro.postinst" triggered /var/lib/vesk/drive_c/VESK/DOCS 2>"$tmp/err"
}

expect_quiet_success() {  # expect_quiet_success CASE STATUS ERR_PATTERN
  [ "$2" -eq 0 ] || fail "$1: postinst exit status $2"
  grep -q -- "$3" "$tmp/err" || fail "$1: stderr lacks '$3': $(cat "$tmp/err")"
}

# Everything in the temporary root outside the document root, with sizes and
# times, to show that a trigger run changes nothing there.
outside() {
  find "$root" -path "$docs" -prune -o -path "$sharedtop" -prune -o -printf '%p %s %T@\n' | sort
}

for component in "" sample-docs; do
  DESTDIR=$root cmake --install "$build" --prefix /usr ${component:+--component "$component"} >/dev/null ||
    fail "cmake --install ${component:-(program)}"
done
for f in usr/bin/quiro usr/libexec/quiro/update-docs usr/share/man/man1/quiro.1 \
  usr/share/applications/org.quiro.Quiro.desktop usr/share/metainfo/org.quiro.Quiro.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/org.quiro.Quiro.svg \
  usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/org.quiro.Quiro.png \
  usr/share/locale/{de,es,fr,ja,zh_CN}/LC_MESSAGES/quiro.mo \
  var/lib/vesk/drive_c/VESK/DOCS/TOVY.INI var/lib/vesk/drive_c/VESK/DOCS/sb_in.htm \
  var/lib/vesk/drive_c/VESK/DOCS/guide/index.htm; do
  [ -f "$root/$f" ] || fail "not installed: $f"
done
compgen -G "$root/usr/lib/quiro/pdfprint.so" >/dev/null || compgen -G "$root/usr/lib/*/quiro/pdfprint.so" >/dev/null ||
  fail "not installed: the print and PDF module"
grep -q 'DocumentRoot=C:\\VESK\\DOCS' "$docs/TOVY.INI" || fail "installed TOVY.INI does not name C:\\VESK\\DOCS"

# One version everywhere: the program, the package's changelog, the metadata.
version=$("$root/usr/bin/quiro" --version | cut -d' ' -f2)
grep -q "^quiro ($version)" "$src/debian/changelog" || fail "debian/changelog does not start at $version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.quiro.Quiro.metainfo.xml" ||
  fail "metainfo has no release $version"

# The manual page's option list names every option the program's help lists.
manual=$(sed 's/\\-/-/g' "$src/data/quiro.1")
for option in $("$root/usr/bin/quiro" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -Eq -- "^\.It .*Fl ${option#-}( |$)" <<<"$manual" ||
    fail "the manual page lacks $option"
done

# A documents package whose pages are broken: a binary index page, a FIFO, a
# folder and a dangling link with page names.
mkdir -p "$docs/broken/dir.htm"
printf 'GIF89a\0\0\377\376<title>\0\n' >"$docs/broken/index.htm"
mkfifo "$docs/broken/pipe.htm"
ln -s nowhere.htm "$docs/broken/gone.htm"

mkdir -p "$sharedtop"  # as on every system
before=$(outside)
trigger QUIRO_UPDATE_DOCS_TIMEOUT=60
status=$?
[ "$status" -eq 0 ] || fail "build: postinst exit status $status: $(cat "$tmp/err")"
[ -f "$docs/sidebar.htm" ] || fail "build: no sidebar.htm"
grep -qi 'page-break-before' "$docs/guide/ch1.htm" || fail "build: guide pages not prepared for printing"
# The German document set is built as its own site, with its own shared index.
grep -q 'Wichtige Informationen' "$docs/de/sidebar.htm" 2>/dev/null || fail "build: the German set's sidebar.htm is missing"
grep -qi 'page-break-before' "$docs/de/guide/ch1.htm" || fail "build: German pages not prepared for printing"
[ "$(find "$shared/search" -name '*.db' | wc -l)" -ge 2 ] || fail "build: no shared index of the German set"
[ -z "$(find "$docs" -name '*~')" ] || fail "build: temporary files left behind"
[ "$(outside)" = "$before" ] || fail "build: files outside the document root changed: $(diff <(echo "$before") <(outside))"
[ ! -e "$tmp/home" ] || fail "build: the home folder gained files"

# The shared search index: readable by all, and a user's search answered
# from it with nothing written to the user's own cache.
index=$(find "$shared/search" -name '*.db' 2>/dev/null)
[ -n "$index" ] || fail "build: no shared search index in $shared/search"
for f in $index; do
  [ "$(stat -c %a "$f")" = 644 ] || fail "build: $f is not readable by every user"
done
[ -z "$(find "$shared" -name '*.new*')" ] || fail "build: temporary index files left behind"
(cd "$tmp" && env VESK_DRIVE_C="$root/var/lib/vesk/drive_c" XDG_CACHE_HOME="$tmp/usercache" \
  QUIRO_SHARED_INDEX_DIR="$shared/search" "$root/usr/bin/quiro" --search memory --verbose \
  >"$tmp/hits" 2>"$tmp/err")
[ -s "$tmp/hits" ] || fail "search: no hits from the shared index: $(cat "$tmp/err")"
grep -q "searched the shared search index" "$tmp/err" || fail "search: not the shared index: $(cat "$tmp/err")"
[ ! -e "$tmp/usercache" ] || fail "search: the user's cache gained files"
# A German user searches the German set, answered from its shared index.
(cd "$tmp" && env -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 LANGUAGE=de VESK_DRIVE_C="$root/var/lib/vesk/drive_c" \
  XDG_CACHE_HOME="$tmp/usercache-de" QUIRO_SHARED_INDEX_DIR="$shared/search" "$root/usr/bin/quiro" \
  --search Netzschalter --verbose >"$tmp/hits" 2>"$tmp/err")
grep -q "^$docs/de/guide/ch1.htm" "$tmp/hits" || fail "search: a German user does not find the German guide: $(cat "$tmp/hits" "$tmp/err")"
grep -q "searched the shared search index" "$tmp/err" || fail "search: German: not the shared index: $(cat "$tmp/err")"

# A run while another holds the lock gives up after the wait, untouched.
(exec 8<"$docs" && flock 8 && exec sleep 60) &
holder=$!
while flock -n "$docs" true; do sleep 0.05; done
rm "$docs/sidebar.htm"
trigger QUIRO_UPDATE_DOCS_WAIT=1
expect_quiet_success "run in progress" $? "another run"
[ ! -e "$docs/sidebar.htm" ] || fail "run in progress: built anyway"
kill "$holder"
wait "$holder" 2>/dev/null
holder=""
trigger && [ -f "$docs/sidebar.htm" ] || fail "after the other run: not built"

# A program that fails, and one that hangs.
mv "$root/usr/bin/quiro" "$tmp/quiro"
printf '#!/bin/sh\nexit 3\n' >"$root/usr/bin/quiro"
chmod +x "$root/usr/bin/quiro"
trigger
expect_quiet_success "failing program" $? "failed (exit status 3)"
printf '#!/bin/sh\nexec sleep 60\n' >"$root/usr/bin/quiro"
trigger QUIRO_UPDATE_DOCS_TIMEOUT=1
expect_quiet_success "hanging program" $? "did not finish within 1 s"
mv "$tmp/quiro" "$root/usr/bin/quiro"

# A read-only root, where a private mount namespace can make one.
if unshare -m true 2>/dev/null; then
  export -f trigger
  export root src tmp
  unshare -m bash -c 'mount --bind "$root" "$root" && mount -o remount,bind,ro "$root" && trigger'
  expect_quiet_success "read-only root" $? "cannot be written"
else
  echo "read-only root: skipped (no mount namespaces here)"
fi

[ "$failures" -eq 0 ] && echo "all passed"
exit $((failures > 0))
