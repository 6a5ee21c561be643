#!/bin/sh
# The manual page, the bash completion and romcast name the same options: the
# page's OPTIONS section and the completion list the same ones, romcast
# accepts each, and every option romcast accepts (each letter after "-", and
# each option text of its parser) is on the page.
#   manualOptions.sh ROOT ROMCAST
set -u
root=$1
romcast=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The tags of the OPTIONS section (the line after each .TP), roff hyphens plain.
tags=$(sed 's/\\-/-/g' "$root/docs/romcast.1" | awk '
    /^\.SH/ { inOptions = ($2 == "OPTIONS") }
    inOptions && previousTp && /^\.B/ { sub(/#$/, "", $2); print $2 }
    { previousTp = ($1 == ".TP") }' | sort -u)
offered=$(tr '\n' ' ' < "$root/packaging/romcast.bash-completion" |
    sed "s/.*compgen -W '\([^']*\)'.*/\1/" | tr -s ' ' '\n' | grep . | sort -u)
[ -n "$tags" ] && [ "$tags" = "$offered" ] || fail "the page describes" $tags "; the completion offers" $offered

# Whatever romcast makes of the module after it, $1 is an option to it.
accepted() { ! "$romcast" "$1" nothing 2>&1 | grep -qF "Invalid option '$1'"; }
for tag in $tags; do
    accepted "$tag" || fail "the manual page describes $tag, which romcast refuses"
done
# One-letter options are the same in either letter case.
for option in $(echo .ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz | fold -w1 | sed 's/^/-/') \
    $(sed 's|//.*||' "$root/src/options/options.cpp" | grep -oE '"[-+][A-Za-z.][A-Za-z0-9]*"' | tr -d '"'); do
    accepted "$option" && ! echo "$tags" | grep -qixF -- "$option" &&
        fail "romcast accepts $option, which the manual page does not describe"
done

[ $failures -eq 0 ] && echo "manual, completion and romcast agree"
[ $failures -eq 0 ]
