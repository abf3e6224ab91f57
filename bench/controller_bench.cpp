// The real controller, measured from the outside like the desktop tests:
// Bumblepad runs on this X display (run under scripts/with-desktop.sh) with
// a private sound server whose only sink is a null sink; keys are injected
// with XTest.
//  - SoundOnset: key -> first sound on the sink's monitor, p50 and p95 (ms),
//    40 keys 400 ms apart, a 0.1 s tone;
//  - KeyStorm: one key and its picture, then 1000 keys at 200 keys/s over
//    ten 4000 x 3000 JPEGs, then 100 more with the word typed at their end:
//    the controller's CPU seconds for the 1000 keys, the time from the last of them to the last repaint
//    of the lock window (ms), from the word's last key to the lock window
//    going away (ms), and the resident memory unlocked, with the first
//    picture shown, at its peak during the storm and two seconds after the
//    lock (MB): all of it (rss_) and the process's own (own_: heap, stacks,
//    shared images, without the pages of mapped files). Run on a 1920 x 1080
//    screen (scripts/bench.sh) for the figures of a full-HD lock.
#include <FreeImage.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>
#include <pulse/simple.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string Run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p)) out += buffer;
        pclose(p);
    }
    return out;
}

// A figure of /proc/<pid>/status in MB: VmRSS (all resident pages), or
// RssAnon + RssShmem (what the process holds of its own: heap, stacks,
// shared-memory images; the rest is pages of mapped files, mostly library
// code).
double StatusMb(pid_t pid, const std::vector<std::string>& fields) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    double kb = 0;
    while (std::getline(status, line))
        for (const std::string& field : fields)
            if (line.rfind(field + ":", 0) == 0) kb += std::stod(line.substr(field.size() + 1));
    return kb / 1024;
}
double ResidentMb(pid_t pid) { return StatusMb(pid, {"VmRSS"}); }
double OwnMb(pid_t pid) { return StatusMb(pid, {"RssAnon", "RssShmem"}); }

double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / sysconf(_SC_CLK_TCK);
}

void CopyText(const std::string& from, const std::string& to) {
    std::ifstream in(from);
    std::ofstream(to) << in.rdbuf();
}

void WriteTone(const fs::path& path, double seconds) {
    const int rate = 22050, n = static_cast<int>(seconds * rate);
    std::ofstream out(path, std::ios::binary);
    auto put = [&](uint32_t v, int bytes) { out.write(reinterpret_cast<const char*>(&v), bytes); };
    out.write("RIFF", 4);
    put(36 + n * 2, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    out.write("data", 4);
    put(n * 2, 4);
    for (int i = 0; i < n; ++i) put(static_cast<uint16_t>(static_cast<int16_t>(13000 * std::sin(i * 0.1254))), 2);
}

struct Stage {
    fs::path folder = fs::temp_directory_path() / "bumblepad-controller-bench";
    std::string server;
    pid_t audio = 0, controller = 0;
    Display* display = nullptr;

    Stage() {
        fs::create_directories(folder / "pictures");
        fs::create_directories(folder / "sounds");
        fs::create_directories(folder / "audio");
        for (int i = 0; i < 10; ++i) {  // busy camera-sized pictures
            const fs::path path = folder / "pictures" / ("camera" + std::to_string(i) + ".jpg");
            if (fs::exists(path)) continue;
            FIBITMAP* bitmap = FreeImage_Allocate(4000, 3000, 24);
            for (unsigned y = 0; y < 3000; ++y) {
                BYTE* row = FreeImage_GetScanLine(bitmap, y);
                for (unsigned x = 0; x < 4000; ++x) {
                    row[x * 3] = static_cast<BYTE>((x + i * 40) ^ y);
                    row[x * 3 + 1] = static_cast<BYTE>(x * 3 + y * i);
                    row[x * 3 + 2] = static_cast<BYTE>((x * y) >> 6);
                }
            }
            FreeImage_Save(FIF_JPEG, bitmap, path.c_str(), JPEG_QUALITYGOOD);
            FreeImage_Unload(bitmap);
        }
        WriteTone(folder / "sounds" / "tone.wav", 0.1);

        // The sound server, as the desktop tests start it.
        server = "unix:" + (folder / "audio" / "native").string();
        audio = fork();
        if (audio == 0) {
            setenv("PULSE_RUNTIME_PATH", (folder / "audio").c_str(), 1);
            setenv("HOME", (folder / "audio").c_str(), 1);
            const std::string socket =
                "module-native-protocol-unix socket=" + (folder / "audio" / "native").string() + " auth-anonymous=1";
            execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                   "--system=no", "-L", socket.c_str(), "-L",
                   "module-null-sink sink_name=test_sink rate=22050 channels=1", "--log-target=stderr",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        setenv("PULSE_SERVER", server.c_str(), 1);
        for (int i = 0; i < 200 && std::system("pactl info >/dev/null 2>&1") != 0; ++i) usleep(50000);

        const char* config = std::getenv("XDG_CONFIG_HOME");
        fs::create_directories(fs::path(config ? config : "/tmp") / "Software" / "Bumblepad");
        const std::string bin = std::getenv("BUMBLEPAD_BIN") ? std::getenv("BUMBLEPAD_BIN") : "build/linux/bin";
        const std::string program = fs::absolute(fs::path(bin) / "Bumblepad").string();
        controller = fork();
        if (controller == 0) {
            fs::current_path(folder);
            freopen("/dev/null", "w", stderr);
            execl(program.c_str(), "Bumblepad", static_cast<char*>(nullptr));
            _exit(127);
        }
        display = XOpenDisplay(nullptr);
        for (int i = 0; i < 200 && TrayIcon().empty(); ++i) usleep(50000);
        sleep(1);  // settled: the idle figure
    }

    static std::string TrayIcon() {
        return Run("xwininfo -root -tree | awk '/\"panel\"/{p=1} p && /\"Bumblepad\"/{print $1; exit}'");
    }
    // Locks from the tray icon; the lock window's id, 0 when it did not come up.
    Window Lock() {
        Run("eval \"$(xdotool getwindowgeometry --shell " + TrayIcon() +
            ")\"; xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 --delay 80 1");
        for (int i = 0; i < 100; ++i) {
            const std::string id = Run("xdotool search --onlyvisible --name '^Bumblepad$' | head -1");
            if (!id.empty()) return static_cast<Window>(std::stoul(id));
            usleep(50000);
        }
        return 0;
    }
    void Key(KeySym symbol) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, 0);
        XTestFakeKeyEvent(display, code, False, 0);
        XFlush(display);
    }
};

// Made once; the controller and the sound server are ended when the
// benchmarks are done (Qt's and X's statics are left alone).
Stage* theStage = nullptr;
Stage& TheStage() {
    if (!theStage) {
        theStage = new Stage;
        std::atexit([] {
            if (theStage->controller > 0)
                kill(theStage->controller, SIGTERM), waitpid(theStage->controller, nullptr, 0);
            if (theStage->audio > 0) kill(theStage->audio, SIGTERM), waitpid(theStage->audio, nullptr, 0);
        });
    }
    return *theStage;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(values.size() * p))];
}

void SoundOnset(benchmark::State& state) {
    Stage& stage = TheStage();
    for (auto _ : state) {
        Window lock = stage.Lock();
        if (!lock) {
            state.SkipWithError("the lock did not come up");
            return;
        }
        // The monitor, read in 1 ms fragments; each key's onset is the first
        // fragment with sound after it.
        pa_sample_spec format{PA_SAMPLE_S16LE, 22050, 1};
        pa_buffer_attr attr{static_cast<uint32_t>(-1), 0, 0, 0, 44};
        int error = 0;
        pa_simple* monitor = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, "test_sink.monitor", "monitor", &format,
                                           nullptr, &attr, &error);
        if (!monitor) {
            state.SkipWithError("no monitor to record");
            return;
        }
        std::atomic<bool> running{true};
        std::atomic<int64_t> lastSound{0};
        std::thread reader([&] {
            int16_t fragment[22];
            while (running) {
                if (pa_simple_read(monitor, fragment, sizeof fragment, &error) < 0) break;
                for (int16_t s : fragment)
                    if (std::abs(s) > 1000) {
                        lastSound = Clock::now().time_since_epoch().count();
                        break;
                    }
            }
        });
        std::vector<double> onsets;
        for (int i = 0; i < 40; ++i) {
            usleep(400000);  // the 0.1 s tone has long ended
            const auto sent = Clock::now();
            stage.Key(static_cast<KeySym>(XK_a + i % 10));
            while (Clock::now() - sent < std::chrono::milliseconds(200) &&
                   lastSound.load() < sent.time_since_epoch().count())
                usleep(200);
            if (lastSound.load() >= sent.time_since_epoch().count())
                onsets.push_back(Ms(Clock::duration(lastSound.load()) - sent.time_since_epoch()));
        }
        running = false;
        reader.join();
        pa_simple_free(monitor);
        for (KeySym k : {KeySym{XK_w}, KeySym{XK_r}, KeySym{XK_e}, KeySym{XK_n}}) stage.Key(k);
        usleep(500000);
        state.counters["heard"] = static_cast<double>(onsets.size());
        state.counters["p50_ms"] = Percentile(onsets, 0.5);
        state.counters["p95_ms"] = Percentile(onsets, 0.95);
    }
}
BENCHMARK(SoundOnset)->Iterations(1)->Unit(benchmark::kMillisecond);

void KeyStorm(benchmark::State& state) {
    Stage& stage = TheStage();
    for (auto _ : state) {
        const double idle = ResidentMb(stage.controller), idleOwn = OwnMb(stage.controller);
        if (const char* where = std::getenv("BENCH_SMAPS"))
            CopyText("/proc/" + std::to_string(stage.controller) + "/smaps", std::string(where) + ".idle");
        Window lock = stage.Lock();
        if (!lock) {
            state.SkipWithError("the lock did not come up");
            return;
        }
        int damageEvent = 0, damageError = 0;
        XDamageQueryExtension(stage.display, &damageEvent, &damageError);
        Damage damage = XDamageCreate(stage.display, lock, XDamageReportRawRectangles);
        XSelectInput(stage.display, lock, StructureNotifyMask);
        XSync(stage.display, False);
        // One key first, until its picture shows: the lock with one picture held.
        stage.Key(XK_a);
        for (const auto sent = Clock::now(); Clock::now() - sent < std::chrono::seconds(10);) {
            XEvent event;
            if (!XPending(stage.display)) {
                usleep(1000);
                continue;
            }
            XNextEvent(stage.display, &event);
            if (event.type == damageEvent + XDamageNotify &&
                reinterpret_cast<XDamageNotifyEvent*>(&event)->area.width >= 100)
                break;
        }
        usleep(300000);
        const double one = ResidentMb(stage.controller), oneOwn = OwnMb(stage.controller);
        const double cpuBefore = CpuSeconds(stage.controller);
        double peak = 0, peakOwn = 0;
        auto lastDamage = Clock::now();
        const auto start = Clock::now();
        auto drain = [&] {
            bool unmapped = false;
            while (XPending(stage.display)) {
                XEvent event;
                XNextEvent(stage.display, &event);
                if (event.type == damageEvent + XDamageNotify) {
                    lastDamage = Clock::now();
                    if (std::getenv("BENCH_TRACE")) {
                        auto* d = reinterpret_cast<XDamageNotifyEvent*>(&event);
                        std::fprintf(stderr, "damage %.1f ms %dx%d+%d+%d\n", Ms(lastDamage - start), d->area.width,
                                     d->area.height, d->area.x, d->area.y);
                    }
                }
                if (event.type == UnmapNotify) unmapped = true;
            }
            return unmapped;
        };
        for (int i = 0; i < 1000; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(5000 * i));
            stage.Key(static_cast<KeySym>(XK_a + i % 10));
            drain();
            if (i % 100 == 0) {
                peak = std::max(peak, ResidentMb(stage.controller));
                peakOwn = std::max(peakOwn, OwnMb(stage.controller));
            }
        }
        const auto lastKey = Clock::now();
        while (Clock::now() - lastDamage < std::chrono::milliseconds(500) || lastDamage < lastKey) {
            drain();
            usleep(1000);
            if (Clock::now() - lastKey > std::chrono::seconds(30)) break;
        }
        peak = std::max(peak, ResidentMb(stage.controller));
        peakOwn = std::max(peakOwn, OwnMb(stage.controller));
        const double cpu = CpuSeconds(stage.controller) - cpuBefore;
        const double lastDrawn = Ms(lastDamage - lastKey);
        // The storm again, the word typed at its end at the same pace.
        const auto again = Clock::now();
        for (int i = 0; i < 100; ++i) {
            std::this_thread::sleep_until(again + std::chrono::microseconds(5000 * i));
            stage.Key(static_cast<KeySym>(XK_a + i % 10));
            drain();
        }
        for (KeySym k : {KeySym{XK_w}, KeySym{XK_r}, KeySym{XK_e}}) stage.Key(k), usleep(5000);
        const auto wordEnd = Clock::now();
        stage.Key(XK_n);
        bool ended = false;
        while (!ended && Clock::now() - wordEnd < std::chrono::seconds(10)) {
            ended = drain();
            if (!ended) usleep(200);
        }
        const double word = Ms(Clock::now() - wordEnd);
        XDamageDestroy(stage.display, damage);
        sleep(2);
        state.counters["cpu_s"] = cpu;
        state.counters["last_drawn_ms"] = lastDrawn;
        state.counters["word_ms"] = ended ? word : -1;
        state.counters["rss_idle_MB"] = idle;
        state.counters["rss_lock_MB"] = peak;
        state.counters["rss_after_MB"] = ResidentMb(stage.controller);
        state.counters["rss_one_MB"] = one;
        state.counters["own_one_MB"] = oneOwn;
        state.counters["own_idle_MB"] = idleOwn;
        state.counters["own_lock_MB"] = peakOwn;
        state.counters["own_after_MB"] = OwnMb(stage.controller);
        if (const char* where = std::getenv("BENCH_SMAPS"))  // where the memory lies, for a closer look
            CopyText("/proc/" + std::to_string(stage.controller) + "/smaps", where);
    }
}
BENCHMARK(KeyStorm)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
