// What the files that tried to get past the decoding guard cost now, with
// the real FreeImage (the full set of tests/pictures, written once into a
// scratch folder, about 15 s):
//  - HeaderRead/<file>: reading its header as the lock screen does (the
//    type, the size, what the decoder would hold besides the pixels);
//    counters: cost_MB, what decoding would take as counted for a 1920 x 1080
//    canvas, and refused (1: over the 64 MB bound or unreadable);
//  - Decode/<file>: the lock screen's whole step for a 1920 x 1080 canvas
//    (header, guard, decoding, reduction); counters: drawn, and
//    peak_rise_MB, how far the process's peak RSS rose in the first run.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "hostile_pictures.h"
#include "picture.h"
#include "picture_load.h"

namespace {

const char* const kNames[] = {"text_chunks.png", "progressive.jpg", "fooled.mng", "decoy.jp2", "fooled.gif",
                              "unreadable.iff",  "v5_565.bmp",      "v5_555.bmp", "v5_24.bmp", "v5_32.bmp"};

const std::string& Folder() {
    static const std::string folder = [] {
        const std::filesystem::path path = std::filesystem::temp_directory_path() / "bumblepad-hostile-bench";
        std::filesystem::create_directories(path);
        hostile::WriteAll(path.string(), hostile::Weight::Full);
        return path.string();
    }();
    return folder;
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void HeaderRead(benchmark::State& state, const std::string& name) {
    const std::string path = Folder() + "/" + name;
    PictureHeader header;
    bool read = false;
    for (auto _ : state) {
        read = ReadPictureHeader(path.c_str(), header);
        benchmark::DoNotOptimize(header);
    }
    const uint64_t cost = read ? DecodeCost(header, 1023, 1023) : 0;
    state.counters["cost_MB"] = static_cast<double>(cost) / (1024 * 1024);
    state.counters["refused"] = !read || cost > kPictureWorkBytes;
}

void Decode(benchmark::State& state, const std::string& name) {
    const std::string path = Folder() + "/" + name;
    bool drawn = false;
    double rise = -1;
    for (auto _ : state) {
        const double before = PeakRssMb();
        std::unique_ptr<PreparedPicture> picture = PreparePictureForCanvas(path.c_str(), 1920, 1080);
        if (rise < 0) rise = PeakRssMb() - before;
        drawn = picture != nullptr;
        benchmark::DoNotOptimize(picture);
    }
    state.counters["drawn"] = drawn;
    state.counters["peak_rise_MB"] = rise;
}

const bool registered = [] {
    for (const char* name : kNames) {
        benchmark::RegisterBenchmark((std::string("HeaderRead/") + name).c_str(), HeaderRead, std::string(name))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Decode/") + name).c_str(), Decode, std::string(name))
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
