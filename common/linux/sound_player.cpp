// One playback stream kept open on the sound server and fed from decoded
// wave data held in memory. A new sound drops what the server still holds of
// the old one (flush) and is written at once, so its onset is a few
// milliseconds; a sound that ends is followed by silence and the stream is
// corked a second later, so the device can go idle. Files are read and
// decoded (libsndfile) on a thread of the player's own, never on the
// caller's; the server is talked to through libpulse's threaded main loop.
#include "sound_player.h"

#include <malloc.h>
#include <pulse/pulseaudio.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <condition_variable>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sound {
namespace {

constexpr size_t kCacheBytes = 32u * 1024 * 1024;  // decoded sounds kept
constexpr int kLongestSeconds = 60;                // longer files play their first minute
constexpr int kTargetLatencyMs = 20;               // what the server buffers ahead
constexpr int kRetryConnectMs = 10000;             // no server: try again after this long

struct Sound {
    pa_sample_spec sampleFormat;
    std::vector<float> samples;  // interleaved
    size_t Bytes() const { return samples.size() * sizeof(float); }
};

// ---- decoding, with a small cache keyed by path, size and time ----

struct Cached {
    std::string path;
    off_t size;
    struct timespec modified;
    std::shared_ptr<const Sound> sound;
};
// The player's state lives until the process ends and is never destroyed:
// its threads may still be at work while the program's statics go.
std::list<Cached>& cache = *new std::list<Cached>;  // most recent first; the player's thread only
size_t cacheBytes = 0;

std::shared_ptr<const Sound> Decode(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->path != path) continue;
        if (it->size == info.st_size && it->modified.tv_sec == info.st_mtim.tv_sec &&
            it->modified.tv_nsec == info.st_mtim.tv_nsec) {
            cache.splice(cache.begin(), cache, it);
            return it->sound;
        }
        cacheBytes -= it->sound ? it->sound->Bytes() : 0;
        cache.erase(it);
        break;
    }
    std::shared_ptr<Sound> sound;
    SF_INFO format{};
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &format)) {
        const int major = format.format & SF_FORMAT_TYPEMASK;
        // Wave files only, as the platform's own sound call plays them.
        if ((major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX || major == SF_FORMAT_RF64) && format.channels > 0 &&
            format.channels <= static_cast<int>(PA_CHANNELS_MAX) && format.samplerate > 0 &&
            format.samplerate <= static_cast<int>(PA_RATE_MAX)) {
            const sf_count_t frames =
                std::min<sf_count_t>(format.frames, sf_count_t{format.samplerate} * kLongestSeconds);
            sound = std::make_shared<Sound>();
            sound->sampleFormat = {PA_SAMPLE_FLOAT32LE, static_cast<uint32_t>(format.samplerate),
                           static_cast<uint8_t>(format.channels)};
            sound->samples.resize(static_cast<size_t>(frames) * format.channels);
            const sf_count_t read = sf_readf_float(file, sound->samples.data(), frames);
            sound->samples.resize(static_cast<size_t>(std::max<sf_count_t>(read, 0)) * format.channels);
            if (sound->samples.empty()) sound.reset();
        }
        sf_close(file);
    }
    cache.push_front(Cached{path, info.st_size, info.st_mtim, sound});
    cacheBytes += sound ? sound->Bytes() : 0;
    while (cacheBytes > kCacheBytes && cache.size() > 1) {
        cacheBytes -= cache.back().sound ? cache.back().sound->Bytes() : 0;
        cache.pop_back();
    }
    return sound;
}

// ---- the server side; everything below runs under the main loop's lock ----

pa_threaded_mainloop* loop = nullptr;
pa_context* context = nullptr;
pa_stream* stream = nullptr;
pa_sample_spec streamFormat{};
std::shared_ptr<const Sound>& playing = *new std::shared_ptr<const Sound>;  // what the stream is fed from
size_t written = 0;                                                         // bytes of it handed to the server
unsigned generation = 0;                                                    // tells a stale cork timer
pa_time_event* corkTimer = nullptr;
bool noDeviceTold = false;
pa_usec_t lastFailedConnect = 0;
std::function<void()>& tellNoDevice = *new std::function<void()>;

void Feed(pa_stream* s, size_t room) {
    if (!playing || s != stream) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(playing->samples.data());
    const size_t left = playing->Bytes() - written;
    const size_t count = std::min(room, left);
    if (count == 0) return;
    pa_stream_write(s, bytes + written, count, nullptr, 0, PA_SEEK_RELATIVE);
    written += count;
}

void StreamWants(pa_stream* s, size_t room, void*) { Feed(s, room); }

void Signal(pa_context*, void*) { pa_threaded_mainloop_signal(loop, 0); }
void StreamSignal(pa_stream*, void*) { pa_threaded_mainloop_signal(loop, 0); }

void CorkWhenQuiet(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* data) {
    api->time_free(event);
    if (event == corkTimer) corkTimer = nullptr;
    if (static_cast<unsigned>(reinterpret_cast<uintptr_t>(data)) != generation || !stream) return;
    playing.reset();
    pa_operation* op = pa_stream_cork(stream, 1, nullptr, nullptr);
    if (op) pa_operation_unref(op);
}

void ArmCorkTimer(pa_usec_t after) {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
    if (corkTimer) api->time_free(corkTimer);
    struct timeval when;
    pa_timeval_add(pa_gettimeofday(&when), after);
    corkTimer = api->time_new(api, &when, CorkWhenQuiet, reinterpret_cast<void*>(static_cast<uintptr_t>(generation)));
}

void DropStream() {
    if (!stream) return;
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void TellNoDevice() {
    if (noDeviceTold) return;
    noDeviceTold = true;
    std::fprintf(stderr, "No audio device: sounds are not played\n");
    if (tellNoDevice) tellNoDevice();
}

// A ready connection to the server, made (again) when there is none.
bool Connected() {
    if (context && pa_context_get_state(context) == PA_CONTEXT_READY) return true;
    const pa_usec_t now = pa_rtclock_now();
    if (lastFailedConnect && now - lastFailedConnect < kRetryConnectMs * PA_USEC_PER_MSEC) return false;
    DropStream();
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Bumblepad");
    pa_context_set_state_callback(context, Signal, nullptr);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) {
                lastFailedConnect = 0;
                return true;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) break;
            pa_threaded_mainloop_wait(loop);
        }
    }
    lastFailedConnect = now;
    TellNoDevice();
    return false;
}

// The stream for this sample format, opened (again) when the open one has another.
bool StreamFor(const pa_sample_spec& sampleFormat) {
    if (stream && pa_stream_get_state(stream) == PA_STREAM_READY && pa_sample_spec_equal(&sampleFormat, &streamFormat))
        return true;
    DropStream();
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sampleFormat.channels, PA_CHANNEL_MAP_WAVEEX);
    stream = pa_stream_new(context, "sound", &sampleFormat, &map);
    if (!stream) return false;
    streamFormat = sampleFormat;
    pa_stream_set_state_callback(stream, StreamSignal, nullptr);
    pa_stream_set_write_callback(stream, StreamWants, nullptr);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatencyMs * PA_USEC_PER_MSEC, &sampleFormat));
    attr.prebuf = 0;  // play what is there at once, never wait to fill up
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatencyMs * PA_USEC_PER_MSEC / 4, &sampleFormat));
    attr.fragsize = static_cast<uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        DropStream();
        return false;
    }
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) return true;
        if (!PA_STREAM_IS_GOOD(state)) break;
        pa_threaded_mainloop_wait(loop);
    }
    DropStream();
    return false;
}

void Silence() {
    ++generation;
    playing.reset();
    if (!stream) return;
    if (pa_operation* op = pa_stream_flush(stream, nullptr, nullptr)) pa_operation_unref(op);
    if (pa_operation* op = pa_stream_cork(stream, 1, nullptr, nullptr)) pa_operation_unref(op);
}

void Start(std::shared_ptr<const Sound> sound) {
    if (!Connected() || !StreamFor(sound->sampleFormat)) return;
    ++generation;
    playing = std::move(sound);
    written = 0;
    // What the server still holds of the sound before goes; the new one
    // follows at once.
    if (pa_operation* op = pa_stream_flush(stream, nullptr, nullptr)) pa_operation_unref(op);
    const size_t room = pa_stream_writable_size(stream);
    Feed(stream, room == static_cast<size_t>(-1) ? 0 : room);
    if (pa_stream_is_corked(stream) == 1)
        if (pa_operation* op = pa_stream_cork(stream, 0, nullptr, nullptr)) pa_operation_unref(op);
    const pa_usec_t length = pa_bytes_to_usec(playing->Bytes(), &playing->sampleFormat);
    ArmCorkTimer(length + PA_USEC_PER_SEC);
}

// ---- requests from the callers' threads ----

struct Request {
    bool stop = false;
    bool forget = false;  // the decoded sounds go too
    std::string path;
};
std::mutex& requestMutex = *new std::mutex;
std::condition_variable& requestArrived = *new std::condition_variable;
std::condition_variable& requestDone = *new std::condition_variable;
Request& request = *new Request;
unsigned long requested = 0, handled = 0;
bool busy = false;

void Run() {
    for (;;) {
        Request next;
        {
            std::unique_lock<std::mutex> lock(requestMutex);
            requestArrived.wait(lock, [] { return requested != handled; });
            next = request;
            request.forget = false;
            handled = requested;
            busy = true;
        }
        std::shared_ptr<const Sound> sound = next.stop ? nullptr : Decode(next.path);
        pa_threaded_mainloop_lock(loop);
        if (sound)
            Start(std::move(sound));
        else
            Silence();
        pa_threaded_mainloop_unlock(loop);
        if (next.forget) {
            cache.clear();
            cacheBytes = 0;
            malloc_trim(0);
        }
        {
            std::lock_guard<std::mutex> lock(requestMutex);
            busy = false;
        }
        requestDone.notify_all();
    }
}

void Ask(bool stop, const std::string& path, bool forget = false) {
    static std::once_flag started;
    std::call_once(started, [] {
        loop = pa_threaded_mainloop_new();
        pa_threaded_mainloop_start(loop);
        std::thread(Run).detach();  // lives as long as the process
    });
    {
        std::lock_guard<std::mutex> lock(requestMutex);
        request.stop = stop;
        request.forget = request.forget || forget;  // until the player has done it
        request.path = path;
        ++requested;
    }
    requestArrived.notify_one();
}

}  // namespace

void Play(const std::string& path) { Ask(false, path); }
void Stop() { Ask(true, std::string()); }
void StopAndForget() { Ask(true, std::string(), true); }

void OnNoDevice(std::function<void()> tell) {
    std::lock_guard<std::mutex> lock(requestMutex);
    tellNoDevice = std::move(tell);
}

void WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(requestMutex);
    requestDone.wait(lock, [] { return requested == handled && !busy; });
}

}  // namespace sound
