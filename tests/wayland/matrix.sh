#!/usr/bin/env bash
# The lock on one real headless compositor of compositors.list: matrix.sh
# NAME. The compositor is started once and every case of cases.sh runs in
# it, in order; the time of each is printed. Exit 0 when all passed, 1 when
# any failed, 77 when the compositor cannot be had here (said why).
# BUMBLEPAD_CASES="case_keys_before case_focus_stolen case_focus_stolen"
# runs those cases instead, in that order (to repeat one that failed).
source "$(dirname "$0")/lib.sh"
source "$SCRIPTS/compositors.sh"
source "$SCRIPTS/cases.sh"
CASES=(case_keys_before case_random_keys case_no_key_escapes case_focus_stolen case_outputs case_killed
  case_left_over_taken_by_another case_parent_lock case_word_needs_altgr)
[ -n "${BUMBLEPAD_CASES:-}" ] && read -r -a CASES <<<"$BUMBLEPAD_CASES"

NAME=${1:?usage: matrix.sh NAME}
read -r _ where KIND version < <(grep "^$NAME " "$SCRIPTS/compositors.list") || { echo "unknown compositor $NAME"; exit 2; }
started=$SECONDS
if [ "$where" = debian13 ]; then
  if ! ROOT=$("$SCRIPTS/debian13_root.sh" 2>"$WORK/root.log"); then
    # Only an unreachable mirror excuses a missing root (an expected skip
    # while scripts/test.sh finds the mirror unreachable too).
    mirror_failed "$WORK/root.log" &&
      skip "the package mirror cannot be reached: no Debian 13 root for $NAME ($(tail -n 1 "$WORK/root.log"))"
    sed 's/^/     /' "$WORK/root.log"
    fail "$NAME: the Debian 13 root is made or found in the cache"
    finish
  fi
  sed 's/^/     /' "$WORK/root.log"
  echo "     the Debian 13 root: $ROOT"
fi
start_bus || skip "no session bus (dbus-daemon)"
# A stand-in tray host (StatusNotifierWatcher), so the controller puts its
# icon there and shows no box about a missing tray.
spawn "$WORK/dbusmock.log" /usr/bin/python3 -m dbusmock -l "$RUN/watcher.log" org.kde.StatusNotifierWatcher \
  /StatusNotifierWatcher org.kde.StatusNotifierWatcher
watcher="as_user gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher -m org.freedesktop.DBus.Mock"
wait_for 20 $watcher.AddProperty org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered "<true>"
$watcher.AddMethod org.kde.StatusNotifierWatcher RegisterStatusNotifierItem s "" "" >/dev/null

if [ -z "$ROOT" ] && ! type -P "$([ "$KIND" = kwin ] && echo kwin_wayland || echo "$KIND")" >/dev/null; then
  skip "$NAME: $KIND is not installed (scripts/deps.sh, wayland)"
fi
"start_$KIND" || { fail "$NAME starts headless"; finish; }
export XDG_CURRENT_DESKTOP
case $COMPOSITOR_VERSION in
  "$version" | "$version".*) pass "$NAME runs headless (version $COMPOSITOR_VERSION)" ;;
  *) fail "$NAME runs headless: version $COMPOSITOR_VERSION, not $version" ;;
esac
expect "keys can be pressed" start_keyboard || { cat "$WORK/keys.log"; finish; }
spawn "$PROBE" "$TESTS/wayland_key_probe"
type -t "${KIND}_prepare" >/dev/null && "${KIND}_prepare"
echo "     started in $((SECONDS - started)) s"

for c in "${CASES[@]}"; do
  start=$SECONDS
  echo "---- $c"
  "$c"
  settle
  echo "     $c: $((SECONDS - start)) s"
done
echo "     $NAME: $((SECONDS - started)) s in all"
exec 9>&-
finish
