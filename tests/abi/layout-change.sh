#!/bin/bash
# Gives the interface check a copy of the baseline in which the public class
# Result is 64 bits larger than the library's, and expects it to be refused
# as incompatible (status 1, not 2: the check ran) with a report that names
# Result and its size.
#
#   layout-change.sh CHECK-ABI LIBRARY BASELINE
set -u

check=$1
library=$2
baseline=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/abi-layout.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every definition of Result in the baseline (one per translation unit).
if ! grep -q "<class-decl name='Result' size-in-bits='[0-9]*'" "$baseline"; then
  echo "the baseline $baseline defines no Result with a size"
  exit 1
fi
perl -pe "s/(<class-decl name='Result' size-in-bits=')(\d+)/\$1 . (\$2 + 64)/ge" \
  "$baseline" >"$work/changed.abi"

status=0
"$check" --library "$library" --baseline "$work/changed.abi" >"$work/report" 2>&1 || status=$?
cat "$work/report"
if [ "$status" -ne 1 ]; then
  echo "FAILED: the check exited with $status, not 1 (incompatible)"
  exit 1
fi
if ! grep -q "'Result result' changed" "$work/report" ||
  ! grep -q "type size changed from" "$work/report"; then
  echo "FAILED: the report does not name Result's size change"
  exit 1
fi
echo "ok: the changed size of Result was refused"
