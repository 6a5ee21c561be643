#!/bin/sh
# Keeps the manual page and the option parser from drifting apart.
#   manualOptions.sh page ROOT   every option is described in docs/romcast.1, and
#                                 the page describes no option that does not exist
#   manualOptions.sh parser ROOT every option is recognised by the parser, and the
#                                 parser recognises no option missing here
# Exit 77 (skipped) when the parser does not recognise options yet.
set -u
mode=$1
root=$2
page=$root/docs/romcast.1
parser=$root/src/driver/options.cpp

options='-. -A -B -e -F -H -ID -L -N -o -ofsreg1 -ofsreg2 -ofsregx
-protect1 -protect2 -protectx -TQ8 -TQ8E -TQ8N -v +debug +d51x'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One-letter options are the same option in either letter case.
known() {
    for option in $options; do
        [ "$1" = "$option" ] && return 0
        case $option in
            -?) [ "$(echo "$1" | tr a-z A-Z)" = "$(echo "$option" | tr a-z A-Z)" ] && return 0 ;;
        esac
    done
    return 1
}

# The page with its roff hyphens made plain.
plainPage() { sed 's/\\-/-/g' "$page"; }

checkPage() {
    for option in $options; do
        # The option as a word of its own: not part of a longer option name.
        escaped=$(printf '%s' "$option" | sed 's/[.+]/\\&/g')
        plainPage | grep -Eq -- "(^|[^A-Za-z0-9-])$escaped([^A-Za-z0-9]|$)" \
            || fail "option $option is not in the manual page"
    done
    # The tags of the OPTIONS section: the line after each .TP.
    tags=$(plainPage | awk '
        /^\.SH/ { inOptions = ($2 == "OPTIONS") }
        inOptions && previousTp && /^\.B/ { sub(/#$/, "", $2); print $2 }
        { previousTp = ($1 == ".TP") }')
    [ -n "$tags" ] || fail "no options found in the OPTIONS section"
    for tag in $tags; do
        known "$tag" || fail "the manual page describes $tag, which is not an option"
    done
}

checkParser() {
    literals=$(grep -oE '"[-+][A-Za-z.][A-Za-z0-9]*"' "$parser" | tr -d '"' | sort -u)
    if ! echo "$literals" | grep -qx -- '-TQ8'; then
        echo "the option parser does not recognise options yet"
        exit 77
    fi
    for option in $options; do
        found=no
        for literal in $literals; do
            [ "$literal" = "$option" ] && found=yes
        done
        [ $found = yes ] || fail "option $option is not in $parser"
    done
    for literal in $literals; do
        known "$literal" || fail "$parser recognises $literal, which the manual does not describe"
    done
}

case $mode in
    page) checkPage ;;
    parser) checkParser ;;
    *) echo "usage: manualOptions.sh page|parser ROOT"; exit 2 ;;
esac
[ $failures -eq 0 ] && echo "manual and options agree"
[ $failures -eq 0 ]
