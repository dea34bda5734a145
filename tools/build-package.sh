#!/usr/bin/env bash
# Builds the Debian package kvir-console_<version>_amd64.deb: a release build without the
# tests, compiled with Debian's hardening flags (dpkg-buildflags). Prints the package's path.
#
#   tools/build-package.sh [build-dir]        (default build-pkg; KVIR_JOBS, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-pkg}

# Debian's flags with every hardening feature, without -g: the package's programs are
# stripped anyway.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g \
    dpkg-buildflags --export=sh)"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVIR_TESTS=OFF -DKVIR_PACKAGE=ON \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >&2
cmake --build "$build" -j "${KVIR_JOBS:-2}" --target package >&2
ls "$build"/kvir-console_*_amd64.deb
