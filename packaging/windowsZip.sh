#!/bin/sh
# romcast-VERSION-win64.zip in WINDOWS_BUILD, for people on Windows: the
# programs, a README for cmd and PowerShell, the manual pages as HTML, the
# licence, and the example modules assembled beside their texts. Texts meant
# for Notepad get CRLF line ends. The same sources give the same bytes: files
# in a fixed order, with the release time and no owners.
#   windowsZip.sh SOURCE WINDOWS_BUILD MODASM [DEMO_MAP]
# MODASM is the assembler built for this machine, which makes the examples.
# DEMO_MAP is the demo module's memory map, an HTML page (see below).
set -eu
source=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
modasm=$3
. "$source/packaging/sourceDate.sh"

version=$(sed -n '/^project/s/.* VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
name=romcast-$version-win64
top=$windows/$name
rm -rf "$top" "$top.zip"
mkdir -p "$top/examples" "$top/tools"

crlf() { sed 's/\r*$/\r/' "$1" > "$2"; }

cp "$windows/romcast.exe" "$windows/modinspect.exe" "$top/"
cp "$windows/modasm.exe" "$top/tools/"
crlf "$source/LICENSE" "$top/LICENSE.txt"
for page in romcast modinspect; do
  TZ=UTC groff -Thtml -man "$source/docs/$page.1" > "$top/$page.html"
done
for text in "$source"/examples/*.tqx.txt; do
  module=$(basename "$text" .txt)
  crlf "$text" "$top/examples/$module.txt"
  "$modasm" "$text" "$top/examples/$module"
done

# The demo module's memory map goes in as examples/demo.map.html, and the
# README's lines marked [map] describe it; without DEMO_MAP they are left out.
if [ -n "${4:-}" ]; then
  cp "$4" "$top/examples/demo.map.html"
  keep='s/^\[map\]//'
else
  keep='/^\[map\]/d'
fi
sed -e "s/@VERSION@/$version/g" -e "$keep" "$source/packaging/windows/README.txt" > "$top/README.tmp"
crlf "$top/README.tmp" "$top/README.txt"
rm "$top/README.tmp"

find "$top" -type f -exec chmod 0644 {} + -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
chmod 0755 "$top"/*.exe "$top"/tools/*.exe
(cd "$windows" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$name.zip" -@)
echo "$windows/$name.zip"
