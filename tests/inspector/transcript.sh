#!/bin/sh
# modinspect on a module shaped like a linker's (linked.tqx.txt) and on the
# small TQ8 module of a case folder: the summary (-s) and pre-flight check
# (--check) against expected.txt; the module text of every module of the case
# folders, and of damaged copies of linked.tqx, assembled back into the same
# bytes; and the summary of a module of a thousand attribute texts fitting a
# screen, -v listing them all.
# ROMCAST_REGEN=1 rewrites expected.txt from the actual run.
#   transcript.sh MODASM MODINSPECT ROOT
set -u
modasm=$1
modinspect=$2
here=$3/tests/inspector
small=$3/tests/e2e/cases/idcode/tq8-ofsreg1/in/app.tqx.txt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
assemble() { "$modasm" "$1" "$work/$2" || fail "modasm rejects $2"; }

assemble "$here/linked.tqx.txt" linked.tqx
assemble "$small" small.tqx
# Its one section a RAM ('D') section, for the dual-area chip: nothing to load.
sed 's|"TQ40"|"TQ40/51X"|; s/@AP/@AD/' "$small" > "$work/ramOnly.tqx.txt"
assemble "$work/ramOnly.tqx.txt" ramOnly.tqx

# Each run with its arguments and exit status, into one transcript.
run() {
    echo "\$ modinspect $*"
    (cd "$work" && "$modinspect" "$@")
    echo "exit status $?"
}
{
    run -s linked.tqx
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

# The module text of a module assembles back into its bytes, and the module
# has a summary.
roundTrip() {
    "$modinspect" "$1" > "$work/text" && "$modasm" "$work/text" "$work/again" && cmp -s "$1" "$work/again" &&
        "$modinspect" -s "$1" > /dev/null || fail "$2 does not come back from its module text, or has no summary"
}
find "$3/tests/e2e/cases" -path '*/in/*.txt' | while read -r text; do
    "$modasm" "$text" "$work/case.tqx" && roundTrip "$work/case.tqx" "$text"
done | grep FAIL && failures=$((failures + 1))
# linked.tqx cut short, or with a byte replaced by one that starts a long
# number, a long name, a record type or a load record (octal), at four places:
# the middle, three quarters, the last load record and the text "REV.F 2.01",
# each of the last two one byte short.
size=$(wc -c < "$work/linked.tqx")
text=$(grep -boa 'REV.F 2.01' "$work/linked.tqx" | cut -d: -f1)
for at in $((size / 2)) $((size * 3 / 4)) $((size - 8)) $((text + 9)); do
    head -c $at "$work/linked.tqx" > "$work/cut$at.tqx"
    for code in 210 337 342 355; do
        { head -c $at "$work/linked.tqx"; printf "\\$code"; tail -c +$((at + 2)) "$work/linked.tqx"; } \
            > "$work/$at-$code.tqx"
    done
done
for module in "$work"/*.tqx; do roundTrip "$module" "$(basename "$module")"; done

# A linker may write thousands of attribute texts.
{
    sed '/^\$sections:/,$d' "$small"
    i=0
    while [ $i -lt 1000 ]; do echo "ATN 0 0 55 \"text $i\""; i=$((i + 1)); done
    sed -n '/^\$sections:/,$p' "$small"
} > "$work/many.tqx.txt"
assemble "$work/many.tqx.txt" many.tqx
lines=$("$modinspect" -s "$work/many.tqx" | wc -l)
[ "$lines" -le 24 ] || fail "the summary of a module with 1000 texts has $lines lines"
lines=$("$modinspect" -v "$work/many.tqx" | grep -c '"text ')
[ "$lines" -eq 1000 ] || fail "-v lists $lines of the 1000 texts"

[ $failures -eq 0 ] && echo "modinspect as expected"
[ $failures -eq 0 ]
