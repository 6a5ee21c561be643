#!/bin/sh
# Every module text of the test suite, assembled, printed by modinspect and
# assembled again, must give back the same bytes; so must damaged copies of each
# module (cut short, or with a byte replaced by one that starts a long number, a
# long name or a record), and the summary must come out of all of them.
# Damaged copies are made of every third module, of all with ROMCAST_SWEEP=full
# (`make sweep`).
#   roundTrip.sh MODASM MODINSPECT ROOT
set -eu
modasm=$1
modinspect=$2
root=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

checked=0
failed=0
modules=0

# The module at $1 must survive the round trip; $2 names it in messages.
roundTrip() {
    if ! "$modinspect" "$1" > "$work/text" 2> "$work/error" || [ -s "$work/error" ]; then
        echo "FAIL: modinspect on $2: $(cat "$work/error")"; failed=$((failed + 1)); return
    fi
    if ! "$modasm" "$work/text" "$work/again" 2> "$work/error"; then
        echo "FAIL: $2: modasm rejects what modinspect printed: $(cat "$work/error")"
        failed=$((failed + 1)); return
    fi
    if ! cmp -s "$1" "$work/again"; then
        echo "FAIL: $2: the bytes differ after the round trip"; cat "$work/text"
        failed=$((failed + 1)); return
    fi
    if ! "$modinspect" -s "$1" > /dev/null 2> "$work/error" || [ -s "$work/error" ]; then
        echo "FAIL: modinspect -s on $2: $(cat "$work/error")"; failed=$((failed + 1)); return
    fi
    checked=$((checked + 1))
}

# $1 with the byte at offset $2 replaced by the byte of octal code $3.
replaceByte() {
    { head -c "$2" "$1"; printf "\\$3"; tail -c +"$(($2 + 2))" "$1"; } > "$work/damaged"
}

# Module texts: the inputs of the end-to-end cases, and any other in/ folder.
find "$root/tests" -path '*/in/*.txt' | sort > "$work/corpus"
[ -s "$work/corpus" ] || { echo "FAIL: no module texts under $root/tests"; exit 1; }
while read -r text; do
    name=${text#"$root/"}
    if ! "$modasm" "$text" "$work/module" 2> "$work/error"; then
        echo "FAIL: modasm rejects $name: $(cat "$work/error")"; failed=$((failed + 1)); continue
    fi
    # One module may serve many cases: each is checked once.
    sum=$(cksum < "$work/module")
    grep -qxF "$sum" "$work/seen" 2>/dev/null && continue
    echo "$sum" >> "$work/seen"

    roundTrip "$work/module" "$name"
    modules=$((modules + 1))
    [ "${ROMCAST_SWEEP:-}" = full ] || [ $((modules % 3)) -eq 1 ] || continue
    size=$(wc -c < "$work/module")
    for length in 1 $((size / 3)) $((size / 2)) $((size - 1)); do
        [ "$length" -gt 0 ] && [ "$length" -lt "$size" ] || continue
        head -c "$length" "$work/module" > "$work/damaged"
        roundTrip "$work/damaged" "$name cut to $length bytes"
    done
    for at in $((size / 4)) $((size / 2)) $((size * 3 / 4)); do
        # 0x88, 0xDF, 0xE2 and 0xED (a long number, a long name, a record type
        # prefix, a load record).
        for code in 210 337 342 355; do
            replaceByte "$work/module" "$at" "$code"
            roundTrip "$work/damaged" "$name with byte $at replaced (octal $code)"
        done
    done
done < "$work/corpus"

echo "$checked passed, $failed failed"
[ "$failed" -eq 0 ]
