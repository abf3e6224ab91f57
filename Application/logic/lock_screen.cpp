#include "lock_screen.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "background_port.h"
#include "confetti.h"
#include "directory_port.h"
#include "media_lists.h"
#include "picture.h"
#include "random.h"
#include "settings.h"
#include "sound_port.h"
#include "unlock_word.h"
#include "window_port.h"

bool lockScreenPrepared = false;
int32_t trailAnchorX = 0, trailAnchorY = 0;
bool trailRestart = true;

constexpr int32_t kHintBandWidth = 200;
constexpr int32_t kHintBandHeight = 15;
constexpr uint32_t kWhite = 0xFFFFFF;

static bool StartReadingLists(HWND window);

static void PrepareLockScreen(HWND window) {
    lockScreenPrepared = true;
    screenRect = GetWindowScreenRect(window);
    if (!canvasDC) CreateCanvas(window, screenRect);
    // The folders are read by the decoder, never on this thread; until the
    // lists come, keys wait for their pictures and sounds.
    std::vector<DirectoryEntry>().swap(pictureList);
    std::vector<DirectoryEntry>().swap(soundList);
    StartReadingLists(window);
}

static void PlaySoundForCode(uint32_t code) {
    char path[kMediaPathSize];
    SoundPathForCode(code, path);
    PlaySoundFile(path, kSoundAsyncFile);
}

// The newest key whose picture is still to be drawn. Reports are read as
// they come; the drawing follows once the reports queued before it have been
// read, so a key that arrives while an earlier one waits replaces it.
static bool drawPending = false;
static uint32_t pendingCode = 0;
static bool drawPosted = false;  // a WM_LOCK_DRAW is on its way

// The process's one decoder: a job handed to a thread of its own and handed
// back through decoderState. While it is busy no other job starts, in this
// lock or the next, so no two pictures are ever decoded at once. The window
// thread never opens a picture file itself: the decoder tests the file, reads
// its header and decodes it.
enum DecoderState : int { kDecoderIdle, kDecoderBusy, kDecoderDone };
static std::atomic<int> decoderState{kDecoderIdle};
struct PictureJob {
    HWND window = nullptr;
    bool lists = false;  // read the media folders, else decode path
    std::string path;
    int32_t width = 0, height = 0;
    uint32_t number = 0;
    std::unique_ptr<PreparedPicture> picture;  // the result (null: nothing to draw)
    std::vector<DirectoryEntry> pictures, sounds;
};
// Written by the window thread while the decoder is idle, by the decoder
// while it is busy; read back by the window thread once it is done.
static PictureJob decoderJob;
static uint32_t jobsStarted = 0;
static uint32_t awaitedJob = 0;  // the job the current lock waits for; 0: none
static bool listsWanted = false;  // the lock still needs its lists read
static bool soundPending = false;  // the newest key's sound waits for the lists
static uint32_t soundCode = 0;

static void DecodeInBackground(void*) {
    PictureJob& job = decoderJob;
    try {
        if (job.lists) {
            ReadMediaLists(job.pictures, job.sounds);
        } else if (IsRegularFile(job.path.c_str())) {
            // Only regular files are opened: a pipe would block, a folder or
            // a device is no picture.
            job.picture = PreparePictureForCanvas(job.path.c_str(), job.width, job.height);
        }
    } catch (...) {
        // memory ran out: this picture (or these lists) fail, nothing else
        job.picture.reset();
        std::vector<DirectoryEntry>().swap(job.pictures);
        std::vector<DirectoryEntry>().swap(job.sounds);
    }
    const HWND window = job.window;
    const uint32_t number = job.number;
    decoderState.store(kDecoderDone, std::memory_order_release);
    // The window collects the result when this message comes, or, should the
    // message be lost (a full queue), at its next report.
    PostWindowMessage(window, WM_LOCK_PICTURE, number, 0);
}

static void PlaySoundForCode(uint32_t code);

// Takes a finished job's result: lists into place, a picture into the cache,
// when the lock waits for it; else (a late result of an ended lock) lets it
// go. True when a result was taken.
static bool CollectFinishedJob(HWND window) {
    if (decoderState.load(std::memory_order_acquire) != kDecoderDone) return false;
    std::unique_ptr<PreparedPicture> picture = std::move(decoderJob.picture);
    std::vector<DirectoryEntry> pictures = std::move(decoderJob.pictures), sounds = std::move(decoderJob.sounds);
    const bool awaited = decoderJob.number == awaitedJob && awaitedJob != 0;
    const bool lists = decoderJob.lists;
    const std::string path = std::move(decoderJob.path);
    decoderState.store(kDecoderIdle, std::memory_order_release);
    if (!awaited) return true;
    awaitedJob = 0;
    if (lists) {
        pictureList.swap(pictures);
        soundList.swap(sounds);
        if (soundPending && !soundList.empty() && options.showPictures && IsMainWindowVisible(window))
            PlaySoundForCode(soundCode);
        soundPending = false;
        return true;
    }
    try {
        pictureCache.Add(PictureKey{path}, std::shared_ptr<const PreparedPicture>(std::move(picture)));
    } catch (const std::bad_alloc&) {
        // not cached: the key draws nothing and the file is decoded again at
        // its next key
    }
    return true;
}

// Hands a job to the decoder. False when it is still busy with another job
// or no thread can be had.
static bool StartJob(HWND window, bool lists, const std::string& path) {
    if (decoderState.load(std::memory_order_acquire) != kDecoderIdle) return false;
    decoderJob.window = window;
    decoderJob.lists = lists;
    decoderJob.path = path;
    decoderJob.width = screenRect.right;
    decoderJob.height = screenRect.bottom;
    decoderJob.picture.reset();
    if (++jobsStarted == 0) ++jobsStarted;
    decoderJob.number = awaitedJob = jobsStarted;
    decoderState.store(kDecoderBusy, std::memory_order_release);
    if (RunInBackground(DecodeInBackground, nullptr)) return true;
    decoderState.store(kDecoderIdle, std::memory_order_release);
    awaitedJob = 0;
    return false;
}

// The lists of this lock: read by the decoder as soon as it is free. When no
// thread can be had the lock goes on without pictures and sounds.
static bool StartReadingLists(HWND window) {
    listsWanted = true;
    if (decoderState.load(std::memory_order_acquire) != kDecoderIdle) return false;
    listsWanted = false;
    return StartJob(window, true, std::string());
}

// The lists are still to come (a key's picture and sound wait for them).
static bool ListsAwaited() { return listsWanted || (awaitedJob != 0 && decoderJob.lists); }

void OnLockKey(HWND window, uint32_t code) {
    if (!lockScreenPrepared && options.showPictures && IsMainWindowVisible(window)) PrepareLockScreen(window);

    if (RecordKeyAndMatch(code)) {
        EndLockByWord(window);
        return;
    }

    if (options.showPictures && IsMainWindowVisible(window)) {
        if (!soundList.empty()) PlaySoundForCode(code);
        soundPending = ListsAwaited();
        soundCode = code;
    }
    if (!IsMainWindowVisible(window)) return;
    pendingCode = code;
    drawPending = true;
    if (!drawPosted) {
        drawPosted = true;
        PostWindowMessage(window, WM_LOCK_DRAW, 0, 0);
    }
}

void OnLockDraw(HWND window) {
    drawPosted = false;
    CollectFinishedJob(window);
    if (listsWanted) StartReadingLists(window);
    if (!drawPending || ListsAwaited()) return;  // a key waits for the lists
    DrawnRect drawn;
    if (!pictureList.empty() && options.showPictures && IsMainWindowVisible(window)) {
        char path[kMediaPathSize];
        PicturePathForCode(pendingCode, path);
        bool known = false;
        std::shared_ptr<const PreparedPicture> picture = pictureCache.Find(PictureKey{path}, &known);
        if (!known) {
            // Decoded off this thread; the key waits (and may be replaced by
            // a newer one) until the picture is there. A busy decoder takes
            // the next job when it reports.
            if (StartJob(window, false, path) || decoderState.load(std::memory_order_acquire) != kDecoderIdle) return;
        } else if (picture) {
            drawn = DrawPreparedPicture(*picture);
        }
    }
    drawPending = false;
    if (IsMainWindowVisible(window)) PaintLockScreen(window, drawn.left, drawn.top, drawn.right, drawn.bottom);
}

void OnLockPictureDecoded(HWND window) {
    // The message says only that a result may be there: its parameters are
    // not trusted (any program can post it).
    if (CollectFinishedJob(window) && (drawPending || listsWanted)) OnLockDraw(window);
}

void DropPendingPictures() {
    drawPending = false;
    // A WM_LOCK_DRAW still queued finds nothing to draw. A decoding still
    // under way finishes before the next lock decodes anything, and its
    // result is let go when it reports.
    drawPosted = false;
    awaitedJob = 0;
    listsWanted = false;
    soundPending = false;
    CollectFinishedJob(nullptr);
    pictureCache.Clear();
}

static uint32_t RandomColour() {
    const int b = NextRandom();
    const int g = NextRandom();
    const int r = NextRandom();
    return static_cast<uint32_t>(r % 256) | static_cast<uint32_t>(g % 256) << 8 |
           static_cast<uint32_t>(b % 256) << 16;
}

void OnLockMouseMove(HWND window, int32_t x, int32_t y) {
    if (!canvasDC) {
        trailRestart = true;
        CreateCanvas(window, GetWindowScreenRect(window));
    }
    if (trailRestart) {
        trailRestart = false;
        trailAnchorX = x;
        trailAnchorY = y;
    }
    const int64_t dx = static_cast<int64_t>(x) - trailAnchorX;
    const int64_t dy = static_cast<int64_t>(y) - trailAnchorY;
    for (const TrailBlock& block : TrailBlocks(dx, dy)) {
        const int32_t px = block.x + trailAnchorX;
        const int32_t py = block.y + trailAnchorY;
        for (int32_t j = 0; j < 3; ++j)
            for (int32_t k = 0; k < 3; ++k) SetPixelColour(canvasDC, px + j, py + k, RandomColour());
        PaintLockScreen(window, px, py, px + 2, py + 2);
    }
    trailAnchorX = x;
    trailAnchorY = y;
}

static std::string HintText() {
    std::string text = "Type \"";
    text.append(options.unlockWord, strnlen(options.unlockWord, sizeof options.unlockWord));
    text += "\" to unlock keyboard";
    return text;
}

void PaintLockScreen(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    DrawContext windowContext = GetWindowContext(window);
    if (options.showUnlockHint) {
        if (!options.showPictures) {
            ReleaseWindowContext(window, windowContext);
            return;
        }
        SetBackgroundColour(canvasDC, kWhite);
        const std::string text = HintText();
        WriteText(canvasDC, 0, 0, text.c_str(), static_cast<int32_t>(text.size()));
        CopyBlock(windowContext, 0, 0, kHintBandWidth, kHintBandHeight, canvasDC, 0, 0, kRopSrcCopy);
    }
    if (options.showPictures) {
        const int32_t width = right - left + 1;
        const int32_t height = bottom - top + 1;
        StretchBlock(windowContext, left, top, width, height, canvasDC, left, top, width, height, kRopSrcCopy);
    }
    ReleaseWindowContext(window, windowContext);
}

bool LockScreenHasCanvas() { return canvasBitmap != nullptr; }
