#!/bin/sh
# Keeps the manual page and the option parser from drifting apart.
#   manualOptions.sh page ROOT   every option is described in docs/romcast.1, and
#                                 the page describes no option that does not exist,
#                                 and the bash completion offers every option
#   manualOptions.sh parser ROOT every option is recognised by the parser, and the
#                                 parser recognises no option missing here
# Exit 77 (skipped) when the parser does not recognise options yet.
set -u
mode=$1
root=$2
page=$root/docs/romcast.1
completion=$root/packaging/romcast.bash-completion
parser=$root/src/options/options.cpp

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
    for option in $options; do
        escaped=$(printf '%s' "$option" | sed 's/[.+]/\\&/g')
        grep -Eq -- "(^|[ '])$escaped([ ']|\$)" "$completion" \
            || fail "the bash completion does not offer $option"
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

# The parser's code without its comments.
parserCode() { sed 's|//.*||' "$parser"; }

# The characters of the switch on an option's second character: `case 'A':`.
switchCases() {
    parserCode | awk '
        /switch \(argument\[1\]\)/ { inSwitch = 1; match($0, /^ */); closing = substr($0, 1, RLENGTH) "}"; next }
        inSwitch && $0 == closing { inSwitch = 0 }
        inSwitch' | grep -oE "case '.'" | cut -c7 | sort -u
}

# An option is recognised by its own text, or (a one-letter option, and -ID)
# by its letter in the switch.
recognised() {
    echo "$literals" | grep -qxF -- "$1" && return 0
    case $1 in
        -?|-ID) echo "$cases" | grep -qxF -- "$(echo "$1" | cut -c2)" ;;
        *) return 1 ;;
    esac
}

checkParser() {
    literals=$(parserCode | grep -oE '"[-+][A-Za-z.][A-Za-z0-9]*"' | tr -d '"' | sort -u)
    cases=$(switchCases)
    if ! echo "$literals" | grep -qx -- '-TQ8'; then
        echo "the option parser does not recognise options yet"
        exit 77
    fi
    for option in $options; do
        recognised "$option" || fail "option $option is not in $parser"
    done
    for literal in $literals; do
        known "$literal" || fail "$parser recognises $literal, which the manual does not describe"
    done
    # Every letter of the switch leads to an option described here.
    for letter in $cases; do
        found=no
        for option in $options; do
            second=$(echo "$option" | cut -c2)
            [ "$second" = "$letter" ] && found=yes
            case $option in
                -?) [ "$(echo "$letter" | tr a-z A-Z)" = "$(echo "$second" | tr a-z A-Z)" ] && found=yes ;;
            esac
        done
        [ $found = yes ] || fail "$parser has a case for '-$letter', which no option described here begins with"
    done
}

case $mode in
    page) checkPage ;;
    parser) checkParser ;;
    *) echo "usage: manualOptions.sh page|parser ROOT"; exit 2 ;;
esac
[ $failures -eq 0 ] && echo "manual and options agree"
[ $failures -eq 0 ]
