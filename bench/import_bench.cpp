// Picture import: 20 generated 4000 x 3000 photos imported by the media
// manager (load, bilinear scale to 800 on the longer side, JPEG save under a
// temporary name, rename), against ImageMagick's `convert -resize 800x800`
// of the same files in the same run. Reports the time per file of both and
// the ratio (ImageMagick time / Trovebox time: above 1 means Trovebox is
// faster).
#include <benchmark/benchmark.h>

#include <FreeImage.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_trovebox.h"
#include "media_dlg.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 20;
constexpr int kWidth = 4000, kHeight = 3000;

struct Photos {
    fs::path root;
    std::vector<std::string> paths;
    Photos() {
        root = fs::temp_directory_path() / "trovebox-import-bench";
        fs::remove_all(root);
        fs::create_directories(root / "source");
        fs::create_directories(root / "pictures");
        fs::create_directories(root / "magick");
        // Smooth gradients with some noise, saved as ordinary JPEG photos.
        uint32_t seed = 12345;
        for (int n = 0; n < kPhotos; ++n) {
            FIBITMAP* image = FreeImage_Allocate(kWidth, kHeight, 24, 0, 0, 0);
            for (int y = 0; y < kHeight; ++y) {
                BYTE* row = FreeImage_GetBits(image) + static_cast<size_t>(y) * FreeImage_GetPitch(image);
                for (int x = 0; x < kWidth; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    int noise = static_cast<int>(seed >> 28);
                    row[3 * x + 0] = static_cast<BYTE>((x / 16 + n * 10 + noise) & 0xFF);
                    row[3 * x + 1] = static_cast<BYTE>((y / 12 + noise) & 0xFF);
                    row[3 * x + 2] = static_cast<BYTE>(((x + y) / 28 + noise) & 0xFF);
                }
            }
            std::string path = (root / "source" / ("photo" + std::to_string(n) + ".jpg")).string();
            FreeImage_Save(FIF_JPEG, image, path.c_str(), JPEG_DEFAULT);
            FreeImage_Unload(image);
            paths.push_back(path);
        }
    }
    ~Photos() { fs::remove_all(root); }
};

Photos& TheFiles() {
    static Photos photos;
    return photos;
}

double troveboxMsPerFile = 0;

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void BM_TroveboxImport(benchmark::State& state) {
    Photos& photos = TheFiles();
    trovefake::Reset();
    trovefake::script.currentDirectory = photos.root.string();
    trovefake::script.separator = static_cast<char>(fs::path::preferred_separator);
    CMediaDlg dialog;
    dialog.OnInitDialog(nullptr);
    double ms = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (const std::string& path : photos.paths) dialog.ImportPicture(path);
        ms += MsSince(start);
        trovefake::calls.clear();
        trovefake::script.lists.clear();
    }
    if (!dialog.importErrors.empty()) state.SkipWithError(dialog.importErrors.c_str());
    troveboxMsPerFile = ms / (kPhotos * static_cast<double>(state.iterations()));
    state.counters["ms_per_file"] = troveboxMsPerFile;
}

void BM_ImageMagickConvert(benchmark::State& state) {
    Photos& photos = TheFiles();
    double ms = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        for (const std::string& path : photos.paths) {
            std::string out = (photos.root / "magick" / fs::path(path).filename()).string();
            std::string command = "convert '" + path + "' -resize 800x800 '" + out + "'";
            if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
        }
        ms += MsSince(start);
    }
    const double perFile = ms / (kPhotos * static_cast<double>(state.iterations()));
    state.counters["ms_per_file"] = perFile;
    // Above 1: the import is faster than ImageMagick.
    if (troveboxMsPerFile > 0) state.counters["magick_over_trovebox"] = perFile / troveboxMsPerFile;
}

}  // namespace

BENCHMARK(BM_TroveboxImport)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ImageMagickConvert)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
