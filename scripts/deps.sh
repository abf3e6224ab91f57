#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (only the
# packages that are missing, so a second run is quick).
set -eu
packages=(
  # build
  cmake ninja-build g++ pkg-config python3
  # Linux programs
  qt6-base-dev libpulse-dev libsndfile1-dev libfreeimage-dev zlib1g-dev libx11-dev libxi-dev libxtst-dev libxss-dev libxext-dev libxdamage-dev libsystemd-dev
  libglib2.0-dev libwayland-dev wayland-protocols libxkbcommon-dev libxkbcommon-x11-dev libx11-xcb-dev qt6-wayland
  # Windows cross builds (32-bit product, 64-bit for the tests under Wine)
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64 mingw-w64-tools libz-mingw-w64-dev wine64
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils xvfb openbox trayer xdotool x11-utils x11-xserver-utils imagemagick python3-dbusmock dbus libglib2.0-bin procps
  gnome-settings-daemon-common
  sway grim mutter python3-gi gir1.2-glib-2.0 kwin-wayland libkf5screen-bin bubblewrap
  # screenshots (a fixed calendar time) and the Debian package: build, check, fresh-root test
  faketime dpkg-dev lintian desktop-file-utils appstream mmdebstrap
  # 32-bit Wine under qemu user-mode emulation (the shipped 32-bit programs run
  # in the tests; tests/win32/wine32/), and the Windows installer
  qemu-user-static gcc-multilib wine32:i386 libc6:i386 nsis
)
# wine32 and libc6:i386 come from the i386 architecture (its package lists
# arrive with the update below, as wine32:i386 is then missing).
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi
