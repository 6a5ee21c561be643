#!/bin/sh
# The Debian packages as a user gets them: built and checked by lintian
# (packaging/debs.sh), installed with dpkg, used, and purged without a trace.
# The installed romcast must write what the build's own does, and the
# installed library must be found by CMake and by pkg-config.
#   debian.sh SOURCE BUILD
# BUILD is make check's g++ build, whose romcast and modasm are used.
set -eu
source=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
packages="romcast libromcast-dev"
if [ "$(id -u)" != 0 ]; then
  echo "SKIPPED: the package test installs packages with dpkg -i and needs root."
  exit 0
fi
for package in $packages; do
  if dpkg-query -W -f '${Status}\n' "$package" 2>/dev/null | grep -q ' installed$'; then
    echo "$package is installed here already; remove it first (dpkg -r $packages)."
    exit 1
  fi
done

out=$build/package-test
scratch=$(mktemp -d)
installed=no
cleanUp() {
  [ $installed = no ] || dpkg --purge $packages >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanUp EXIT
trap 'exit 1' INT TERM
fail() { echo "package test: $*"; exit 1; }
# Files and directories named for the programs or the library, wherever dpkg
# or a maintainer script may put them; the purge must leave the list as it
# was before the install.
ours() {
  find /usr /etc /var /opt \( -name '*romcast*' -o -name '*modinspect*' \) -print 2>/dev/null | sort
}

sh "$source/packaging/debs.sh" "$source" "$out"
ours > "$scratch/before"
installed=yes
dpkg -i "$out"/romcast_*.deb "$out"/libromcast-dev_*.deb >/dev/null

# The same module converted into each format and summarised by the build's
# programs and by the installed ones: the same console text and files.
mkdir "$scratch/built" "$scratch/installed"
"$build/tools/modasm" "$source/examples/demo.tqx.txt" "$scratch/built/demo.tqx"
cp "$scratch/built/demo.tqx" "$scratch/installed/"
convert() { (cd "$1" && "$2" demo.tqx && "$2" -H demo.tqx && "$2" -B demo.tqx) > "$1/console"; }
convert "$scratch/built" "$build/romcast"
convert "$scratch/installed" /usr/bin/romcast
(cd "$scratch/built" && "$build/tools/modinspect" -s demo.tqx > summary)
(cd "$scratch/installed" && /usr/bin/modinspect -s demo.tqx > summary)
diff -r "$scratch/built" "$scratch/installed" || fail "the installed programs differ from the build's"

# examples/embed found by CMake with no hint of where, and the same program
# built with the flags pkg-config gives; each writes the S-records and the
# Intel HEX the build's romcast wrote.
cmake -S "$source/examples/embed" -B "$scratch/embed" > /dev/null
grep -qx "romcast_DIR:PATH=/usr/lib/.*/cmake/romcast" "$scratch/embed/CMakeCache.txt" ||
  fail "CMake found a romcast other than the package's: $(grep romcast_DIR "$scratch/embed/CMakeCache.txt")"
cmake --build "$scratch/embed" > /dev/null
# shellcheck disable=SC2046 # pkg-config's flags are words
g++ -std=c++20 -o "$scratch/embed/byPkgConfig" "$source/examples/embed/convertTwo.cpp" $(pkg-config --cflags --libs romcast)
for program in convertTwo byPkgConfig; do
  mkdir "$scratch/$program" "$scratch/$program/mot" "$scratch/$program/hex"
  cp "$scratch/built/demo.tqx" "$scratch/$program/mot/"
  cp "$scratch/built/demo.tqx" "$scratch/$program/hex/"
  "$scratch/embed/$program" "$scratch/$program/mot/demo.tqx" "$scratch/$program/hex/demo.tqx" > /dev/null ||
    fail "$program failed"
  cmp "$scratch/built/demo.mot" "$scratch/$program/mot/demo.mot" || fail "$program's S-records differ"
  cmp "$scratch/built/demo.hex" "$scratch/$program/hex/demo.hex" || fail "$program's Intel HEX differs"
done

# Purged, the packages leave nothing of theirs behind (see ours).
dpkg --purge $packages > /dev/null
installed=no
ours > "$scratch/after"
diff "$scratch/before" "$scratch/after" || fail "left behind after the purge (lines with >)"
echo "The Debian packages build, pass lintian, install, convert as the build does, and purge cleanly."
