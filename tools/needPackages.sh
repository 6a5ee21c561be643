#!/bin/sh
# Installs the Debian packages that are missing, or says how to.
#   needPackages.sh [--optional] WHAT:PACKAGE ...
# WHAT is a command name, or an absolute path of a file the package brings. As
# root the missing packages are installed with apt-get; otherwise the exact line
# to run is printed. Without --optional a missing package ends with status 1;
# with it, the caller goes on without (a failed install is only reported).
optional=no
if [ "$1" = --optional ]; then optional=yes; shift; fi

missing=""
for pair in "$@"; do
  what=${pair%%:*}
  package=${pair##*:}
  case $what in
    /*) [ -e "$what" ] || missing="$missing $package" ;;
    *) command -v "$what" >/dev/null 2>&1 || missing="$missing $package" ;;
  esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then
  echo "Installing:$missing"
  if DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
     DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null; then
    exit 0
  fi
  [ $optional = yes ] && { echo "Could not install:$missing (going on without)"; exit 0; }
  exit 1
fi

if [ $optional = yes ]; then
  echo "Not installed:$missing (going on without). To add, run as root:"
else
  echo "Missing packages. Run as root:"
fi
echo "  apt-get update && apt-get install -y$missing"
[ $optional = yes ] && exit 0
exit 1
