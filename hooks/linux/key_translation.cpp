#include "key_translation.h"

#include <climits>
#include <cstring>

#include "hook_rules.h"

namespace {

// A layout of a key: keys with fewer layouts than the keymap wrap around.
xkb_layout_index_t LayoutOfKey(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout) {
    const xkb_layout_index_t n = xkb_keymap_num_layouts_for_key(keymap, key);
    return n ? layout % n : 0;
}

xkb_keysym_t FirstSym(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout, xkb_level_index_t level) {
    const xkb_keysym_t* syms = nullptr;
    return xkb_keymap_key_get_syms_by_level(keymap, key, LayoutOfKey(keymap, key, layout), level, &syms) > 0
               ? syms[0]
               : XKB_KEY_NoSymbol;
}

// The keys of the 101-key main block, which every keyboard has.
bool EveryKeyboardHas(const char* name) {
    if (!std::strcmp(name, "TLDE") || !std::strcmp(name, "BKSL") || !std::strcmp(name, "SPCE")) return true;
    if (std::strlen(name) != 4 || name[0] != 'A') return false;
    const int column = (name[2] - '0') * 10 + (name[3] - '0');
    switch (name[1]) {
        case 'E':
        case 'D':
            return column >= 1 && column <= 12;
        case 'C':
            return column >= 1 && column <= 11;
        case 'B':
            return column >= 1 && column <= 10;
        default:
            return false;
    }
}

// VkKeyScanA's shift state for a level: 0 for the first, Shift (1) for one
// that Shift or Caps Lock reaches, Ctrl+Alt (6, plus Shift) for one that
// needs another modifier (the third level, AltGr).
int ShiftStateOf(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout, xkb_level_index_t level) {
    if (level == 0) return 0;
    xkb_mod_mask_t masks[16];
    const size_t count = xkb_keymap_key_get_mods_for_level(keymap, key, layout, level, masks, 16);
    xkb_mod_mask_t mask = UINT_MAX;
    for (size_t i = 0; i < count; ++i)
        if (__builtin_popcount(masks[i]) < __builtin_popcount(mask)) mask = masks[i];
    const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    const xkb_mod_index_t caps = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CAPS);
    xkb_mod_mask_t plain = 0;
    if (shift != XKB_MOD_INVALID) plain |= 1u << shift;
    if (caps != XKB_MOD_INVALID) plain |= 1u << caps;
    int state = (mask & plain) ? 1 : 0;
    if (mask & ~plain) state |= 6;
    return state;
}

}  // namespace

void KeyTranslation::Use(xkb_keymap* keymap) {
    if (keymap) xkb_keymap_ref(keymap);
    if (keymap_) xkb_keymap_unref(keymap_);
    keymap_ = keymap;
    codes_.assign(keymap ? xkb_keymap_num_layouts(keymap) : 0, {});
}

uint8_t KeyTranslation::Code(xkb_keycode_t key, xkb_layout_index_t layout) {
    if (!keymap_ || codes_.empty()) return kVkKeyWithoutCode;
    layout %= codes_.size();
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap_), max = xkb_keymap_max_keycode(keymap_);
    if (key < min || key > max) return kVkKeyWithoutCode;
    std::vector<uint8_t>& codes = codes_[layout];
    if (codes.empty()) {
        std::vector<KeyFacts> keys(max - min + 1);
        for (xkb_keycode_t k = min; k <= max; ++k) {
            KeyFacts& facts = keys[k - min];
            facts.keysym = FirstSym(keymap_, k, layout, 0);
            if (const char* name = xkb_keymap_key_get_name(keymap_, k)) std::strncpy(facts.name, name, 4);
            const uint32_t c = xkb_keysym_to_utf32(facts.keysym);
            facts.character = c > 0x20 && c != 0x7F;
        }
        codes.resize(keys.size());
        AssignKeyCodes(keys.data(), keys.size(), codes.data());
    }
    return codes[key - min];
}

int16_t KeyTranslation::CharacterKey(char character, xkb_layout_index_t current) {
    if (!keymap_ || codes_.empty()) return -1;
    const xkb_keysym_t wanted = static_cast<unsigned char>(character);  // Latin-1 characters are their own keysyms
    const xkb_layout_index_t layouts = static_cast<xkb_layout_index_t>(codes_.size());
    current %= layouts;
    int bestRank = INT_MAX, bestState = 0;
    xkb_keycode_t bestKey = 0;
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_); key <= xkb_keymap_max_keycode(keymap_); ++key) {
        const xkb_layout_index_t keyLayouts = xkb_keymap_num_layouts_for_key(keymap_, key);
        if (!keyLayouts) continue;
        const char* name = xkb_keymap_key_get_name(keymap_, key);
        const int extra = name && EveryKeyboardHas(name) ? 0 : 1000;
        for (xkb_layout_index_t distance = 0; distance < layouts; ++distance) {
            const xkb_layout_index_t layout = LayoutOfKey(keymap_, key, (current + distance) % layouts);
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, key, layout);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                if (FirstSym(keymap_, key, layout, level) != wanted) continue;
                const int rank = static_cast<int>(distance) * 10000 + extra + static_cast<int>(level);
                if (rank >= bestRank) continue;
                bestRank = rank, bestKey = key;
                bestState = ShiftStateOf(keymap_, key, layout, level);
            }
        }
    }
    if (bestRank == INT_MAX) return -1;
    const uint8_t code = Code(bestKey, current);
    if (code == kVkKeyWithoutCode) return -1;
    return static_cast<int16_t>(code | bestState << 8);
}
