#!/bin/sh
# The layers of src/ look one way: a folder includes only folders below it, so
# no two folders include each other round a loop; and no two files include
# each other, directly or round a loop (a header and its .cpp count as one
# file, so a .cpp that includes a header which includes the .cpp's own header
# closes a loop too).
#   includeLoops.sh SOURCE_DIR
set -e
cd "$1/src"
# The layers from the bottom up; folders on one line are side by side and
# include nothing of each other.
layers='common platform
module output
options
plan
records
emission
run
api
cli'
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for file in $(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort); do
  sed -n 's/^#include "\(.*\)".*/\1/p' "$file" | while read -r included; do
    [ -f "$included" ] || continue
    [ "${file%.*}" = "${included%.*}" ] || echo "${file%.*} ${included%.*}"
  done
done > "$edges"
upward=$(echo "$layers" | awk -v edges="$edges" '
  { for (i = 1; i <= NF; i++) level[$i] = NR }
  END {
    while ((getline line < edges) > 0) {
      split(line, e, " "); split(e[1], a, "/"); split(e[2], b, "/")
      if (a[1] == b[1]) continue
      if (!(a[1] in level) || !(b[1] in level)) { print "  " a[1] " or " b[1] ": a folder of no layer"; continue }
      if (level[b[1]] >= level[a[1]]) print "  " e[1] " includes " e[2]
    }
  }' | sort -u)
status=0
if [ -n "$upward" ]; then
  echo "includes that do not go down a layer:"
  echo "$upward"
  status=1
fi
if tsort "$edges" 2>&1 >/dev/null | grep -q 'loop'; then
  echo "files that include each other:"
  tsort "$edges" 2>&1 >/dev/null | sed -n 's/^tsort: \([^:]*\)$/  \1/p'
  status=1
fi
[ $status -ne 0 ] || echo "every include goes down a layer, and no file of src/ includes itself round a loop"
exit $status
