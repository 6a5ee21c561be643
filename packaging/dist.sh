#!/bin/sh
# A release in BUILD/dist: the source tarball romcast-VERSION.tar.gz that git
# archive makes of the commit checked out, the Debian packages and the Windows
# zip built from that tarball alone (in BUILD/dist-build), and SHA256SUMS for
# them all. What is not committed is in none of them.
#   dist.sh SOURCE BUILD
set -eu
source=$(cd "$1" && pwd)
mkdir -p "$2"
build=$(cd "$2" && pwd)
if [ ! -e "$source/.git" ]; then
  echo "A release is made from a git checkout: its tarball is the commit's files."
  exit 1
fi
. "$source/packaging/sourceDate.sh"

version=$(sed -n '/^project/s/.* VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
name=romcast-$version
dist=$build/dist
tree=$build/dist-build/$name
rm -rf "$dist" "$tree"
mkdir -p "$dist" "$build/dist-build"
[ -z "$(git -C "$source" status --porcelain)" ] ||
  echo "Note: the changes not committed are left out of the release."

# git archive gives the commit's time and root as owner to every file, in the
# commit's order, and modes 0755 and 0644 whatever tar.umask one's git
# configuration sets; gzip -n leaves out the tarball's own name and time.
git -C "$source" -c tar.umask=0022 archive --format=tar --prefix="$name/" HEAD | gzip -n -9 > "$dist/$name.tar.gz"
tar -xzf "$dist/$name.tar.gz" -C "$build/dist-build"
make -C "$tree" --no-print-directory package package-windows BUILD=build WINDOWS_BUILD=build-windows
cp "$tree"/build/*.deb "$tree/build-windows/$name-win64.zip" "$dist/"
(cd "$dist" && sha256sum -- *.tar.gz *.deb *.zip > SHA256SUMS)
echo "$dist:"
cat "$dist/SHA256SUMS"
