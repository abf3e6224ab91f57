#!/usr/bin/env bash
# package.sh [OUTPUT FOLDER]: builds the Debian package
# bumblepad_<version>_amd64.deb (with Debian's hardening flags, in
# build/package) and checks it with lintian. The package lands in the output
# folder (default build/package/deb); its path is the last line printed.
set -eu
cd "$(dirname "$0")/.."
source=$PWD
out=${1:-$source/build/package/deb}
# (scripts/test.sh has run deps.sh once for the whole run)
[ -n "${BUMBLEPAD_DEPS_DONE:-}" ] || scripts/deps.sh
mkdir -p "$out"
out=$(cd "$out" && pwd)

build=$source/build/package
mkdir -p "$source/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  # The flags a Debian package is built with (hardening included); CMake
  # takes CXXFLAGS and LDFLAGS from the environment at the first configure.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
  export CXXFLAGS LDFLAGS
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
    -DBUMBLEPAD_TESTS=OFF -DBUMBLEPAD_BENCH=OFF >"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
fi
cmake --build "$build" -j "${BUMBLEPAD_JOBS:-2}" >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
rm -f "$build"/deb/*.deb
(cd "$build" && cpack -G DEB -B "$build/deb") >>"$build.log" 2>&1 || { tail -n 40 "$build.log"; exit 1; }
deb=$(ls "$build"/deb/bumblepad_*_amd64.deb)
[ "$(dirname "$deb")" = "$out" ] || cp "$deb" "$out/"
deb=$out/$(basename "$deb")

# Tags that stay are explained in packaging/linux/lintian-overrides (in the
# package); any other at warning level or above fails.
echo "lintian:"
lintian --fail-on error,warning "$deb" || exit 1
echo "$deb"
