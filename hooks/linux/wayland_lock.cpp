// The hook system on Wayland sessions. A Wayland program cannot grab the
// keyboard; a lock holds only where the compositor gives a client the input
// of the whole seat. The library asks for it over a connection of its own
// (wayland_connection.h), served by one thread (owner_thread.h), in the
// strongest form the compositor offers (lock_method.h), and watches it: what
// the compositor takes away is taken back within kRetakeMs where the
// protocol allows, else the lock ends as lost (WM_HOOK_LOST, as a broken X
// grab does). Keys and pointer input go to the same hook procedures as on X
// (wayland_input.h); the surfaces show the controller's lock picture
// (lock_surface.h). The controller's thread never waits on the compositor
// for long: every request to this thread is bounded.
#include "wayland_lock.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "hook_procs.h"
#include "lock_method.h"
#include "lock_surface.h"
#include "owner_thread.h"
#include "session_kind.h"
#include "wayland_idle.h"
#include "wayland_input.h"

namespace {

// How long the compositor has to grant a lock, and to answer a connection.
constexpr int kGrantMs = 2000;
constexpr int kConnectMs = 1000;
// How long a lock that holds waits for the keyboard's current layout (the
// compositor tells it once a lock surface has the keyboard).
constexpr int kLayoutMs = 500;
// How long a lock that something took part of has to be whole again.
constexpr int kRetakeMs = 700;
// How long a request of the controller's thread may wait for this thread to
// start it (the thread may be granting a lock); bounded work follows.
constexpr int kStartLimitMs = kGrantMs + 1000;
// How long the desktop's question about the lock stays open for its answer.
constexpr int kPermissionMs = 60000;

char keyboardToken, pointerToken;
HHOOK Handle(char& token) { return reinterpret_cast<HHOOK>(&token); }

std::mutex receiverMutex;
HookReportReceiver receiver = nullptr;
std::atomic<int> refusal{kRefusalNone};

// A session lock that a controller left behind when it stopped: a marker in
// the runtime folder, per compositor socket, says one is on.
std::string SessionLockMarker() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (!runtime || !*runtime) return {};
    std::string name = socket && *socket ? socket : "wayland-0";
    std::replace(name.begin(), name.end(), '/', '_');
    return std::string(runtime) + "/bumblepad-session-lock-" + name;
}

class LockClient : public ConnectionEvents {
public:
    bool Run(const std::function<void()>& fn, int startLimitMs = kStartLimitMs) {
        if (!thread_.Start([this] { Loop(); })) return false;
        return thread_.Run(fn, startLimitMs);
    }
    void Wake() { thread_.Wake(); }

    // ---- on the thread ----
    bool Connect();
    bool Lock();
    void Unlock();
    void SetMouse(HookProcedure procedure);
    bool Locked() const { return lock_ != nullptr; }
    // (A seat announced after the first round trip is watched from then on.)
    bool IdleKnown() {
        idle_.Start(wl_);
        return idle_.Known();
    }
    uint32_t LastInput() { return idle_.LastInput(input_.LastInput(), lock_ != nullptr); }
    bool KeymapKnown() const { return input_.KeymapKnown(); }
    int16_t CharacterKey(char c) { return input_.CharacterKey(c); }
    void Area(int32_t& x, int32_t& y, int32_t& w, int32_t& h) { wl_.Area(x, y, w, h); }
    int LeftOver() const { return leftOver_; }

    // ConnectionEvents
    void OutputReady(Output& o) override {
        if (lock_) lock_->AddOutput(o);
    }
    void OutputGone(Output& o) override {
        if (lock_) lock_->RemoveOutput(o);
        if (asking_) asking_->RemoveOutput(o);
    }
    void KeyboardAppeared(wl_keyboard* k) override { input_.AttachKeyboard(k); }
    void KeyboardGone() override { input_.DetachKeyboard(); }
    void PointerAppeared(wl_pointer* p) override {
        input_.AttachPointer(p, wl_.seatVersion);
        if (lock_) lock_->PointerChanged();  // a pointer that comes during a blocking lock is held too
    }
    void PointerGone() override {
        input_.DetachPointer();
        if (lock_) lock_->PointerChanged();
    }

private:
    void Loop();
    void Watch();
    void EndAsking();
    void Lost(const char* why);
    void EndLeftOverSessionLock();

    OwnerThread thread_;
    WaylandConnection wl_;
    WaylandInput input_;
    IdleWatch idle_;
    int method_ = kWaylandLockNone;
    std::unique_ptr<LockMethod> lock_;    // the lock that is on
    std::unique_ptr<LockMethod> asking_;  // a refused lock whose permission question is still open
    uint32_t askingSince_ = 0;
    bool shaken_ = false;
    uint32_t shakenSince_ = 0;
    bool leftOverChecked_ = false;
    int leftOver_ = kLeftOverNone;
};

LockClient& client = *new LockClient;  // never destroyed: its thread runs until the process ends

void LockClient::Loop() {
    for (;;) {
        thread_.RunQueued();
        if (wl_.Live()) {
            if (lock_) lock_->DrawDirty();
            if (asking_) asking_->DrawDirty();
        }
        int timeout = -1;
        if (shaken_) timeout = std::max(0, kRetakeMs - static_cast<int>(HookTickCount() - shakenSince_));
        if (asking_) timeout = 1000;
        pollfd fds[3] = {{thread_.WakeFd(), POLLIN, 0}, {input_.RepeatFd(), POLLIN, 0}, {-1, POLLIN, 0}};
        const bool live = wl_.Live();
        if (live) {
            while (wl_display_prepare_read(wl_.display) != 0) wl_display_dispatch_pending(wl_.display);
            wl_display_flush(wl_.display);
            fds[2].fd = wl_display_get_fd(wl_.display);
        }
        poll(fds, 3, timeout);
        if (live) {
            if (fds[2].revents & POLLIN)
                wl_display_read_events(wl_.display);
            else
                wl_display_cancel_read(wl_.display);
            wl_display_dispatch_pending(wl_.display);
        }
        if (fds[1].revents & POLLIN) input_.RepeatTick();
        Watch();
    }
}

// The lock that is on is looked at after everything the compositor said.
void LockClient::Watch() {
    if (asking_) {
        const Hold h = asking_->State();
        if (h == Hold::Holds || !asking_->AwaitingPermission() || HookTickCount() - askingSince_ > kPermissionMs) {
            std::fprintf(stderr, "Bumblepad: the desktop's question about the lock %s\n",
                         h == Hold::Holds ? "was answered: allowed" : "is over");
            EndAsking();
        }
    }
    if (!lock_) return;
    if (!wl_.Live()) return Lost("the compositor ended the connection");
    switch (lock_->State()) {
        case Hold::Holds:
            if (shaken_) std::fprintf(stderr, "Bumblepad: Wayland lock taken back\n");
            shaken_ = false;
            return;
        case Hold::Gone:
            return Lost("the compositor ended it");
        case Hold::Asking:
        case Hold::Shaken:
            if (!shaken_) {
                shaken_ = true;
                shakenSince_ = HookTickCount();
                std::fprintf(stderr,
                             "Bumblepad: Wayland lock shaken (another window or the desktop took part of it)\n");
                lock_->Retake();
                return;
            }
            if (static_cast<int>(HookTickCount() - shakenSince_) >= kRetakeMs) Lost("it could not be taken back");
            return;
    }
}

void LockClient::Lost(const char* why) {
    std::fprintf(stderr, "Bumblepad: Wayland lock lost: %s\n", why);
    Unlock();
    OnLockGrabLost();
}

void LockClient::EndAsking() {
    asking_.reset();
    {
        std::lock_guard<std::mutex> g(lockPicture.mutex);
        lockPicture.waiting = false;
    }
    if (wl_.Live()) wl_display_flush(wl_.display);
}

bool LockClient::Connect() {
    if (wl_.Live()) return true;
    if (wl_.display) {
        lock_.reset(), asking_.reset();
        input_.SetLock(nullptr, 0, 0);
        idle_.Forget();
    }
    if (!wl_.Connect(this, kConnectMs)) return false;
    method_ = ChooseLockMethod(Session().globals);
    idle_.Start(wl_);
    wl_.Sync(kConnectMs);
    if (!leftOverChecked_) {
        leftOverChecked_ = true;
        EndLeftOverSessionLock();
    }
    return wl_.Live();
}

bool LockClient::Lock() {
    if (lock_) return true;
    if (asking_) EndAsking();
    refusal = kRefusalNoAnswer;
    if (!Connect()) return false;
    refusal = kRefusalNoMethod;
    if (method_ == kWaylandLockNone || wl_.outputs.empty()) return false;
    int32_t x, y, w, h;
    wl_.Area(x, y, w, h);
    {
        std::lock_guard<std::mutex> g(lockPicture.mutex);
        lockPicture.width = w, lockPicture.height = h;
        lockPicture.pixels.assign(static_cast<size_t>(w) * h, 0u);
        lockPicture.shown = lockPicture.waiting = false;
    }
    lock_ = MakeLockMethod(method_, wl_);
    input_.SetLock(lock_.get(), x, y);
    lock_->Begin(x, y);
    Hold state = Hold::Asking;
    wl_.WaitFor([&] { return (state = lock_->State()) == Hold::Holds || state == Hold::Gone; }, kGrantMs);
    const bool holds = state == Hold::Holds;
    std::fprintf(stderr, "Bumblepad: Wayland lock (%s) on %zu outputs: %s\n", lock_->Name(), lock_->SurfaceCount(),
                 holds                 ? "holds"
                 : state == Hold::Gone ? "refused"
                                       : "not granted in time");
    if (holds) {
        // The controller judges the unlock word on the layout that is current.
        if (input_.HasKeymap()) wl_.WaitFor([&] { return input_.KeymapKnown(); }, kLayoutMs);
        input_.Feed(true);  // from here on keys are fed to the hook procedures
        shaken_ = false;
        refusal = kRefusalNone;
        if (method_ == kWaylandLockSessionLock) std::ofstream(SessionLockMarker()) << getpid() << '\n';
        return true;
    }
    refusal = state == Hold::Gone ? kRefusalRefused : kRefusalNotGranted;
    if (state == Hold::Asking && lock_->AwaitingPermission() && lock_->KeepFocusedSurfaceOnly()) {
        // The desktop asks the person whether the lock may have the
        // shortcuts. Its question stays open, on a visible window, for the
        // person to answer; the lock asked for now is refused all the same.
        refusal = kRefusalAwaitingPermission;
        {
            std::lock_guard<std::mutex> g(lockPicture.mutex);
            lockPicture.waiting = true;
        }
        input_.SetLock(nullptr, 0, 0);
        asking_ = std::move(lock_);
        askingSince_ = HookTickCount();
        return false;
    }
    Unlock();
    return false;
}

void LockClient::Unlock() {
    input_.SetLock(nullptr, 0, 0);
    shaken_ = false;
    if (!lock_) return;
    std::fprintf(stderr, "Bumblepad: Wayland lock ended\n");
    const bool session = method_ == kWaylandLockSessionLock;
    if (wl_.Live()) {
        lock_->End();
        wl_.Sync(kConnectMs);  // the compositor has let go before the controller goes on
    }
    lock_.reset();
    if (session) unlink(SessionLockMarker().c_str());
}

void LockClient::SetMouse(HookProcedure procedure) {
    input_.SetMouse(procedure);
    if (lock_) lock_->SetBlocking(procedure == HookProcedure::MouseBlock);
}

// A controller that stopped during a session lock leaves the session locked:
// the compositor keeps it so, as the protocol asks, until a new locker takes
// it over. This controller takes it and ends it at once; where the
// compositor does not let it, the parent is told what to do.
void LockClient::EndLeftOverSessionLock() {
    const std::string marker = SessionLockMarker();
    struct stat info;
    if (method_ != kWaylandLockSessionLock || marker.empty() || stat(marker.c_str(), &info) != 0) return;
    auto lock = MakeLockMethod(method_, wl_);
    lock->Begin(0, 0);
    Hold state = Hold::Asking;
    wl_.WaitFor([&] { return (state = lock->State()) == Hold::Holds || state == Hold::Gone; }, kGrantMs);
    lock->End();
    wl_.Sync(kConnectMs);
    leftOver_ = state == Hold::Holds ? kLeftOverEnded : kLeftOverStuck;
    std::fprintf(stderr, "Bumblepad: the session lock left by a controller that stopped %s\n",
                 state == Hold::Holds ? "was taken over and ended" : "could not be taken over");
    if (state == Hold::Holds) unlink(marker.c_str());
}

}  // namespace

HHOOK WaylandInstallHook(int type, HookProcedure procedure) {
    if (Session().kind != kSessionWayland) {
        refusal = Session().kind == kSessionXWayland ? kRefusalNoCompositor : kRefusalNoSession;
        return nullptr;
    }
    HHOOK handle = nullptr;
    const bool ran = client.Run([&] {
        if (type == kWhKeyboardLL && procedure == HookProcedure::KeyboardLockLL) {
            // On Wayland the keyboard is had only with the whole seat: the
            // lock surfaces cover every output, so the pointer reaches no
            // other program either; the mouse hook decides what is reported.
            if (client.Lock()) handle = Handle(keyboardToken);
        } else if (type == kWhMouse && client.Locked() &&
                   (procedure == HookProcedure::MouseBlock || procedure == HookProcedure::MouseReport)) {
            client.SetMouse(procedure);
            handle = Handle(pointerToken);
        }
    });
    if (!ran && type == kWhKeyboardLL) refusal = kRefusalNoAnswer;
    return handle;
}

bool WaylandRemoveHook(HHOOK hook) {
    if (hook != Handle(keyboardToken) && hook != Handle(pointerToken)) return false;
    if (Session().kind != kSessionWayland) return false;
    client.Run([&] {
        if (hook == Handle(keyboardToken)) client.Unlock();
        else
            client.SetMouse(HookProcedure::KeyboardLockLL);
    });
    return true;
}

void WaylandPostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    if (receiver && window) receiver(window, message, wParam, lParam);
}

// Wayland lets no client type into the seat: Num Lock is left as the child
// set it.
void WaylandSynthesizeKey(uint8_t, uint8_t, uint32_t) {}

bool WaylandQueryLastInputTime(uint32_t& time) {
    if (Session().kind != kSessionWayland) return false;
    bool known = false;
    client.Run([&] {
        if (!client.Connect() || !client.IdleKnown()) return;
        time = client.LastInput();
        known = true;
    });
    if (known) return true;
    uint32_t idle = 0;
    if (!BusIdleTime(idle)) return false;
    time = HookTickCount() - idle;
    return true;
}

int16_t WaylandCharacterKey(char character) {
    int16_t key = -1;
    if (Session().kind == kSessionWayland)
        client.Run([&] {
            if (client.Connect()) key = client.CharacterKey(character);
        });
    return key;
}

bool WaylandKeymapKnown() {
    bool known = false;
    if (Session().kind == kSessionWayland) client.Run([&] { known = client.Connect() && client.KeymapKnown(); });
    return known;
}

int KeyboardHookRefusal() { return UseWaylandAdapter() ? refusal.load() : kRefusalNone; }

bool IdleTimeKnown() {
    if (!UseWaylandAdapter()) return true;
    uint32_t time;
    return WaylandQueryLastInputTime(time);
}

int SessionLockLeftOver() {
    int leftOver = kLeftOverNone;
    if (Session().kind == kSessionWayland)
        client.Run([&] {
            client.Connect();
            leftOver = client.LeftOver();
        });
    return leftOver;
}

void SetHookReportReceiver(HookReportReceiver r) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    receiver = r;
}

void LockScreenArea(int32_t& x, int32_t& y, int32_t& width, int32_t& height) {
    x = y = width = height = 0;
    if (Session().kind != kSessionWayland) return;
    client.Run([&] {
        if (client.Connect()) client.Area(x, y, width, height);
    });
}

void LockScreenShown(bool shown) {
    {
        std::lock_guard<std::mutex> g(lockPicture.mutex);
        lockPicture.shown = shown;
        if (!shown) std::fill(lockPicture.pixels.begin(), lockPicture.pixels.end(), 0u);
    }
    lockPicture.changed = true;
    if (Session().kind == kSessionWayland) client.Wake();
}

void LockScreenUpdate(const uint32_t* pixels, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height) {
    {
        std::lock_guard<std::mutex> g(lockPicture.mutex);
        for (int32_t row = 0; row < height; ++row) {
            const int32_t py = y + row;
            if (py < 0 || py >= lockPicture.height) continue;
            for (int32_t col = 0; col < width; ++col) {
                const int32_t px = x + col;
                if (px < 0 || px >= lockPicture.width) continue;
                lockPicture.pixels[static_cast<size_t>(py) * lockPicture.width + px] =
                    pixels[static_cast<size_t>(py) * stride + px] | 0xFF000000u;
            }
        }
    }
    lockPicture.changed = true;
    if (Session().kind == kSessionWayland) client.Wake();
}
