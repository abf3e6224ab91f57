// Shared set-up for the lock screen's tests: fakes reset, default settings
// with pictures on, the lock window visible, the lock screen's state as at
// process start, and a scratch folder as the working directory where the
// tests put their picture files.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "controller_state.h"
#include "random.h"

namespace lockscreen_test {

inline HWND const kWindow = reinterpret_cast<HWND>(0x1234);

// Sets the generator so that its next draw is r (0..32767): the state whose
// successor has r in bits 16..30.
inline void ScriptNextRandom(int r) {
    uint32_t inverse = 214013u;  // Newton's iteration for the inverse modulo 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - 214013u * inverse;
    const uint32_t next = static_cast<uint32_t>(r) << 16;
    randomState = (next - 2531011u) * inverse;
}

// The draws the generator gives after the current state, without moving it.
inline std::vector<int> UpcomingRandom(int count) {
    std::vector<int> values;
    uint32_t state = randomState;
    for (int i = 0; i < count; ++i) {
        state = state * 214013u + 2531011u;
        values.push_back(static_cast<int>((state >> 16) & 0x7FFF));
    }
    return values;
}

// A bottom-up BMP of the given size and bit count (16: 5-5-5, 24, or 8 with a
// grey palette), every pixel the same; declaredHeight > 0 writes a header
// that claims more rows than the file holds.
inline void WriteBmp(const std::string& path, int width, int height, int bits = 24, int declaredHeight = 0) {
    const int paletteSize = bits == 8 ? 256 * 4 : 0;
    const int stride = ((width * bits + 31) / 32) * 4;
    const int dataSize = stride * height;
    const int claimedHeight = declaredHeight > 0 ? declaredHeight : height;
    std::vector<uint8_t> file(14 + 40 + paletteSize + dataSize, 0);
    auto put16 = [&](size_t at, uint32_t v) { file[at] = v & 0xFF; file[at + 1] = (v >> 8) & 0xFF; };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(14 + 40 + paletteSize + stride * claimedHeight));
    put32(10, 14 + 40 + paletteSize);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(claimedHeight));
    put16(26, 1);
    put16(28, static_cast<uint32_t>(bits));
    put32(34, static_cast<uint32_t>(stride * claimedHeight));
    for (int i = 0; i < paletteSize / 4; ++i)
        for (int c = 0; c < 3; ++c) file[54 + i * 4 + c] = static_cast<uint8_t>(i);
    for (size_t i = 14 + 40 + paletteSize; i < file.size(); ++i) file[i] = 0x5A;
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr) << path;
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

class LockScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetControllerState();
        // A full lock with pictures under way, the window visible.
        options.showPictures = true;
        options.showUnlockHint = true;
        fake::script.windowVisible = true;
        locked = true;
        lockShowsPictures = true;
        SeedRandom(12345);

        previousFolder_ = std::filesystem::current_path();
        // A folder of its own: tests of other processes run beside this one.
        static unsigned counter = 0;
        folder_ = std::filesystem::temp_directory_path() /
                  ("bumblepad-lockscreen-" + std::to_string(std::random_device{}()) + "-" +
                   std::to_string(++counter));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_ / "pictures");
        std::filesystem::create_directories(folder_ / "sounds");
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        std::filesystem::current_path(previousFolder_);
        std::filesystem::remove_all(folder_);
    }

    // The pictures and sounds folders as the fake enumeration yields them.
    void ScriptFolders(std::vector<std::string> pictures, std::vector<std::string> sounds) {
        fake::lockScreen.folders[kPicturesPattern] = std::move(pictures);
        fake::lockScreen.folders[kSoundsPattern] = std::move(sounds);
    }

    // Each report read when the one before it has been answered: the posted
    // messages are handled in between.
    void Press(std::initializer_list<uint32_t> codes) {
        for (uint32_t code : codes) {
            OnLockKey(kWindow, code);
            DeliverPosted();
        }
    }

    // Handles the messages posted to the window, oldest first, as the loop would.
    static void DeliverPosted() {
        while (!fake::script.posted.empty()) {
            const fake::Script::Posted next = fake::script.posted.front();
            fake::script.posted.erase(fake::script.posted.begin());
            if (next.message == WM_LOCK_DRAW) OnLockDraw(kWindow);
            if (next.message == WM_LOCK_PICTURE) OnLockPictureDecoded(kWindow);
        }
    }

    // Calls other than the keyboard-layout look-ups and the lock screen's
    // messages to itself.
    static std::vector<std::string> CallsWithoutKeyScan() {
        std::vector<std::string> out;
        for (const auto& c : fake::calls)
            if (c.rfind("VkKeyScanA", 0) != 0 && c.rfind("PostMessageA(0x8010", 0) != 0 && c.rfind("PostMessageA(0x8011", 0) != 0 && c != "RunInBackground")
                out.push_back(c);
        return out;
    }

    static bool Called(const std::string& call) {
        for (const auto& c : fake::calls)
            if (c == call) return true;
        return false;
    }

    std::filesystem::path previousFolder_;
    std::filesystem::path folder_;
};

}  // namespace lockscreen_test
