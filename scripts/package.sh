#!/usr/bin/env bash
# package.sh [--tree DIR] [OUTPUT FOLDER]: builds the Debian package
# bumblepad_<version>_amd64.deb (with Debian's build flags, hardening
# included, in build/package) and checks it with lintian. The package lands
# in the output folder (default build/package/deb); its path is the last
# line printed.
#   --tree DIR: packs the programs of that build tree instead, which was
#   configured with the same settings (package.sh --cmake-settings; that is
#   how scripts/test.sh configures its Linux tree, whose programs the
#   desktop runs test: the package holds the very files they ran).
# package.sh --cmake-settings: prints those CMake settings, one a line.
set -eu
cd "$(dirname "$0")/.."
source=$PWD

# The settings a Debian package is built with: no build type of CMake's own,
# Debian's flags (hardening included); "install" builds no more than the
# packaged files, so a tree that also builds tests can be packed.
cmake_settings() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  local ld; ld=$(dpkg-buildflags --get LDFLAGS)
  printf '%s\n' -DCMAKE_BUILD_TYPE=None \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$ld" "-DCMAKE_SHARED_LINKER_FLAGS=$ld" "-DCMAKE_MODULE_LINKER_FLAGS=$ld" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
}
[ "${1:-}" = --cmake-settings ] && { cmake_settings; exit 0; }

tree=
if [ "${1:-}" = --tree ]; then tree=$(cd "${2:?package.sh --tree DIR}" && pwd); shift 2; fi
out=${1:-$source/build/package/deb}
# (scripts/test.sh has run deps.sh once for the whole run)
[ -n "${BUMBLEPAD_DEPS_DONE:-}" ] || scripts/deps.sh
mkdir -p "$out"
out=$(cd "$out" && pwd)

mapfile -t settings < <(cmake_settings)
if [ -n "$tree" ]; then
  build=$tree log=$tree/package.log
  # The tree must have been configured as a package is.
  for s in "${settings[@]}"; do
    name=${s%%=*} name=${name#-D}
    have=$(sed -n "s/^$name:[A-Z]*=//p" "$build/CMakeCache.txt")
    [ "-D$name=$have" = "$s" ] || { echo "package.sh: $build was not configured as a package is ($name: '$have')" >&2; exit 1; }
  done
  : >"$log"
else
  build=$source/build/package log=$source/build/package.log
  mkdir -p "$source/build"
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$source" -B "$build" -G Ninja "${settings[@]}" \
      -DBUMBLEPAD_TESTS=OFF -DBUMBLEPAD_BENCH=OFF >"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
  fi
fi
cmake --build "$build" -j "${BUMBLEPAD_JOBS:-2}" --target Bumblepad Trovebox Hookwell package_files \
  >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
rm -f "$build"/deb/*.deb
(cd "$build" && cpack -G DEB -B "$build/deb") >>"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
deb=$(ls "$build"/deb/bumblepad_*_amd64.deb)
[ "$(dirname "$deb")" = "$out" ] || cp "$deb" "$out/"
deb=$out/$(basename "$deb")

# Tags that stay are explained in packaging/linux/lintian-overrides (in the
# package); any other at warning level or above fails.
echo "lintian:"
lintian --fail-on error,warning "$deb" || exit 1
echo "$deb"
