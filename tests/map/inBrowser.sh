#!/bin/sh
# The memory map as a browser builds it: for each example module and for case
# folders with an ID code, a protect byte, a fill, a range, a dual-area
# split and sections left out, `modinspect --map` writes the page, headless Chromium loads it, and
# the DOM it built must hold
#   - every section the module text declares, in the image at its base and
#     last address or in the list of sections left out;
#   - every byte of the ID report that romcast writes for the same options, at
#     its address with its value;
#   - the fill (its byte) and the range (its start) where the options ask;
#   - all of these drawn in address order down the axis;
# and the browser must log no console message and the page request nothing
# but itself.
#   inBrowser.sh MODASM MODINSPECT ROMCAST ROOT
set -u
modasm=$1
modinspect=$2
romcast=$3
root=$4
command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
checked=0
fail() { echo "FAIL ($name): $*"; failures=$((failures + 1)); }

# MODULE_TEXT ARGS...: the last argument names the module, as romcast takes it.
check() {
    text=$1
    shift
    name="${text#"$root"/} $*"
    dir=$work/$checked
    mkdir -p "$dir"
    for last; do :; done
    stem=${last%.tqx}
    (cd "$dir" && "$modasm" "$text" "$stem.tqx" && "$romcast" "$@" >/dev/null) || { fail "romcast"; return; }
    (cd "$dir" && "$modinspect" --map map.html "$@") || { fail "modinspect --map exited with $?"; return; }
    timeout 60 chromium --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$dir/profile" \
        --disable-background-networking --disable-component-update --disable-sync --disable-default-apps \
        --host-resolver-rules="MAP * ~NOTFOUND" --enable-logging=stderr --v=0 --log-net-log="$dir/net.json" \
        --dump-dom "file://$dir/map.html" > "$dir/dom.html" 2> "$dir/browser.txt" || { fail "chromium"; return; }
    checked=$((checked + 1))

    grep CONSOLE "$dir/browser.txt" > "$dir/console.txt" && fail "console: $(head -3 "$dir/console.txt")"
    # The page's own requests are those of its (opaque, file) origin; the
    # browser's background requests, which the resolver rule keeps in, are not.
    grep '"initiator":"null"' "$dir/net.json" | grep -o '"url":"[^"]*"' | grep -v '"url":"file:' > "$dir/fetched.txt" &&
        fail "fetched: $(head -3 "$dir/fetched.txt")"

    # One element a line: kind, name or address attributes, and its place.
    awk '{ while (match($0, /<(rect|g|li|line)[^>]*>/)) { print substr($0, RSTART, RLENGTH); $0 = substr($0, RSTART + RLENGTH) } }' \
        "$dir/dom.html" > "$dir/elements.txt"
    dual=no
    grep -q '^MB "TQ40/51X"' "$text" && dual=yes
    case " $* " in *" +d51x "*) dual=yes ;; esac
    awk -v dual=$dual -v elements="$dir/elements.txt" '
        function number(s,   v, k, d) {
            if (s !~ /^0[xX]/) return s + 0
            v = 0
            for (k = 3; k <= length(s); k++) { d = index("0123456789ABCDEF", toupper(substr(s, k, 1))) - 1; v = v * 16 + d }
            return v
        }
        function attribute(line, key,   at) {
            if (!match(line, key "=\"[^\"]*\"")) return ""
            at = substr(line, RSTART + length(key) + 2, RLENGTH - length(key) - 3)
            return at
        }
        $1 == "ST" { kind[$2] = substr($3, length($3)); n = $0; sub(/^[^"]*"/, "", n); sub(/".*$/, "", n); title[$2] = n; order[++count] = $2 }
        $1 == "ASS" { size[$2] = number($3) }
        $1 == "ASL" { base[$2] = number($3) }
        END {
            while ((getline line < elements) > 0) {
                if (attribute(line, "data-kind") == "section")
                    drawn[attribute(line, "data-name") " " attribute(line, "data-first") " " attribute(line, "data-last")] = 1
                if (attribute(line, "data-kind") == "leftOut") left[attribute(line, "data-name")] = 1
            }
            for (k = 1; k <= count; k++) {
                s = order[k]
                inImage = size[s] > 0 && kind[s] != "D" && (dual == "no" || kind[s] == "P" || kind[s] == "R")
                key = sprintf("%s %05X %05X", title[s], base[s], base[s] + size[s] - 1)
                if (inImage && !(key in drawn)) print "section " key " not drawn"
                if (!inImage && !(title[s] in left)) print "section " title[s] " not listed as left out"
            }
        }' "$text" > "$dir/sections.txt"
    [ -s "$dir/sections.txt" ] && fail "$(cat "$dir/sections.txt")"

    if [ -f "$dir/$stem.id" ]; then
        sed -n 's/^\([0-9A-F]*\) : \([0-9A-F]*\)$/\1 \2/p' "$dir/$stem.id" | while read -r address value; do
            grep -q "data-address=\"$address\" data-value=\"$value\"" "$dir/elements.txt" ||
                echo "security byte $address = $value not drawn"
        done > "$dir/security.txt"
        [ -s "$dir/security.txt" ] && fail "$(cat "$dir/security.txt")"
    fi
    fill=$(printf '%s\n' "$@" | sed -n '/^-F$/{n;s/:.*//p}')
    [ -n "$fill" ] && ! grep -q "data-kind=\"fill\".*data-value=\"$fill\"" "$dir/elements.txt" && fail "no fill of $fill"
    range=$(printf '%s\n' "$@" | sed -n '/^-A$/{n;s/:.*//p}')
    [ -n "$range" ] && ! grep -q "data-kind=\"range\" data-first=\"0*$range\"" "$dir/elements.txt" && fail "no range from $range"

    # Down the axis in address order: sections by their first and last byte,
    # security bytes by their marker.
    awk '
        function attribute(line, key) {
            if (!match(line, key "=\"[^\"]*\"")) return ""
            return substr(line, RSTART + length(key) + 2, RLENGTH - length(key) - 3)
        }
        function padded(address) { return substr("00000000", 1, 8 - length(address)) address }
        /data-kind="section"/ { print padded(attribute($0, "data-first")), attribute($0, "y")
                                print padded(attribute($0, "data-last")), attribute($0, "y") + attribute($0, "height") }
        /data-kind="(id|protect)"/ { address = padded(attribute($0, "data-address")) }
        /class="marker"/ { print address, attribute($0, "y1") }' "$dir/elements.txt" | LC_ALL=C sort -k1,1 -k2,2n |
        awk 'NR > 1 && $2 + 0.05 < last { print "address " $1 " drawn above an address before it"; exit }
             { last = $2 + 0 }' > "$dir/order.txt"
    [ -s "$dir/order.txt" ] && fail "$(cat "$dir/order.txt")"
}

examples=$root/examples
cases=$root/tests/e2e/cases
check "$examples/demo.tqx.txt" demo
check "$examples/demo.tqx.txt" -ID#31323334353637 demo
check "$examples/dualarea.tqx.txt" dualarea
check "$examples/secured.tqx.txt" -F EE secured
for c in writing/gapsFillStartIdHexProtect2 writing/gapsFillEndIdProtect1 writing/gapsRangeClips \
         writing/dualAreaProtectInCode idcode/protectx listing/normalMode; do
    # shellcheck disable=SC2046
    check "$cases/$c/in/app.tqx.txt" $(cat "$cases/$c/args")
done

echo "$checked maps checked in the browser"
[ "$checked" -ge 10 ] || { echo "FAIL: only $checked of 10 maps were loaded"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ]
