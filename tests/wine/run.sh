#!/bin/sh
# Runs the end-to-end cases and the fault tests of the Linux build against
# romcast.exe under Wine: the tests start `wine64 romcast.exe` wherever they
# would start romcast (ROMCAST_COMMAND). One wineserver serves the whole run,
# which saves its start for each of the few hundred runs; its prefix lives in
# the Windows build directory.
#   run.sh BUILD WINDOWS_BUILD [JOBS]
set -e
build=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
jobs=${3:-2}
wine=/usr/lib/wine/wine64
export WINEPREFIX="$windows/wine" WINEDEBUG=-all
# No prompts for the .NET and HTML runtimes that a new prefix offers to fetch.
export WINEDLLOVERRIDES="mscoree,mshtml="

server=/usr/lib/wine/wineserver64
# A new prefix takes some seconds, once; later runs find it made. The services
# its making starts are let finish before any test runs.
# Making a prefix has been seen to fail now and then ("could not load
# kernel32.dll"); a second try from nothing has worked each time.
for try in 1 2; do
  [ -f "$WINEPREFIX/system.reg" ] && break
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i || echo "wine-check: making the prefix failed (try $try)"
  "$server" -w
done
"$server" -p
trap '"$server" -k 2>/dev/null || true' EXIT

# The sweep of damaged modules tests the core, which is the same code on both
# systems, and would take an hour under Wine.
cd "$build"
ROMCAST_COMMAND="$wine \"$windows/romcast.exe\"" \
  ctest --output-on-failure -j "$jobs" -R '^(Cases/EndToEnd|Faults|Outputs|OptionErrors|Names)\.'
