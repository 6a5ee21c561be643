#!/bin/sh
# No two files of src/ include each other, directly or round a loop: a header
# and its .cpp count as one file, so a .cpp that includes a header which
# includes the .cpp's own header closes a loop too. The loops between folders
# are printed as well; they go as the steps of the run become values.
#   includeLoops.sh SOURCE_DIR
set -e
cd "$1/src"
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for file in $(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort); do
  sed -n 's/^#include "\(.*\)".*/\1/p' "$file" | while read -r included; do
    [ -f "$included" ] || continue
    [ "${file%.*}" = "${included%.*}" ] || echo "${file%.*} ${included%.*}"
  done
done > "$edges"
folders=$(awk '{ split($1, a, "/"); split($2, b, "/"); if (a[1] != b[1]) print a[1], b[1] }' "$edges" |
  tsort 2>&1 >/dev/null | sed -n 's/^tsort: \([a-z0-9]*\)$/\1/p' | sort -u | tr '\n' ' ')
[ -z "$folders" ] || echo "folders still in a loop: $folders"
if tsort "$edges" 2>&1 >/dev/null | grep -q 'loop'; then
  echo "files that include each other:"
  tsort "$edges" 2>&1 >/dev/null | sed -n 's/^tsort: \([^:]*\)$/  \1/p'
  exit 1
fi
echo "no file of src/ includes itself round a loop"
