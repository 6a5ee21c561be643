#!/bin/sh
# Builds the Debian packages romcast and libromcast-dev with
# dpkg-buildpackage from a copy of the sources (it writes its results beside
# the tree it builds), checks them with lintian, and leaves the two .deb files
# in OUT.
#   debs.sh SOURCE OUT
set -eu
source=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
. "$source/packaging/sourceDate.sh"

version=$(sed -n '/^project/s/.* VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
logged=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
if [ "$version" != "$logged" ]; then
  echo "CMakeLists.txt says version $version, debian/changelog $logged: add an entry (dch -v $version)"
  exit 1
fi

# The tracked files as they are in the work tree, with new ones not ignored;
# outside git (an unpacked source tarball) everything but the build trees.
work=$out/deb
tree=$work/romcast-$version
rm -rf "$work"
mkdir -p "$tree"
if [ -e "$source/.git" ]; then
  git -C "$source" ls-files -z --cached --others --exclude-standard |
    (cd "$source" && tar --null --ignore-failed-read --warning=no-failed-read -cf - -T -)
else
  (cd "$source" && tar --exclude='./build*' --exclude=./out -cf - .)
fi | tar -xf - -C "$tree"
# Files older than the release time keep their own in the package; set them
# all to it, as a fresh clone would have them after it.
find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

log=$work/build.log
echo "Building the Debian packages in $work (the output goes to $log)"
(cd "$tree" && dpkg-buildpackage -us -uc -b) > "$log" 2>&1 ||
  { cat "$log"; echo "(this output is kept in $log)"; exit 1; }

rm -f "$out"/romcast_*.deb "$out"/libromcast-dev_*.deb
for package in romcast libromcast-dev; do
  cp "$work/${package}_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb" "$out/"
done
lintian --allow-root --fail-on error,warning "$out/romcast_${version}_"*.deb "$out/libromcast-dev_${version}_"*.deb
ls "$out"/romcast_"$version"_*.deb "$out"/libromcast-dev_"$version"_*.deb
