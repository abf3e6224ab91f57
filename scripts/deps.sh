#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (only the
# packages that are missing, so a second run is quick).
#
# The packages come in groups. "required" is what the Linux build and its
# logic and adapter tests need: without it nothing can be built, and
# deps.sh fails. Each other group serves one part of the run (the group
# names are what scripts/test.sh leaves out):
#   desktop   the whole programs under Xvfb, the screenshots
#   wayland   the whole programs on headless compositors
#   windows   the Windows cross builds (32-bit product, 64-bit compile check)
#   wine      the Windows programs run under 32-bit Wine on qemu, the installer's run
#   package   the Debian package and its checks
#   roots     fresh Debian roots: the package's test in Debian 12, and the
#             Debian 13 root (made once per machine, cached in
#             /var/cache/bumblepad) whose compositors run under bubblewrap
#   speed     the compiler cache, which lets scripts/test.sh compile only
#             what changed since its last run on this machine
# When packages are missing and the package mirror cannot be reached, deps.sh
# says so, lists the groups it could not complete, and ends with 0 as long as
# the required group is complete: the run goes on with what is installed.
# BUMBLEPAD_DEPS_LEFT_OUT=FILE: those groups are also written to FILE, one a
# line ("group: missing packages"), and the line "mirror unreachable" when it
# could not be reached (the file is emptied first).
set -eu
declare -A groups=(
  [required]="cmake ninja-build g++ pkg-config python3
    qt6-base-dev libpulse-dev libsndfile1-dev libfreeimage-dev zlib1g-dev libx11-dev libxi-dev libxtst-dev libxss-dev
    libxext-dev libxdamage-dev libsystemd-dev libglib2.0-dev libwayland-dev wayland-protocols libxkbcommon-dev
    libxkbcommon-x11-dev libx11-xcb-dev qt6-wayland googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb x11-xkb-utils dbus python3-dbusmock procps"
  [desktop]="openbox trayer xdotool x11-utils x11-xserver-utils imagemagick pulseaudio pulseaudio-utils
    libglib2.0-bin gnome-settings-daemon-common faketime"
  [wayland]="sway grim mutter python3-gi gir1.2-glib-2.0 kwin-wayland libkf5screen-bin"
  [windows]="g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64 mingw-w64-tools libz-mingw-w64-dev nsis"
  [wine]="wine64 qemu-user-static gcc-multilib wine32:i386 libc6:i386"
  [package]="dpkg-dev lintian desktop-file-utils appstream"
  [roots]="mmdebstrap bubblewrap"
  [speed]="ccache"
)
order=(required desktop wayland windows wine package roots speed)
report=${BUMBLEPAD_DEPS_LEFT_OUT:-}
[ -n "$report" ] && : >"$report"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# missing_of GROUP: its packages that are not installed.
missing_of() { local p; for p in ${groups[$1]}; do installed "$p" || echo "$p"; done; }

# wine32 and libc6:i386 come from the i386 architecture (its package lists
# arrive with the update below, as wine32:i386 is then missing).
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
missing=()
for g in "${order[@]}"; do mapfile -t -O "${#missing[@]}" missing < <(missing_of "$g"); done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# apt-get update ends with 0 even when no source could be fetched: its
# warnings tell.
update=$(apt-get -o DPkg::Lock::Timeout=600 update -qq 2>&1) || true
if ! grep -qE '^(W|E): (Failed to fetch|Some index files failed|Could not resolve)' <<<"$update" &&
   apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null; then
  exit 0
fi
if ! grep -qE 'Failed to fetch|Could not resolve|Temporary failure|Could not connect|Unable to connect' <<<"$update"; then
  echo "deps.sh: apt-get could not install the packages (the mirror answered)" >&2
  exit 1
fi
echo "deps.sh: the package mirror cannot be reached; going on with what is installed"
[ -n "$report" ] && echo "mirror unreachable" >>"$report"
status=0
for g in "${order[@]}"; do
  left=$(missing_of "$g" | paste -sd' ')
  [ -z "$left" ] && continue
  if [ "$g" = required ]; then
    echo "deps.sh: required packages are missing, nothing can be built: $left" >&2
    status=1
  else
    echo "deps.sh: left out, its packages are missing: $g ($left)"
  fi
  [ -n "$report" ] && echo "$g: $left" >>"$report"
done
exit $status
