#!/usr/bin/env bash
# setup.sh: makes this machine able to run 32-bit Windows programs although
# its kernel runs no 32-bit x86 code: 32-bit Wine runs under qemu user-mode
# emulation (qemu-i386 through binfmt_misc) with a small LD_PRELOAD shim
# (qemu_wine_shim.c). Idempotent and quick once done; the binfmt entry is lost
# at reboot, so every run of run.sh calls this first. The packages come from
# scripts/deps.sh. Registering the binfmt entry needs root.
#   BUMBLEPAD_WINE32_SHIM: where the shim is built (default /tmp/bumblepad-wine32-shim)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
shim_dir=${BUMBLEPAD_WINE32_SHIM:-/tmp/bumblepad-wine32-shim}
mkdir -p "$shim_dir"
exec 9>"$shim_dir/.lock"
flock 9

for f in /usr/bin/qemu-i386-static /usr/lib/wine/wine; do
  [ -x "$f" ] || { echo "wine32 setup: $f is missing; run scripts/deps.sh" >&2; exit 1; }
done

# binfmt_misc entry for i386 ELF programs (Debian registers none on amd64).
reg=/proc/sys/fs/binfmt_misc
if [ ! -e "$reg/qemu-i386" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "wine32 setup: the qemu-i386 binfmt entry is missing and only root can add it" >&2
    exit 1
  fi
  [ -e "$reg/register" ] || mount -t binfmt_misc binfmt_misc "$reg"
  # F: qemu is opened now, so the entry also works in other mount namespaces.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:OCF' >"$reg/register"
fi

# The shim works around three qemu 7.2 faults that break 32-bit Wine (see its
# header). Through $LIB the 32-bit loader takes the real shim and the 64-bit
# wineserver an empty one.
lib32="$shim_dir/lib/i386-linux-gnu/qemu_wine_shim.so"
lib64="$shim_dir/lib/x86_64-linux-gnu/qemu_wine_shim.so"
if [ ! -f "$lib32" ] || [ ! -f "$lib64" ] || [ "$here/qemu_wine_shim.c" -nt "$lib32" ]; then
  mkdir -p "$(dirname "$lib32")" "$(dirname "$lib64")"
  gcc -m32 -O2 -shared -fPIC -fno-stack-protector -o "$lib32.new" "$here/qemu_wine_shim.c" -ldl -pthread
  echo 'void wine32_qemu_noop(void){}' | gcc -shared -fPIC -x c - -o "$lib64.new"
  mv "$lib32.new" "$lib32"
  mv "$lib64.new" "$lib64"
fi
