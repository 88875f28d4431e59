#!/usr/bin/env bash
# Installs the build into a prefix for the installed-program tests and makes it read-only, as a
# package's files are; "remove" undoes it.
#   install_prefix.sh <build folder> <prefix> [remove]
set -euo pipefail
build=$1
prefix=$2
[ -d "$prefix" ] && chmod -R u+w "$prefix" && rm -rf "$prefix"
[ "${3:-}" = remove ] && exit 0
cmake --install "$build" --prefix "$prefix" >/dev/null
chmod -R a-w "$prefix"
