#!/bin/sh
# modinspect's summary (-s) and pre-flight (--check) on the modules of
# tests/inspector/modules, against tests/inspector/expected.txt; and the summary
# of a module with a thousand attribute texts still fits a screen, -v listing
# them all. ROMCAST_REGEN=1 rewrites expected.txt from the actual run.
#   summaryAndCheck.sh MODASM MODINSPECT ROOT
set -u
modasm=$1
modinspect=$2
here=$3/tests/inspector
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for text in "$here"/modules/*.tqx.txt; do
    name=$(basename "$text" .txt)
    "$modasm" "$text" "$work/$name" || fail "modasm rejects $name"
done

# Each run with its arguments and exit status, into one transcript.
run() {
    echo "\$ modinspect $*"
    (cd "$work" && "$modinspect" "$@")
    echo "exit status $?"
}
{
    run -s linked.tqx
    run --check linked.tqx
    run --check -TQ8E linked.tqx
    run --check small.tqx
    run --check -TQ8 small.tqx
    run -s ramOnly.tqx
    run --check ramOnly.tqx
    run --check -TQ9 small.tqx 2>&1
} > "$work/actual"
if [ "${ROMCAST_REGEN:-0}" = 1 ]; then
    cp "$work/actual" "$here/expected.txt"
else
    diff -u "$here/expected.txt" "$work/actual" || fail "the transcript differs from expected.txt"
fi

# A linker may write thousands of attribute texts.
{
    sed '/^\$sections:/,$d' "$here/modules/small.tqx.txt"
    i=0
    while [ $i -lt 1000 ]; do echo "ATN 0 0 55 \"text $i\""; i=$((i + 1)); done
    sed -n '/^\$sections:/,$p' "$here/modules/small.tqx.txt"
} > "$work/many.tqx.txt"
"$modasm" "$work/many.tqx.txt" "$work/many.tqx" || fail "modasm rejects the module of many texts"
lines=$("$modinspect" -s "$work/many.tqx" | wc -l)
[ "$lines" -le 24 ] || fail "the summary of a module with 1000 texts has $lines lines"
lines=$("$modinspect" -v "$work/many.tqx" | grep -c '"text ')
[ "$lines" -eq 1000 ] || fail "-v lists $lines of the 1000 texts"

[ $failures -eq 0 ] && echo "summary and check as expected"
[ $failures -eq 0 ]
