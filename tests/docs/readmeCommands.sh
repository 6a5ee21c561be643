#!/bin/sh
# Every command of the README, typed in order, works: the lines that begin
# with "$ " in its code blocks run in a scratch directory holding the examples
# and the built programs under build/, each must exit with 0, and the lines
# shown after a command (blank lines and "..." aside) must appear in its output
# in that order.
#   readmeCommands.sh ROOT BUILD_DIR
# `make demo` runs as the steps it takes once romcast is built; the commands
# that build, test or install (other make targets, dpkg) are left to the
# machines that do that and only counted.
set -u
root=$1
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/build/tools"
cp -R "$root/examples" "$work/examples"
ln -s "$build/romcast" "$work/build/romcast"
ln -s "$build/tools/modasm" "$work/build/tools/modasm"
ln -s "$build/tools/modinspect" "$work/build/tools/modinspect"

# The n-th command into n.command, the lines shown after it into n.expected.
awk -v dir="$work" '
    /^    \$ / {
        n++; inBlock = 1; sub(/^    \$ /, "")
        print > (dir "/" n ".command"); printf "" > (dir "/" n ".expected"); next
    }
    inBlock && /^    / { sub(/^    /, ""); if ($0 != "...") print > (dir "/" n ".expected"); next }
    !/^$/ { inBlock = 0 }' "$root/README.md"

failures=0
ran=0
skipped=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
n=1
while [ -f "$work/$n.command" ]; do
    command=$(cat "$work/$n.command")
    expected=$work/$n.expected
    n=$((n + 1))
    case $command in
        "make demo"*)
            run='mkdir -p out && build/tools/modasm examples/demo.tqx.txt out/demo.tqx && build/romcast out/demo.tqx' ;;
        make*|dpkg*) skipped=$((skipped + 1)); continue ;;
        *) run=$command ;;
    esac
    ran=$((ran + 1))
    (cd "$work" && sh -c "$run") > "$work/output" 2>&1 || fail "'$command' exited with $?: $(cat "$work/output")"
    # Each expected line found after the one before it.
    awk -v expectedFile="$expected" '
        BEGIN { while ((getline line < expectedFile) > 0) { expected[count] = line; count++ } }
        found < count && $0 == expected[found] { found++ }
        END { if (found < count) { print expected[found]; exit 1 } }' "$work/output" > "$work/missing" ||
        fail "'$command' did not print: $(cat "$work/missing")"
done

echo "$ran commands run, $skipped build commands left out, $failures failed"
[ "$ran" -gt 0 ] && [ "$failures" -eq 0 ]
