// The key translation shared by the X and Wayland locks, over the keymaps of
// real layouts (xkbcommon and the system's keyboard data).
#include "key_translation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "hook_rules.h"

namespace {

struct Keymap {
    explicit Keymap(const char* layout, const char* variant = "") {
        context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
        keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        translation.Use(keymap);
    }
    ~Keymap() {
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }
    xkb_keycode_t Key(const char* name) const { return xkb_keymap_key_by_name(keymap, name); }
    xkb_context* context;
    xkb_keymap* keymap;
    KeyTranslation translation;
};

// Evdev key codes plus 8 are XKB's.
constexpr xkb_keycode_t kW = 17 + 8;

TEST(KeyTranslation, OnEveryLayoutNoTwoCharacterKeysShareACodeAndNoneReportsNoKey) {
    for (const char* layout : {"us", "ru", "ru,us", "gr", "il", "ua", "bg", "de", "fr", "by", "ara", "th"}) {
        Keymap k(layout);
        ASSERT_TRUE(k.keymap) << layout;
        for (xkb_layout_index_t l = 0; l < xkb_keymap_num_layouts(k.keymap); ++l) {
            std::map<uint8_t, xkb_keysym_t> owner;
            for (xkb_keycode_t key = xkb_keymap_min_keycode(k.keymap); key <= xkb_keymap_max_keycode(k.keymap);
                 ++key) {
                const uint8_t code = k.translation.Code(key, l);
                EXPECT_NE(code, 0xFF) << layout << " key " << key;
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(k.keymap, key, l, 0, &syms) < 1) continue;
                const uint32_t c = xkb_keysym_to_utf32(syms[0]);
                if (c <= 0x20 || code == kVkKeyWithoutCode) continue;
                auto [it, fresh] = owner.emplace(code, syms[0]);
                EXPECT_TRUE(fresh || it->second == syms[0])
                    << layout << " layout " << l << ": keysyms " << std::hex << it->second << " and " << syms[0]
                    << " share code " << int(code);
            }
        }
    }
}

TEST(KeyTranslation, ALetterOfANonLatinLayoutIsTheCodeOfItsPlaceAsIsTheWordsLetter) {
    Keymap k("ru,us");
    EXPECT_EQ(k.translation.Code(kW, 0), 'W') << "the Cyrillic letter on the W key";
    EXPECT_EQ(k.translation.Code(kW, 1), 'W');
    // "w" is on the second layout only; its key's code on the first.
    EXPECT_EQ(k.translation.CharacterKey('w', 0), 'W');
    EXPECT_EQ(k.translation.CharacterKey('W', 0), 0x100 | 'W');
    std::string word;
    for (char c : std::string("wren")) word += static_cast<char>(k.translation.CharacterKey(c, 0) & 0xFF);
    EXPECT_EQ(word, "WREN");
    // Every letter key of the Cyrillic layout: its own code, never the byte
    // of a character no key types.
    std::map<uint8_t, int> seen;
    for (const char* name : {"AD01", "AD02", "AD03", "AD11", "AC01", "AC10", "AC11", "AB01", "AB08", "AB09", "TLDE"})
        ++seen[k.translation.Code(k.Key(name), 0)];
    EXPECT_EQ(seen.size(), 11u);
    EXPECT_EQ(k.translation.CharacterKey('\xE4', 0), -1) << "no key types a";
}

TEST(KeyTranslation, GermanLettersAltGrAndTheSharpSKeyApartFromMinus) {
    Keymap k("de");
    EXPECT_EQ(k.translation.CharacterKey('@', 0), 0x600 | k.translation.Code(k.Key("AD01"), 0)) << "AltGr+Q";
    EXPECT_EQ(k.translation.CharacterKey('\xE4', 0), k.translation.Code(k.Key("AC11"), 0));
    EXPECT_EQ(k.translation.CharacterKey('z', 0), 'Z');
    EXPECT_EQ(k.translation.Code(k.Key("AD06"), 0), 'Z');
    const int sharpS = k.translation.CharacterKey('\xDF', 0), minus = k.translation.CharacterKey('-', 0);
    EXPECT_EQ(minus, 0xBD);
    EXPECT_GT(sharpS, 0);
    EXPECT_NE(sharpS & 0xFF, 0xBD) << "the ß key sits where US has minus, and German minus has that code";
}

}  // namespace
