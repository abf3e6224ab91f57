# The Debian package on a fresh Debian 12: a root made with mmdebstrap from
# Debian's own packages (the machine's Debian sources), the package installed
# into it with apt-get, and the installed launcher run there by an ordinary
# user on this test's virtual display (the X server, window manager and tray
# host play the desktop outside the root). Then the package is removed and
# purged and nothing may be left but that user's own files.
#
# Run inside with-desktop.sh, as root, with BUMBLEPAD_DEB the package. The
# test runs in a mount namespace of its own, so its mounts go when it ends.
[ -n "${BUMBLEPAD_OWN_MOUNTS:-}" ] ||
  exec env BUMBLEPAD_OWN_MOUNTS=1 unshare --mount --propagation private bash "$0" "$@"
: "${BUMBLEPAD_DESKTOP_WORK:?run inside scripts/with-desktop.sh}"
export BUMBLEPAD_BIN=$BUMBLEPAD_DESKTOP_WORK/root/usr/lib/bumblepad
export BUMBLEPAD_SOURCE=${BUMBLEPAD_SOURCE:-$(cd "$(dirname "$0")/../.." && pwd)}
source "$(dirname "$0")/../desktop/lib.sh"
DEB=${BUMBLEPAD_DEB:?}
root=$WORK/root
uid=4242
home=/home/parent
media=$home/.local/share/bumblepad
SHOTS=${BUMBLEPAD_SHOTS:-$WORK}

# The machine's own sources of Debian's packages: its one-line entries and
# deb822 stanzas for the suites of Debian 12 (others, such as third-party
# repositories, are left out); Debian's mirror when it has none.
python3 - "$WORK/debian.sources" /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
  /etc/apt/sources.list.d/*.sources <<'PY'
import re, sys
debian = {"bookworm", "bookworm-updates", "bookworm-security", "bookworm-backports"}
kept = []
for name in sys.argv[2:]:
    try:
        text = open(name).read()
    except OSError:
        continue
    if name.endswith(".sources"):
        for stanza in re.split(r"\n\s*\n", text):
            fields = dict(re.findall(r"^([A-Za-z-]+):\s*(.*)$", stanza, re.M))
            if fields.get("Enabled", "yes") != "no" and set(fields.get("Suites", "").split()) <= debian \
                    and fields.get("Suites") and "deb" in fields.get("Types", "").split():
                kept.append("\n".join(l for l in stanza.strip().splitlines() if not l.startswith("#")))
    else:
        for line in text.splitlines():
            words = re.sub(r"\[[^]]*\]", "", line.split("#")[0]).split()
            if len(words) >= 3 and words[0] == "deb" and words[2] in debian:
                kept.append("Types: deb\nURIs: %s\nSuites: %s\nComponents: %s" % (words[1], words[2], " ".join(words[3:])))
if kept:
    open(sys.argv[1], "w").write("\n\n".join(kept) + "\n")
PY
if [ -s "$WORK/debian.sources" ]; then sources=$WORK/debian.sources; else sources=http://deb.debian.org/debian; fi
[ -f "$sources" ] && from=$(sed -n 's/^URIs: *//p' "$sources" | sort -u | tr '\n' ' ') || from=$sources
echo "     Debian's packages from: $from"

start=$SECONDS
if ! mmdebstrap --quiet --mode=root --variant=apt --skip=cleanup/apt/lists bookworm "$root" "$sources" >"$WORK/mmdebstrap.log" 2>&1; then
  tail -n 30 "$WORK/mmdebstrap.log"
  mirror_failed "$WORK/mmdebstrap.log" && skip "the package mirror cannot be reached: no fresh Debian 12 root"
  fail "mmdebstrap made the fresh root"; finish
fi
echo "     fresh root made in $((SECONDS - start)) s"

in_root() { chroot "$root" "$@"; }
as_parent() {
  chroot --userspec=$uid:$uid "$root" env -i HOME=$home USER=parent PATH=/usr/bin:/bin \
    DISPLAY="$DISPLAY" XDG_SESSION_TYPE=x11 XDG_RUNTIME_DIR=/run/user/$uid "$@"
}
# The files of the root, for the comparison before and after the package.
# Left out: what apt, dpkg and the kernel keep for themselves.
listing() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run -o -path ./tmp \
    -o -path ./var/cache -o -path ./var/log -o -path ./var/lib/apt -o -path ./var/lib/dpkg \) -prune -o -print) | sort
}
# Processes whose root is the fresh root (only ever this test's).
root_pids() {
  local p
  for p in /proc/[0-9]*; do [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && echo "${p#/proc/}"; done
}
# The installed controller, running as the user in the root (its watchdog,
# a fork of it, is named Bumblepad-watch).
controller_pid() {
  local p
  for p in $(root_pids); do
    [ "$(readlink "/proc/$p/exe")" = "$root/usr/lib/bumblepad/Bumblepad" ] && [ "$(cat "/proc/$p/comm")" = Bumblepad ] &&
      { echo "$p"; return 0; }
  done
  return 1
}
trovebox_pid() {
  local p
  for p in $(root_pids); do [ "$(readlink "/proc/$p/exe")" = "$root/usr/lib/bumblepad/Trovebox" ] && { echo "$p"; return 0; }; done
  return 1
}
# per mille of the screen below the hint band that is neither black nor white
picture_share() {
  convert "$1" -crop 1024x740+0+28 +repage -fuzz 6% -fill black -opaque white -fill white +opaque black \
    -colorspace gray -format '%[fx:int(mean*1000)]' info:
}
export -f root_pids controller_pid trovebox_pid
export root

mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"

in_root useradd --create-home --uid $uid --shell /bin/sh parent
mkdir -p "$root/run/user/$uid" && chown $uid:$uid "$root/run/user/$uid" && chmod 700 "$root/run/user/$uid"
listing >"$WORK/before.txt"

cp "$DEB" "$root/tmp/"
start=$SECONDS
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "/tmp/$(basename "$DEB")" >"$WORK/install.log" 2>&1; then
  tail -n 30 "$WORK/install.log"; fail "apt-get installs the package"; finish
fi
echo "     installed with $(grep -cE '^Unpacking ' "$WORK/install.log") packages in $((SECONDS - start)) s"
pass "apt-get installs the package with its dependencies (recommends left out)"
expect "the launcher is /usr/bin/bumblepad" test -x "$root/usr/bin/bumblepad"
expect "the desktop entries pass desktop-file-validate" \
  desktop-file-validate "$root"/usr/share/applications/{bumblepad,trovebox}.desktop "$root/etc/xdg/autostart/bumblepad.desktop"
# The metainfo's id is not in reverse-DNS form (the project has no domain
# yet); everything else must pass.
expect "the metainfo passes appstreamcli validate" appstreamcli validate --no-net \
  --override=cid-desktopapp-is-not-rdns=info "$root/usr/share/metainfo/bumblepad.metainfo.xml"
expect "the man page is there" test -s "$root/usr/share/man/man1/bumblepad.1.gz"

# First run: the settings key and the media folder, then the hand-over.
as_parent bumblepad >"$WORK/launcher.log" 2>&1
expect "the launcher ends after the hand-over" test $? = 0
expect "the installed controller runs" wait_for 20 controller_pid
pid=$(controller_pid)
expect "it works in the user's media folder" test "$(readlink "/proc/$pid/cwd")" = "$root$media"
expect "as the user" test "$(stat -c %u "/proc/$pid")" = $uid
expect "the media folder holds the starter pictures" \
  test "$(ls "$root$media/pictures" | wc -l)" = "$(ls "$root/usr/share/bumblepad/pictures" | wc -l)"
expect "and the starter sounds" \
  test "$(ls "$root$media/sounds" | wc -l)" = "$(ls "$root/usr/share/bumblepad/sounds" | wc -l)"
expect "which the user owns" test "$(stat -c %u "$root$media/pictures/letter_a.jpg")" = $uid
expect "the tray icon appears" wait_for 20 icon_present

# A full lock from the tray: keys bring starter pictures, the word ends it.
double_click_icon
expect "a double click shows the lock screen" wait_for 10 lock_screen_up
xdotool type --delay 150 "qqqppp"
sleep 0.5
import -window root "$SHOTS/package-locked.png"
share=$(picture_share "$SHOTS/package-locked.png")
echo "     pictures cover $share per mille of the lock screen"
expect "the keys drew starter pictures" test "$share" -ge 40
xdotool type --delay 120 "wren"
expect "typing the word ends the lock" wait_for 10 bash -c "! lock_screen_up"

# "Manage Pictures/Sounds" opens Trovebox on the user's media folder.
open_menu
choose 1
expect "the tray item starts Trovebox" wait_for 20 trovebox_pid
expect "working in the user's media folder" \
  bash -c "[ \"\$(readlink /proc/\$(trovebox_pid)/cwd)\" = '$root$media' ]"
expect "its window comes up" wait_for 20 window_named Trovebox
kill "$(trovebox_pid)" 2>/dev/null

# "Exit" ends the controller, which writes the settings.
open_menu
choose 7
expect "\"Exit\" ends the controller" wait_for 20 bash -c "! controller_pid"
expect "the settings were written (60 bytes)" \
  test "$(stat -c %s "$root$home/.config/Software/Bumblepad/Options" 2>/dev/null)" = 60

# A second launch finds the folder in place and does not fill it again.
rm "$root$media/pictures/letter_a.jpg"
as_parent bumblepad >>"$WORK/launcher.log" 2>&1
expect "a second run starts again" wait_for 20 controller_pid
expect "and leaves the user's choice of pictures alone" test ! -e "$root$media/pictures/letter_a.jpg"
kill -TERM "$(controller_pid)" 2>/dev/null
wait_for 20 bash -c "! controller_pid"

# Removal: the programs go, the autostart entry (a conffile) stays until
# the purge; then nothing is left but the user's own files.
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y bumblepad >"$WORK/remove.log" 2>&1
expect "apt-get removes the package" test $? = 0
expect "the launcher and programs are gone" test ! -e "$root/usr/bin/bumblepad" -a ! -e "$root/usr/lib/bumblepad"
expect "the autostart entry stays until the purge" test -e "$root/etc/xdg/autostart/bumblepad.desktop"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y --autoremove bumblepad >>"$WORK/remove.log" 2>&1
expect "apt-get purges it and the packages it brought" test $? = 0
listing >"$WORK/after.txt"
left=$(comm -13 "$WORK/before.txt" "$WORK/after.txt" | grep -v -E "^\.$home/")
[ -z "$left" ] || echo "$left" | head -n 20 | sed 's/^/     left: /'
expect "nothing is left but the user's own files" test -z "$left"
expect "whose media and settings stay" test -d "$root$media/pictures" -a -e "$root$home/.config/Software/Bumblepad/Options"
gone=$(comm -23 "$WORK/before.txt" "$WORK/after.txt")
expect "and nothing of the system was taken away" test -z "$gone"

for p in $(root_pids); do kill -KILL "$p" 2>/dev/null; done
finish
