// The lock screen's speed on this machine, with the real Linux adapters
// (off-screen canvas, window image) and FreeImage:
//  - KeyToPicture/<width>/<first>: one key press's picture work on a
//    1920 x 1080 canvas: an 800 x 600 or a 4000 x 3000 JPEG drawn at its
//    random size and place, and the hint band and the picture's rectangle
//    copied to the lock window; first = 1: seen for the first time
//    (decoded and reduced), 0: held in the cache (p50 and p99 over the
//    iterations, in ms; one untimed press first);
//  - ConfettiMove: one mouse move of 1000 pixels (1000 blocks, each copied);
//  - UnlockMatch: recording one code and looking for the word in a full
//    500-byte history.
#include <benchmark/benchmark.h>

#include <FreeImage.h>

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "lock_screen.h"
#include "lock_screen_state.h"
#include "media_lists.h"
#include "picture.h"
#include "picture_cache.h"
#include "random.h"
#include "settings.h"
#include "unlock_word.h"

namespace {

struct Stage {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QWidget> window;
    std::filesystem::path folder;

    Stage() {
        static int argc = 1;
        static char name[] = "lockscreen_bench";
        static char* argv[] = {name, nullptr};
        if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QApplication>(argc, argv);
        window = std::make_unique<QWidget>();
        window->resize(1920, 1080);

        folder = std::filesystem::temp_directory_path() / "bumblepad-lockscreen-bench";
        std::filesystem::create_directories(folder / "pictures");
        std::filesystem::current_path(folder);
        // Busy pictures, so that the JPEGs are not trivially small: the size
        // the media manager stores and a camera's.
        for (unsigned width : {800u, 4000u}) {
            const unsigned height = width * 3 / 4;
            FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
            for (unsigned y = 0; y < height; ++y) {
                BYTE* row = FreeImage_GetScanLine(bitmap, y);
                for (unsigned x = 0; x < width; ++x) {
                    row[x * 3] = static_cast<BYTE>(x ^ y);
                    row[x * 3 + 1] = static_cast<BYTE>(x * 3 + y);
                    row[x * 3 + 2] = static_cast<BYTE>((x * y) >> 4);
                }
            }
            FreeImage_Save(FIF_JPEG, bitmap, ("pictures/picture" + std::to_string(width) + ".jpg").c_str(),
                           JPEG_DEFAULT);
            FreeImage_Unload(bitmap);
        }

        options = defaultOptions;
        options.showPictures = true;
        options.showUnlockHint = true;
        RebuildMediaLists();
        screenRect = ScreenRect{0, 0, 1920, 1080};
        CreateCanvas(Window(), screenRect);
    }
    HWND Window() const { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window->winId())); }
};

// Made once and kept to the end of the process (Qt must not be taken down
// during static destruction).
Stage& TheStage() {
    static Stage* stage = new Stage;
    return *stage;
}

void KeyToPicture(benchmark::State& state) {
    Stage& stage = TheStage();
    // The folder lists picture4000.jpg, then picture800.jpg, in some order.
    uint32_t code = 0;
    while (std::string(pictureList[code].name) != "picture" + std::to_string(state.range(0)) + ".jpg") ++code;
    const bool firstSight = state.range(1) != 0;
    // Untimed: the cached case starts with the picture in the cache (its
    // first decoding is the other case), both after the process's one-time
    // work (fonts of the hint line, the decoder's first use) is done.
    pictureCache.Clear();
    DrawPictureForCode(code);
    PaintLockScreen(stage.Window(), 0, 0, 0, 0);
    std::vector<double> ms;
    for (auto _ : state) {
        if (firstSight) pictureCache.Clear();
        const auto start = std::chrono::steady_clock::now();
        DrawnRect drawn = DrawPictureForCode(code);
        PaintLockScreen(stage.Window(), drawn.left, drawn.top, drawn.right, drawn.bottom);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize(drawn);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}
BENCHMARK(KeyToPicture)->Args({800, 0})->Args({800, 1})->Args({4000, 0})->Args({4000, 1})
    ->Iterations(300)->Unit(benchmark::kMillisecond);  // so that p99 is not just the slowest press

void ConfettiMove(benchmark::State& state) {
    Stage& stage = TheStage();
    bool right = true;
    trailRestart = false;
    for (auto _ : state) {
        trailAnchorX = right ? 100 : 1100;
        trailAnchorY = 500;
        OnLockMouseMove(stage.Window(), right ? 1100 : 100, 500);
        right = !right;
    }
}
BENCHMARK(ConfettiMove)->Unit(benchmark::kMillisecond);

void UnlockMatch(benchmark::State& state) {
    TheStage();
    std::snprintf(options.unlockWord, sizeof options.unlockWord, "%s", "wren");
    keyHistory.assign(499, 'Q');
    for (auto _ : state) {
        benchmark::DoNotOptimize(RecordKeyAndMatch('X'));  // 500 bytes now
        keyHistory.pop_back();
    }
}
BENCHMARK(UnlockMatch);

}  // namespace
