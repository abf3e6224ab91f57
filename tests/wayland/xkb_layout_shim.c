/* Preloaded into a headless mutter: the keymap it makes for its seat gets the
 * layouts named in BUMBLEPAD_XKB_LAYOUTS ("ru,us,de") and the options in
 * BUMBLEPAD_XKB_OPTIONS (the key that switches layouts), as GNOME Shell sets
 * the person's input sources on a real session (mutter alone always uses
 * "us"). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <xkbcommon/xkbcommon.h>

struct xkb_keymap* xkb_keymap_new_from_names(struct xkb_context* context, const struct xkb_rule_names* names,
                                             enum xkb_keymap_compile_flags flags) {
    static struct xkb_keymap* (*real)(struct xkb_context*, const struct xkb_rule_names*,
                                      enum xkb_keymap_compile_flags);
    if (!real) real = dlsym(RTLD_NEXT, "xkb_keymap_new_from_names");
    const char* layouts = getenv("BUMBLEPAD_XKB_LAYOUTS");
    if (!layouts || !names) return real(context, names, flags);
    struct xkb_rule_names chosen = *names;
    chosen.layout = layouts;
    chosen.variant = "";
    chosen.options = getenv("BUMBLEPAD_XKB_OPTIONS");
    return real(context, &chosen, flags);
}
