// Makes the starter pictures and sounds that come with the programs: 26
// letter pictures and 8 pattern pictures (800 pixels on the longer side,
// stored as JPEG the way the media manager stores pictures) and 12 short
// synthesised notes and chords (WAV, 22050 Hz, 16-bit mono). Everything is
// drawn and synthesised here; nothing is read from anywhere.
//
//   make_starter_media <output folder>
// writes <output folder>/pictures/*.jpg and <output folder>/sounds/*.wav.
#include <FreeImage.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

Colour Hsv(double h, double s, double v) {
    h = std::fmod(h, 360.0) / 60.0;
    const int i = static_cast<int>(h);
    const double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
    }
}

// A 5 x 7 bitmap font for the capital letters: one row per byte, bit 4 the
// leftmost column.
const uint8_t kLetters[26][7] = {
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}, {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}, {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}, {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}, {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}, {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},
    {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},
};

class Picture {
public:
    Picture(int width, int height) : width_(width), height_(height), bitmap_(FreeImage_Allocate(width, height, 24)) {}
    ~Picture() { FreeImage_Unload(bitmap_); }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Set(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
        // FreeImage rows run bottom up; pixels are stored blue, green, red.
        BYTE* p = FreeImage_GetScanLine(bitmap_, height_ - 1 - y) + x * 3;
        p[FI_RGBA_RED] = Byte(c.r);
        p[FI_RGBA_GREEN] = Byte(c.g);
        p[FI_RGBA_BLUE] = Byte(c.b);
    }
    template <typename F>
    void Fill(F colourAt) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) Set(x, y, colourAt(x, y));
    }
    void Disc(double cx, double cy, double radius, Colour c) {
        for (int y = static_cast<int>(cy - radius); y <= cy + radius; ++y)
            for (int x = static_cast<int>(cx - radius); x <= cx + radius; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) Set(x, y, c);
    }
    void Box(int x0, int y0, int w, int h, Colour c) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) Set(x, y, c);
    }
    // A letter of the 5 x 7 font, each dot a rounded square of cell pixels.
    void Letter(int index, int x0, int y0, int cell, Colour c, Colour shadow) {
        for (int pass = 0; pass < 2; ++pass)
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (kLetters[index][row] & (0x10 >> col)) {
                        const int offset = pass == 0 ? cell / 8 : 0;
                        const double half = cell / 2.0;
                        for (int y = 0; y < cell; ++y)
                            for (int x = 0; x < cell; ++x) {
                                const double dx = std::fabs(x + 0.5 - half) - half * 0.7;
                                const double dy = std::fabs(y + 0.5 - half) - half * 0.7;
                                if (dx > 0 && dy > 0 && dx * dx + dy * dy > (half * 0.3) * (half * 0.3)) continue;
                                Set(x0 + col * cell + x + offset, y0 + row * cell + y + offset,
                                    pass == 0 ? shadow : c);
                            }
                    }
    }
    bool SaveJpeg(const std::string& path) { return FreeImage_Save(FIF_JPEG, bitmap_, path.c_str(), JPEG_DEFAULT); }

private:
    static BYTE Byte(double v) { return static_cast<BYTE>(v <= 0 ? 0 : v >= 1 ? 255 : std::lround(v * 255)); }
    int width_, height_;
    FIBITMAP* bitmap_;
};

bool LetterPicture(int index, const std::string& path) {
    const bool portrait = index % 4 == 3;
    Picture p(portrait ? 600 : 800, portrait ? 800 : 600);
    const double hue = index * 360.0 / 26;
    const Colour top = Hsv(hue, 0.55, 1.0), bottom = Hsv(hue + 40, 0.75, 0.85);
    p.Fill([&](int, int y) {
        const double t = static_cast<double>(y) / p.Height();
        return Colour{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t, top.b + (bottom.b - top.b) * t};
    });
    // Confetti dots around the letter, placed by a fixed little sequence.
    uint32_t seed = 1234567u + index * 7919u;
    for (int i = 0; i < 40; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 8) % p.Width();
        seed = seed * 1103515245u + 12345u;
        const double y = (seed >> 8) % p.Height();
        seed = seed * 1103515245u + 12345u;
        p.Disc(x, y, 8 + (seed >> 8) % 28, Hsv(hue + 120 + (seed >> 12) % 180, 0.8, 1.0));
    }
    const int cell = portrait ? 90 : 70;
    const int x0 = (p.Width() - 5 * cell) / 2, y0 = (p.Height() - 7 * cell) / 2;
    p.Letter(index, x0, y0, cell, Hsv(hue + 180, 0.9, 0.95), Colour{0.1, 0.1, 0.15});
    return p.SaveJpeg(path);
}

bool PatternPicture(int index, const std::string& path) {
    Picture p(800, index % 2 ? 800 : 600);
    const double base = index * 45.0;
    const double cx = p.Width() / 2.0, cy = p.Height() / 2.0;
    switch (index % 4) {
    case 0:  // rainbow rings
        p.Fill([&](int x, int y) {
            const double r = std::hypot(x - cx, y - cy);
            return Hsv(base + r * 0.9, 0.8, 1.0);
        });
        break;
    case 1:  // checker board of two colours
        p.Fill([&](int x, int y) {
            return ((x / 100) + (y / 100)) % 2 ? Hsv(base, 0.7, 1.0) : Hsv(base + 150, 0.7, 0.9);
        });
        break;
    case 2:  // stripes and a sun
        p.Fill([&](int x, int y) { return Hsv(base + ((x + y) / 60) * 30, 0.6, 1.0); });
        p.Disc(cx, cy, 180, Colour{1.0, 0.85, 0.1});
        p.Disc(cx, cy, 120, Colour{1.0, 0.6, 0.0});
        break;
    default:  // pinwheel with squares
        p.Fill([&](int x, int y) {
            const double a = std::atan2(y - cy, x - cx) * 180 / kPi + 180;
            return Hsv(base + static_cast<int>(a / 30) * 30, 0.75, 1.0);
        });
        for (int i = 0; i < 4; ++i) p.Box(100 + i * 160, 100 + i * 100, 120, 120, Hsv(base + i * 90, 0.9, 0.8));
        break;
    }
    return p.SaveJpeg(path);
}

// A WAV file of 16-bit mono samples.
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int rate) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * 2));
    u16(2);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(bytes);
    std::fwrite(samples.data(), 2, samples.size(), f);
    return std::fclose(f) == 0;
}

// Notes of a bell-like timbre: a few harmonics, quick attack, gentle decay.
std::vector<int16_t> Synthesise(const std::vector<double>& frequencies, double seconds, int rate, bool arpeggio) {
    const size_t count = static_cast<size_t>(seconds * rate);
    std::vector<double> mix(count, 0.0);
    for (size_t n = 0; n < frequencies.size(); ++n) {
        const size_t start = arpeggio ? n * count / (frequencies.size() + 1) : 0;
        for (size_t i = start; i < count; ++i) {
            const double t = static_cast<double>(i - start) / rate;
            const double envelope = std::min(1.0, t / 0.01) * std::exp(-t * 4.0);
            const double f = frequencies[n];
            mix[i] += envelope * (std::sin(2 * kPi * f * t) + 0.35 * std::sin(4 * kPi * f * t) +
                                  0.12 * std::sin(6 * kPi * f * t));
        }
    }
    double peak = 1e-9;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i) {
        const double fadeOut = std::min(1.0, static_cast<double>(count - i) / (rate * 0.02));
        samples[i] = static_cast<int16_t>(std::lround(mix[i] / peak * 0.6 * fadeOut * 32767));
    }
    return samples;
}

double Note(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::filesystem::create_directories(root / "pictures");
    std::filesystem::create_directories(root / "sounds");
    FreeImage_Initialise(FALSE);
    int failures = 0;
    for (int i = 0; i < 26; ++i) {
        const std::string name = std::string("letter_") + static_cast<char>('a' + i) + ".jpg";
        failures += !LetterPicture(i, (root / "pictures" / name).string());
    }
    for (int i = 0; i < 8; ++i)
        failures += !PatternPicture(i, (root / "pictures" / ("pattern_" + std::to_string(i + 1) + ".jpg")).string());

    const int rate = 22050;
    // C major scale from C5 (3 semitones above A4), one bell note each.
    const char* scaleNames[] = {"c", "d", "e", "f", "g", "a", "b", "c2"};
    const int scale[] = {3, 5, 7, 8, 10, 12, 14, 15};
    for (int i = 0; i < 8; ++i)
        failures += !WriteWav((root / "sounds" / (std::string("note_") + scaleNames[i] + ".wav")).string(),
                              Synthesise({Note(scale[i])}, 0.6, rate, false), rate);
    struct Chord {
        const char* name;
        std::vector<int> notes;
        bool arpeggio;
    } chords[] = {{"chord_c", {3, 7, 10}, false}, {"chord_f", {8, 12, 15}, false},
                  {"chord_g", {10, 14, 17}, false}, {"arpeggio_c", {3, 7, 10, 15}, true}};
    for (const auto& chord : chords) {
        std::vector<double> frequencies;
        for (int n : chord.notes) frequencies.push_back(Note(n));
        failures += !WriteWav((root / "sounds" / (std::string(chord.name) + ".wav")).string(),
                              Synthesise(frequencies, 0.9, rate, chord.arpeggio), rate);
    }
    FreeImage_DeInitialise();
    if (failures) std::fprintf(stderr, "make_starter_media: %d files could not be written\n", failures);
    return failures ? 1 : 0;
}
