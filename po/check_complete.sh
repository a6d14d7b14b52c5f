#!/bin/sh
# check_complete.sh LANG.po TEMPLATE.pot
# Fails when the translation lacks a message of the template, or holds one
# that is fuzzy or untranslated, or does not compile.
set -eu
po=$1
pot=$2
# Every message of the template, translated and not fuzzy (msgcmp counts
# fuzzy and untranslated entries as missing).
msgcmp "$po" "$pot"
stats=$(LC_ALL=C msgfmt --check --check-accelerators='&' --statistics --output-file=/dev/null "$po" 2>&1)
echo "$stats"
case "$stats" in
  *fuzzy* | *untranslated*) echo "$po: not complete" >&2; exit 1 ;;
esac
