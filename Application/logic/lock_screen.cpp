#include "lock_screen.h"

#include <cstring>
#include <string>

#include "background_port.h"
#include "confetti.h"
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

static void PrepareLockScreen(HWND window) {
    lockScreenPrepared = true;
    screenRect = GetWindowScreenRect(window);
    if (!canvasDC) CreateCanvas(window, screenRect);
    RebuildMediaLists();
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
static bool drawPosted = false;    // a WM_LOCK_DRAW is on its way
static bool decoding = false;      // a picture is being decoded in the background
static unsigned lockNumber = 0;    // tells a late decoding of an ended lock

struct PictureJob {
    HWND window;
    PictureKey key;
    int32_t width, height;
    unsigned lock;
    std::unique_ptr<PreparedPicture> picture;
};

static void DecodeInBackground(void* argument) {
    auto* job = static_cast<PictureJob*>(argument);
    job->picture = PreparePictureForCanvas(job->key.path.c_str(), job->width, job->height);
    PostWindowMessage(job->window, WM_LOCK_PICTURE, 0, reinterpret_cast<LParam>(job));
}

void OnLockKey(HWND window, uint32_t code) {
    if (!lockScreenPrepared && options.showPictures && IsMainWindowVisible(window)) PrepareLockScreen(window);

    if (RecordKeyAndMatch(code)) {
        EndLockByWord(window);
        return;
    }

    if (!soundList.empty() && options.showPictures && IsMainWindowVisible(window)) PlaySoundForCode(code);
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
    if (!drawPending) return;
    DrawnRect drawn;
    if (!pictureList.empty() && options.showPictures && IsMainWindowVisible(window)) {
        PictureKey key;
        if (!PictureReadyForCode(pendingCode, key)) {
            // Decoded off this thread; the key waits (and may be replaced by
            // a newer one) until the picture is there.
            if (!decoding) {
                decoding = true;
                RunInBackground(DecodeInBackground,
                                new PictureJob{window, key, screenRect.right, screenRect.bottom, lockNumber, nullptr});
            }
            return;
        }
        drawn = DrawPictureForCode(pendingCode);
    }
    drawPending = false;
    if (IsMainWindowVisible(window)) PaintLockScreen(window, drawn.left, drawn.top, drawn.right, drawn.bottom);
}

void OnLockPictureDecoded(HWND window, LParam parameter) {
    std::unique_ptr<PictureJob> job(reinterpret_cast<PictureJob*>(parameter));
    if (!job || job->lock != lockNumber) return;  // its lock has ended meanwhile
    decoding = false;
    pictureCache.Add(job->key, std::shared_ptr<const PreparedPicture>(std::move(job->picture)));
    if (drawPending) OnLockDraw(window);
}

void DropPendingPictures() {
    drawPending = false;
    // A WM_LOCK_DRAW still queued finds nothing to draw; a decoding still
    // under way is thrown away when it reports, and the next lock need not
    // wait for it (a file that hangs its reader holds up one lock at most).
    drawPosted = false;
    decoding = false;
    ++lockNumber;
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
