#!/bin/sh
# The installed library is found by a CMake project of its own, which links
# romcast::romcast, converts two modules in one process, and converts one in
# memory with typed options to the bytes the command line writes.
#   package.sh <build dir> <source dir> <modasm> <romcast>
set -eu
build=$1 source=$2 modasm=$3 romcast=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cmake -S "$source/examples/embed" -B "$scratch/embed" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/embed" >/dev/null
"$modasm" "$source/examples/demo.tqx.txt" "$scratch/demo.tqx"
printf 'not a module' > "$scratch/broken.tqx"
status=0
"$scratch/embed/convertTwo" "$scratch/demo.tqx" "$scratch/broken.tqx" > "$scratch/console" || status=$?
expected="Error (romcast): Illegal file format \`$scratch/broken.tqx' is used
$scratch/demo.tqx: status 0
$scratch/broken.tqx: status 3"
# The first run's console ends with its newline, the second with its message.
[ "$status" -eq 3 ] || { echo "status $status, expected 3"; cat "$scratch/console"; exit 1; }
[ "$(tail -n 3 "$scratch/console")" = "$expected" ] || { echo "console:"; cat "$scratch/console"; exit 1; }
test -s "$scratch/demo.mot" || { echo "demo.mot missing"; exit 1; }
test ! -e "$scratch/broken.hex" || { echo "broken.hex left behind"; exit 1; }
"$scratch/embed/inMemory" "$scratch/demo.tqx" "$scratch/memory.hex" > "$scratch/described"
grep -q '^TQ40, ' "$scratch/described" || { echo "readModule:"; cat "$scratch/described"; exit 1; }
"$romcast" -. -H "$scratch/demo.tqx" >/dev/null
cmp "$scratch/demo.hex" "$scratch/memory.hex" || { echo "in memory and on the command line differ"; exit 1; }
