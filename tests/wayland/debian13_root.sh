#!/usr/bin/env bash
# Prints the folder of a Debian 13 root that holds the compositors the
# Wayland runs start there (sway, KWin, mutter) and what their headless runs
# need, nothing more. It is made once per machine with mmdebstrap from the
# mirror apt uses, into a cache folder outside the clone, and reused until
# its package list changes (the list is part of the folder's name).
# Exit 0: the folder on standard output. Exit 1: it cannot be had (no
# mirror, no mmdebstrap, mmdebstrap failed); the reason on standard error,
# with apt's or mmdebstrap's own words when the mirror could not be reached
# (mirror_failed in tests/lib/checks.sh tells them).
set -u
packages=(
  sway kwin-wayland mutter dbus-daemon
  # software rendering for KWin and mutter without a GPU
  libgl1-mesa-dri libegl-mesa0
)
mirror=${BUMBLEPAD_DEBIAN_MIRROR:-$(sed -n -e 's/^URIs: *//p' -e 's/^deb \[*[^ ]*\]* *\(http[^ ]*\) .*/\1/p' \
  /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
  grep -v security | grep '/debian/*$' | head -n 1)}
mirror=${mirror:-http://deb.debian.org/debian}
if [ "$(id -u)" = 0 ]; then cache=${BUMBLEPAD_CACHE:-/var/cache/bumblepad}
else cache=${BUMBLEPAD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/bumblepad}; fi
key=$(printf '%s\n' trixie "${packages[@]}" | sha256sum | cut -c1-12)
root=$cache/debian13-$key

mkdir -p "$cache" || exit 1
exec 8>"$cache/debian13.lock"
flock 8   # one build at a time; the others wait for it and reuse it
if [ ! -f "$root/.complete" ]; then
  # (The mirror first: without it the root cannot be made, whatever else is
  # installed; the words "Could not connect" tell the caller so.)
  if ! why=$(python3 -c "import urllib.request, sys; urllib.request.urlopen(sys.argv[1], timeout=15)" \
    "$mirror/dists/trixie/InRelease" 2>&1); then
    echo "Could not connect to the Debian mirror $mirror for trixie: $(tail -n 1 <<<"$why")" >&2
    exit 1
  fi
  command -v mmdebstrap >/dev/null || { echo "mmdebstrap is not installed (scripts/deps.sh, roots)" >&2; exit 1; }
  echo "making the Debian 13 root $root (once per machine)" >&2
  rm -rf "$root.new"
  start=$SECONDS
  if ! mmdebstrap --variant=apt --aptopt='APT::Install-Recommends "false"' \
    --include="$(IFS=,; echo "${packages[*]}")" trixie "$root.new" "$mirror" >"$cache/debian13-build.log" 2>&1; then
    tail -n 20 "$cache/debian13-build.log" >&2
    echo "mmdebstrap could not make the Debian 13 root (log: $cache/debian13-build.log)" >&2
    rm -rf "$root.new"
    exit 1
  fi
  # Only what the runs read: documentation and apt's lists go.
  rm -rf "$root.new"/usr/share/doc/* "$root.new"/usr/share/man/* "$root.new"/var/lib/apt/lists/*
  printf '%s\n' "${packages[@]}" >"$root.new/.complete"
  mv "$root.new" "$root"
  echo "made in $((SECONDS - start)) s" >&2
  # Roots of older package lists, unused for a week, go.
  find "$cache" -maxdepth 1 -name 'debian13-*' -type d ! -name "debian13-$key" -mtime +7 -exec rm -rf {} + 2>/dev/null
fi
touch "$root"
echo "$root"
