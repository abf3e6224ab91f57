// The hook system on Wayland sessions. A Wayland program cannot grab the
// keyboard; a lock holds only where the compositor gives a client the input
// of the whole seat. The library asks for it over a libwayland-client
// connection of its own, served by one thread, in the strongest form the
// compositor offers:
//
// * ext-session-lock-v1: the compositor covers every output with our lock
//   surfaces and sends them every key and click (not offered by any
//   compositor Debian 12 ships: not run here);
// * wlr-layer-shell overlay surfaces on every output plus wlr-input-inhibitor
//   (wlroots compositors of Debian 12, sway 1.7): every key and pointer event
//   goes to this client, compositor shortcuts included;
// * a full-screen window on every output that asks for keyboard-shortcuts
//   inhibition and, in the blocking mode, confines the pointer (GNOME's
//   mutter, KDE's KWin): the desktop keeps the keys it never gives away.
//
// The surfaces show what the controller's lock window would show (the
// controller hands its picture over with LockScreenUpdate). Keys become the
// same virtual-key codes as on X (xkbcommon with the keymap the compositor
// sends, the level-one keysym through the same table) and, like pointer
// input, are fed to the same hook procedures, whose reports go to the
// receiver the controller set.
#include "wayland_lock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/timerfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "ext-idle-notify-v1-client.h"
#include "ext-session-lock-v1-client.h"
#include "hook_procs.h"
#include "hook_rules.h"
#include "kde-idle-client.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client.h"
#include "pointer-constraints-unstable-v1-client.h"
#include "session_kind.h"
#include "shared_state.h"
#include "wlr-input-inhibitor-unstable-v1-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {

// How long the compositor may take to map the surfaces, and how long the
// person may take to answer the desktop's question about shortcuts.
constexpr int kMapTimeoutMs = 5000;
constexpr int kInhibitTimeoutMs = 30000;
// The idle notification fires after this much quiet; the last input is then
// taken to be this long ago.
constexpr uint32_t kIdleStepMs = 1000;

constexpr uint32_t kBtnLeft = 0x110, kBtnRight = 0x111, kBtnMiddle = 0x112;

char keyboardToken, pointerToken;
HHOOK Handle(char& token) { return reinterpret_cast<HHOOK>(&token); }

uint32_t NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000);
}

struct Output {
    wl_output* output = nullptr;
    uint32_t name = 0;
    zxdg_output_v1* xdgOutput = nullptr;
    int32_t x = 0, y = 0, width = 0, height = 0;  // logical, in the compositor's layout
    int32_t modeWidth = 0, modeHeight = 0, scale = 1;
    bool logical = false;
};

struct Buffer {
    wl_buffer* buffer = nullptr;
    uint32_t* pixels = nullptr;
    bool busy = false;
};

struct LockSurface {
    Output* output = nullptr;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    ext_session_lock_surface_v1* lockSurface = nullptr;
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1* inhibitor = nullptr;
    zwp_confined_pointer_v1* confined = nullptr;
    bool inhibitActive = false, configured = false, closed = false;
    uint32_t width = 0, height = 0, pendingWidth = 0, pendingHeight = 0;
    int32_t x = 0, y = 0;  // place in the lock area
    void* memory = nullptr;
    size_t memorySize = 0;
    wl_shm_pool* pool = nullptr;
    Buffer buffers[2];
    wl_callback* frame = nullptr;
    bool dirty = true;
};

// ---- the lock picture, written by the controller's thread ----
std::mutex pictureMutex;
std::vector<uint32_t> picture;  // 0: nothing drawn (clear, or black while shown)
int32_t pictureWidth = 0, pictureHeight = 0;
bool pictureShown = false;

std::mutex receiverMutex;
HookReportReceiver receiver = nullptr;

const char* refusal = nullptr;

class Client {
public:
    // Runs fn on the client's thread and waits for it.
    void Run(const std::function<void()>& fn) {
        if (std::this_thread::get_id() == threadId_) return fn();
        std::unique_lock<std::mutex> lock(mutex_);
        Start();
        bool done = false;
        commands_.push_back([&] {
            fn();
            std::lock_guard<std::mutex> g(mutex_);
            done = true;
            doneSignal_.notify_all();
        });
        Wake();
        doneSignal_.wait(lock, [&] { return done; });
    }
    void Wake() {
        uint64_t one = 1;
        if (write(wake_, &one, sizeof one) < 0) {}
    }

    // ---- on the client's thread ----
    bool Connect();
    bool Lock();
    void Unlock();
    void SetMouse(HookProcedure procedure);
    void ClearMouse();
    bool Locked() const { return locked_; }
    uint32_t LastInput();
    bool IdleKnown();
    void Area(int32_t& x, int32_t& y, int32_t& w, int32_t& h);
    xkb_keymap* KeymapRef();

    // Listeners' entries.
    void AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
    void RemoveGlobal(uint32_t name);
    void SeatCapabilities(uint32_t caps);
    void Keymap(uint32_t format, int fd, uint32_t size);
    void KeyboardEnter(wl_surface* surface);
    void KeyboardLeave(wl_surface* surface);
    void Key(uint32_t time, uint32_t key, uint32_t state);
    void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
    void RepeatInfo(int32_t rate, int32_t delay) { repeatRate_ = rate, repeatDelay_ = delay; }
    void PointerEnter(wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
    void PointerMotion(wl_fixed_t x, wl_fixed_t y);
    void PointerButton(uint32_t button, uint32_t state);
    void PointerAxis(uint32_t axis, wl_fixed_t value);
    void PointerDiscrete(uint32_t axis, int32_t discrete);
    void PointerFrame();
    void SurfaceConfigured(LockSurface* s, uint32_t serial, uint32_t width, uint32_t height);
    void SurfaceClosed(LockSurface* s);
    void FrameDone(LockSurface* s);
    void SessionLocked() { sessionLocked_ = true; }
    void SessionFinished() { sessionFinished_ = true; }
    void Idled() { idleSince_ = NowMs() - kIdleStepMs; idle_ = true; }
    void Resumed() { idle_ = false; }
    void Input() { lastInput_ = NowMs(); }

    std::list<Output> outputs;
    std::list<LockSurface> surfaces;
    wl_display* display = nullptr;

private:
    void Start();
    void Loop();
    bool WaitFor(const std::function<bool()>& done, int timeoutMs);
    void Disconnect();
    LockSurface* Find(wl_surface* surface);
    bool MakeSurface(LockSurface& s, int method);
    bool MakeBuffers(LockSurface& s);
    void Draw(LockSurface& s);
    void DrawDirty();
    void Report(uint32_t message);
    void KeyEvent(uint32_t key, bool down, uint32_t time);
    void ArmRepeat(uint32_t key);
    void StartIdleWatch();

    std::mutex mutex_;
    std::condition_variable doneSignal_;
    std::deque<std::function<void()>> commands_;
    std::atomic<std::thread::id> threadId_{};
    bool started_ = false;
    int wake_ = -1, repeatTimer_ = -1;

    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    zxdg_output_manager_v1* outputManager_ = nullptr;
    ext_session_lock_manager_v1* sessionLockManager_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    zwlr_input_inhibit_manager_v1* inhibitManager_ = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcutsManager_ = nullptr;
    zwp_pointer_constraints_v1* constraints_ = nullptr;
    ext_idle_notifier_v1* idleNotifier_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    ext_idle_notification_v1* idleNotification_ = nullptr;
    org_kde_kwin_idle_timeout* kdeIdleTimeout_ = nullptr;
    uint32_t seatVersion_ = 0;

    xkb_context* xkb_ = nullptr;
    std::mutex keymapMutex_;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* keyState_ = nullptr;
    int32_t repeatRate_ = 25, repeatDelay_ = 600;
    uint32_t repeatKey_ = 0;

    int method_ = kWaylandLockNone;
    bool locked_ = false;
    ext_session_lock_v1* sessionLock_ = nullptr;
    bool sessionLocked_ = false, sessionFinished_ = false;
    zwlr_input_inhibitor_v1* inputInhibitor_ = nullptr;
    LockSurface* keyboardFocus_ = nullptr;
    LockSurface* pointerFocus_ = nullptr;
    int32_t pointerX_ = 0, pointerY_ = 0;
    HookProcedure mouse_ = HookProcedure::KeyboardLockLL;  // none
    int32_t pendingNotches_ = 0;
    wl_fixed_t pendingAxis_ = 0;
    int32_t areaX_ = 0, areaY_ = 0, areaWidth_ = 0, areaHeight_ = 0;

    bool idle_ = false;
    uint32_t idleSince_ = 0, lastInput_ = 0;
};

Client& client = *new Client;  // never destroyed: its thread runs until the process ends

// ---- listeners ----

#define SELF static_cast<Client*>(data)

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    SELF->AddGlobal(registry, name, interface, version);
}
void OnGlobalRemove(void* data, wl_registry*, uint32_t name) { SELF->RemoveGlobal(name); }
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBase = {OnPing};

void OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                      int32_t) {
    auto* o = static_cast<Output*>(data);
    if (!o->logical) o->x = x, o->y = y;
}
void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    auto* o = static_cast<Output*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) o->modeWidth = width, o->modeHeight = height;
}
void OnOutputDone(void* data, wl_output*) {
    auto* o = static_cast<Output*>(data);
    if (!o->logical && o->scale > 0) o->width = o->modeWidth / o->scale, o->height = o->modeHeight / o->scale;
}
void OnOutputScale(void* data, wl_output*, int32_t factor) { static_cast<Output*>(data)->scale = factor; }
const wl_output_listener kOutput = {OnOutputGeometry, OnOutputMode, OnOutputDone, OnOutputScale, nullptr, nullptr};

void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    auto* o = static_cast<Output*>(data);
    o->logical = true, o->x = x, o->y = y;
}
void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    auto* o = static_cast<Output*>(data);
    o->logical = true, o->width = width, o->height = height;
}
void OnXdgOutputDone(void*, zxdg_output_v1*) {}
void OnXdgOutputName(void*, zxdg_output_v1*, const char*) {}
void OnXdgOutputDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutput = {OnLogicalPosition, OnLogicalSize, OnXdgOutputDone, OnXdgOutputName,
                                            OnXdgOutputDescription};

void OnCapabilities(void* data, wl_seat*, uint32_t caps) { SELF->SeatCapabilities(caps); }
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeat = {OnCapabilities, OnSeatName};

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) { SELF->Keymap(format, fd, size); }
void OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
    SELF->KeyboardEnter(surface);
}
void OnKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) { SELF->KeyboardLeave(surface); }
void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t time, uint32_t key, uint32_t state) {
    SELF->Key(time, key, state);
}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                 uint32_t group) {
    SELF->Modifiers(depressed, latched, locked, group);
}
void OnRepeatInfo(void* data, wl_keyboard*, int32_t rate, int32_t delay) { SELF->RepeatInfo(rate, delay); }
const wl_keyboard_listener kKeyboard = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnPointerEnter(void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    SELF->PointerEnter(surface, x, y);
}
void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) { SELF->PointerMotion(x, y); }
void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
    SELF->PointerButton(button, state);
}
void OnPointerAxis(void* data, wl_pointer*, uint32_t, uint32_t axis, wl_fixed_t value) { SELF->PointerAxis(axis, value); }
void OnPointerFrame(void* data, wl_pointer*) { SELF->PointerFrame(); }
void OnAxisSource(void*, wl_pointer*, uint32_t) {}
void OnAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnAxisDiscrete(void* data, wl_pointer*, uint32_t axis, int32_t discrete) { SELF->PointerDiscrete(axis, discrete); }
const wl_pointer_listener kPointer = {OnPointerEnter, OnPointerLeave, OnPointerMotion, OnPointerButton, OnPointerAxis,
                                      OnPointerFrame, OnAxisSource,   OnAxisStop,      OnAxisDiscrete, nullptr};

void OnBufferRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; client.Wake(); }
const wl_buffer_listener kBuffer = {OnBufferRelease};

void OnFrameDone(void* data, wl_callback*, uint32_t) { client.FrameDone(static_cast<LockSurface*>(data)); }
const wl_callback_listener kFrame = {OnFrameDone};

void OnLayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
    client.SurfaceConfigured(static_cast<LockSurface*>(data), serial, width, height);
}
void OnLayerClosed(void* data, zwlr_layer_surface_v1*) { client.SurfaceClosed(static_cast<LockSurface*>(data)); }
const zwlr_layer_surface_v1_listener kLayerSurface = {OnLayerConfigure, OnLayerClosed};

void OnLockConfigure(void* data, ext_session_lock_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
    client.SurfaceConfigured(static_cast<LockSurface*>(data), serial, width, height);
}
const ext_session_lock_surface_v1_listener kLockSurface = {OnLockConfigure};

void OnSessionLocked(void*, ext_session_lock_v1*) { client.SessionLocked(); }
void OnSessionFinished(void*, ext_session_lock_v1*) { client.SessionFinished(); }
const ext_session_lock_v1_listener kSessionLock = {OnSessionLocked, OnSessionFinished};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    auto* s = static_cast<LockSurface*>(data);
    if (width > 0 && height > 0) s->pendingWidth = width, s->pendingHeight = height;
}
void OnToplevelClose(void* data, xdg_toplevel*) { client.SurfaceClosed(static_cast<LockSurface*>(data)); }
const xdg_toplevel_listener kToplevel = {OnToplevelConfigure, OnToplevelClose, nullptr, nullptr};

void OnXdgSurfaceConfigure(void* data, xdg_surface*, uint32_t serial) {
    auto* s = static_cast<LockSurface*>(data);
    uint32_t w = s->pendingWidth ? s->pendingWidth : static_cast<uint32_t>(s->output->width);
    uint32_t h = s->pendingHeight ? s->pendingHeight : static_cast<uint32_t>(s->output->height);
    client.SurfaceConfigured(s, serial, w, h);
}
const xdg_surface_listener kXdgSurface = {OnXdgSurfaceConfigure};

void OnInhibitActive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    static_cast<LockSurface*>(data)->inhibitActive = true;
}
void OnInhibitInactive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    static_cast<LockSurface*>(data)->inhibitActive = false;
}
const zwp_keyboard_shortcuts_inhibitor_v1_listener kInhibitor = {OnInhibitActive, OnInhibitInactive};

void OnConfined(void*, zwp_confined_pointer_v1*) {}
void OnUnconfined(void*, zwp_confined_pointer_v1*) {}
const zwp_confined_pointer_v1_listener kConfined = {OnConfined, OnUnconfined};

void OnIdled(void*, ext_idle_notification_v1*) { client.Idled(); }
void OnResumed(void*, ext_idle_notification_v1*) { client.Resumed(); }
const ext_idle_notification_v1_listener kIdle = {OnIdled, OnResumed};
void OnKdeIdle(void*, org_kde_kwin_idle_timeout*) { client.Idled(); }
void OnKdeResumed(void*, org_kde_kwin_idle_timeout*) { client.Resumed(); }
const org_kde_kwin_idle_timeout_listener kKdeIdle = {OnKdeIdle, OnKdeResumed};

// ---- the thread ----

void Client::Start() {
    if (started_) return;
    started_ = true;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    repeatTimer_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    std::thread thread([this] { Loop(); });
    threadId_ = thread.get_id();
    thread.detach();
}

void Client::Loop() {
    for (;;) {
        std::deque<std::function<void()>> commands;
        {
            std::lock_guard<std::mutex> g(mutex_);
            commands.swap(commands_);
        }
        for (auto& c : commands) c();
        pollfd fds[3] = {{wake_, POLLIN, 0}, {repeatTimer_, POLLIN, 0}, {-1, POLLIN, 0}};
        const bool live = display && wl_display_get_error(display) == 0;
        if (live) {
            DrawDirty();
            while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
            wl_display_flush(display);
            fds[2].fd = wl_display_get_fd(display);
        }
        poll(fds, 3, -1);
        if (live) {
            if (fds[2].revents & POLLIN) wl_display_read_events(display);
            else wl_display_cancel_read(display);
            wl_display_dispatch_pending(display);
        }
        uint64_t count;
        if (fds[0].revents & POLLIN) (void)!read(wake_, &count, sizeof count);
        if ((fds[1].revents & POLLIN) && read(repeatTimer_, &count, sizeof count) > 0 && repeatKey_ && locked_)
            KeyEvent(repeatKey_, true, NowMs());
        if (display && wl_display_get_error(display) != 0 && locked_) {
            // The compositor ended our connection: no lock is left to hold.
            locked_ = false;
            OnLockGrabLost();
        }
    }
}

bool Client::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    const uint32_t start = NowMs();
    for (;;) {
        if (wl_display_get_error(display) != 0) return false;
        if (done()) return true;
        const int left = timeoutMs - static_cast<int>(NowMs() - start);
        if (left <= 0) return false;
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&fd, 1, left) > 0) wl_display_read_events(display);
        else wl_display_cancel_read(display);
        wl_display_dispatch_pending(display);
    }
}

void Client::Disconnect() {
    // A connection the compositor ended: everything on it is gone with it.
    std::lock_guard<std::mutex> g(keymapMutex_);
    if (keyState_) xkb_state_unref(keyState_);
    keyState_ = nullptr;
    wl_display_disconnect(display);
    display = nullptr;
    outputs.clear();
    surfaces.clear();
    registry_ = nullptr, compositor_ = nullptr, shm_ = nullptr, seat_ = nullptr, keyboard_ = nullptr,
    pointer_ = nullptr, wmBase_ = nullptr, outputManager_ = nullptr, sessionLockManager_ = nullptr,
    layerShell_ = nullptr, inhibitManager_ = nullptr, shortcutsManager_ = nullptr, constraints_ = nullptr,
    idleNotifier_ = nullptr, kdeIdle_ = nullptr, idleNotification_ = nullptr, kdeIdleTimeout_ = nullptr;
    sessionLock_ = nullptr, inputInhibitor_ = nullptr, keyboardFocus_ = nullptr, pointerFocus_ = nullptr;
    locked_ = false;
}

bool Client::Connect() {
    if (display && wl_display_get_error(display) == 0) return true;
    if (display) Disconnect();
    display = wl_display_connect(nullptr);
    if (!display) return false;
    registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(registry_, &kRegistry, this);
    // Globals, then the outputs' and the seat's first events.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) return false;
    method_ = ChooseLockMethod(Session().globals);
    StartIdleWatch();
    wl_display_roundtrip(display);
    return wl_display_get_error(display) == 0;
}

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t have, uint32_t want) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, have < want ? have : want));
}

void Client::AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
    const std::string i = interface;
    if (i == wl_compositor_interface.name) {
        compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (i == wl_shm_interface.name) {
        shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (i == wl_seat_interface.name && !seat_) {
        seatVersion_ = version < 5 ? version : 5;
        seat_ = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat_, &kSeat, this);
    } else if (i == wl_output_interface.name) {
        outputs.emplace_back();
        Output& o = outputs.back();
        o.name = name;
        o.output = Bind<wl_output>(registry, name, &wl_output_interface, version, 2);
        wl_output_add_listener(o.output, &kOutput, &o);
        if (outputManager_) {
            o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(outputManager_, o.output);
            zxdg_output_v1_add_listener(o.xdgOutput, &kXdgOutput, &o);
        }
    } else if (i == zxdg_output_manager_v1_interface.name) {
        outputManager_ = Bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version, 2);
        for (Output& o : outputs) {
            if (o.xdgOutput) continue;
            o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(outputManager_, o.output);
            zxdg_output_v1_add_listener(o.xdgOutput, &kXdgOutput, &o);
        }
    } else if (i == xdg_wm_base_interface.name) {
        wmBase_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(wmBase_, &kWmBase, this);
    } else if (i == ext_session_lock_manager_v1_interface.name) {
        sessionLockManager_ =
            Bind<ext_session_lock_manager_v1>(registry, name, &ext_session_lock_manager_v1_interface, version, 1);
    } else if (i == zwlr_layer_shell_v1_interface.name) {
        layerShell_ = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 1);
    } else if (i == zwlr_input_inhibit_manager_v1_interface.name) {
        inhibitManager_ =
            Bind<zwlr_input_inhibit_manager_v1>(registry, name, &zwlr_input_inhibit_manager_v1_interface, version, 1);
    } else if (i == zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) {
        shortcutsManager_ = Bind<zwp_keyboard_shortcuts_inhibit_manager_v1>(
            registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, version, 1);
    } else if (i == zwp_pointer_constraints_v1_interface.name) {
        constraints_ = Bind<zwp_pointer_constraints_v1>(registry, name, &zwp_pointer_constraints_v1_interface, version, 1);
    } else if (i == ext_idle_notifier_v1_interface.name) {
        idleNotifier_ = Bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface, version, 1);
    } else if (i == org_kde_kwin_idle_interface.name) {
        kdeIdle_ = Bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface, version, 1);
    }
}

void Client::RemoveGlobal(uint32_t name) {
    for (auto it = outputs.begin(); it != outputs.end(); ++it) {
        if (it->name != name) continue;
        // A lock surface on a gone output is closed by the compositor.
        for (LockSurface& s : surfaces)
            if (s.output == &*it) s.output = nullptr;
        outputs.erase(it);
        return;
    }
}

void Client::SeatCapabilities(uint32_t caps) {
    // A keyboard or pointer object whose last device went away is dead; the
    // next device brings a new one (keyboards are plugged in and out).
    if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard_) {
        if (seatVersion_ >= 3) wl_keyboard_release(keyboard_);
        else wl_keyboard_destroy(keyboard_);
        keyboard_ = nullptr;
        keyboardFocus_ = nullptr;
        ArmRepeat(0);
    }
    if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer_) {
        if (seatVersion_ >= 3) wl_pointer_release(pointer_);
        else wl_pointer_destroy(pointer_);
        pointer_ = nullptr;
        pointerFocus_ = nullptr;
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard_) {
        keyboard_ = wl_seat_get_keyboard(seat_);
        wl_keyboard_add_listener(keyboard_, &kKeyboard, this);
    }
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer_) {
        pointer_ = wl_seat_get_pointer(seat_);
        wl_pointer_add_listener(pointer_, &kPointer, this);
    }
    StartIdleWatch();
}

void Client::Keymap(uint32_t format, int fd, uint32_t size) {
    xkb_keymap* keymap = nullptr;
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            keymap = xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text), strnlen(static_cast<const char*>(text), size),
                                                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
    }
    close(fd);
    if (!keymap) return;
    std::lock_guard<std::mutex> g(keymapMutex_);
    if (keymap_) xkb_keymap_unref(keymap_);
    if (keyState_) xkb_state_unref(keyState_);
    keymap_ = keymap;
    keyState_ = xkb_state_new(keymap);
}

xkb_keymap* Client::KeymapRef() {
    std::lock_guard<std::mutex> g(keymapMutex_);
    if (!keymap_) {
        // No keyboard on the seat yet: the system's default layout.
        if (!xkb_) xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (xkb_) keymap_ = xkb_keymap_new_from_names(xkb_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    }
    return keymap_ ? xkb_keymap_ref(keymap_) : nullptr;
}

LockSurface* Client::Find(wl_surface* surface) {
    for (LockSurface& s : surfaces)
        if (s.surface == surface) return &s;
    return nullptr;
}

void Client::KeyboardEnter(wl_surface* surface) { keyboardFocus_ = Find(surface); }
void Client::KeyboardLeave(wl_surface* surface) {
    if (keyboardFocus_ && keyboardFocus_->surface == surface) keyboardFocus_ = nullptr;
    repeatKey_ = 0;
}

void Client::Modifiers(uint32_t depressed, uint32_t latched, uint32_t lockedMods, uint32_t group) {
    std::lock_guard<std::mutex> g(keymapMutex_);
    if (keyState_) xkb_state_update_mask(keyState_, depressed, latched, lockedMods, 0, 0, group);
}

void Client::Key(uint32_t time, uint32_t key, uint32_t state) {
    Input();
    const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    if (down) ArmRepeat(key);
    else if (key == repeatKey_) ArmRepeat(0);
    if (locked_) KeyEvent(key, down, time);
}

void Client::ArmRepeat(uint32_t key) {
    itimerspec timer{};
    repeatKey_ = 0;
    {
        std::lock_guard<std::mutex> g(keymapMutex_);
        if (key && keymap_ && repeatRate_ > 0 && xkb_keymap_key_repeats(keymap_, key + 8)) {
            repeatKey_ = key;
            timer.it_value.tv_sec = repeatDelay_ / 1000;
            timer.it_value.tv_nsec = (repeatDelay_ % 1000) * 1000000L;
            timer.it_interval.tv_nsec = 1000000000L / repeatRate_;
        }
    }
    timerfd_settime(repeatTimer_, 0, &timer, nullptr);
}

// One key event as the low-level keyboard hook gets it on Windows.
void Client::KeyEvent(uint32_t key, bool down, uint32_t time) {
    uint32_t keysym = 0;
    bool alt = false, ctrl = false;
    {
        std::lock_guard<std::mutex> g(keymapMutex_);
        if (!keymap_ || !keyState_) return;
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap_, key + 8, 0, 0, &syms) > 0) keysym = syms[0];
        alt = xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
        ctrl = xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
    }
    uint8_t vk = VirtualKeyFromKeysym(keysym);
    if (vk == 0) vk = 0xFF;  // a key without a virtual-key code of its own
    LowLevelKeyEvent ll{vk, key, (down ? 0u : kLlkhfUp) | (alt ? kLlkhfAltDown : 0u), time, 0};
    KeyboardLockProcLL(kHcAction, KeyMessageFor(down, vk, alt, ctrl), reinterpret_cast<intptr_t>(&ll));
}

void Client::Report(uint32_t message) {
    if (!locked_) return;
    MouseEvent mouse{{pointerX_, pointerY_}, nullptr, 0, 0};
    if (mouse_ == HookProcedure::MouseReport) MouseReportProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
    else if (mouse_ == HookProcedure::MouseBlock) MouseBlockProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
}

void Client::PointerEnter(wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    pointerFocus_ = Find(surface);
    PointerMotion(x, y);
}

void Client::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
    Input();
    if (!pointerFocus_) return;
    pointerX_ = areaX_ + pointerFocus_->x + wl_fixed_to_int(x);
    pointerY_ = areaY_ + pointerFocus_->y + wl_fixed_to_int(y);
    Report(kWmMouseMove);
}

void Client::PointerButton(uint32_t button, uint32_t state) {
    Input();
    const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
    uint32_t message = 0;
    if (button == kBtnLeft) message = press ? kWmLButtonDown : kWmLButtonUp;
    else if (button == kBtnRight) message = press ? kWmRButtonDown : kWmRButtonUp;
    else if (button == kBtnMiddle) message = press ? kWmMButtonDown : 0x208;
    if (message) Report(message);
}

void Client::PointerAxis(uint32_t axis, wl_fixed_t value) {
    Input();
    if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) pendingAxis_ += value;
    if (seatVersion_ < 5) PointerFrame();
}

void Client::PointerDiscrete(uint32_t axis, int32_t discrete) {
    if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) pendingNotches_ += discrete;
}

// One wheel report per notch; without notch counts, one per 10 units (what
// a mouse wheel's notch gives).
void Client::PointerFrame() {
    int32_t notches = pendingNotches_ ? std::abs(pendingNotches_) : std::abs(wl_fixed_to_int(pendingAxis_)) / 10;
    if (!pendingNotches_ && pendingAxis_ != 0 && notches == 0) notches = 1;
    pendingNotches_ = 0;
    pendingAxis_ = 0;
    for (int32_t i = 0; i < notches; ++i) Report(kWmMouseWheel);
}

// ---- surfaces ----

void Client::SurfaceConfigured(LockSurface* s, uint32_t serial, uint32_t width, uint32_t height) {
    if (s->layer) zwlr_layer_surface_v1_ack_configure(s->layer, serial);
    else if (s->lockSurface) ext_session_lock_surface_v1_ack_configure(s->lockSurface, serial);
    else if (s->xdgSurface) xdg_surface_ack_configure(s->xdgSurface, serial);
    if (width == 0 || height == 0) width = s->output ? s->output->width : 0, height = s->output ? s->output->height : 0;
    if (width != s->width || height != s->height || !s->pool) {
        s->width = width, s->height = height;
        MakeBuffers(*s);
    }
    s->configured = true;
    s->dirty = true;
    Draw(*s);
}

void Client::SurfaceClosed(LockSurface* s) {
    s->closed = true;
    if (!locked_) return;
    locked_ = false;  // the compositor took a lock surface away: the lock no longer holds
    OnLockGrabLost();
}

void Client::FrameDone(LockSurface* s) {
    if (s->frame) wl_callback_destroy(s->frame);
    s->frame = nullptr;
}

bool Client::MakeBuffers(LockSurface& s) {
    for (Buffer& b : s.buffers) {
        if (b.buffer) wl_buffer_destroy(b.buffer);
        b = Buffer{};
    }
    if (s.pool) wl_shm_pool_destroy(s.pool);
    if (s.memory) munmap(s.memory, s.memorySize);
    s.pool = nullptr, s.memory = nullptr;
    if (!s.width || !s.height) return false;
    const size_t one = static_cast<size_t>(s.width) * s.height * 4;
    s.memorySize = one * 2;
    int fd = memfd_create("bumblepad-lock", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(s.memorySize)) != 0) {
        if (fd >= 0) close(fd);
        return false;
    }
    s.memory = mmap(nullptr, s.memorySize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (s.memory == MAP_FAILED) {
        s.memory = nullptr;
        close(fd);
        return false;
    }
    s.pool = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(s.memorySize));
    close(fd);
    for (int i = 0; i < 2; ++i) {
        Buffer& b = s.buffers[i];
        b.pixels = reinterpret_cast<uint32_t*>(static_cast<char*>(s.memory) + one * i);
        b.buffer = wl_shm_pool_create_buffer(s.pool, static_cast<int32_t>(one * i), static_cast<int32_t>(s.width),
                                             static_cast<int32_t>(s.height), static_cast<int32_t>(s.width * 4),
                                             WL_SHM_FORMAT_ARGB8888);
        wl_buffer_add_listener(b.buffer, &kBuffer, &b);
    }
    return true;
}

// The surface's part of the lock picture into a free buffer: clear where
// nothing is drawn unless the lock screen is shown (then black), opaque
// wherever the controller drew.
void Client::Draw(LockSurface& s) {
    if (!s.configured || s.frame || !s.pool) return;
    Buffer* free = nullptr;
    for (Buffer& b : s.buffers)
        if (!b.busy) free = &b;
    if (!free) return;
    {
        std::lock_guard<std::mutex> g(pictureMutex);
        const uint32_t blank = pictureShown ? 0xFF000000u : 0u;
        for (uint32_t row = 0; row < s.height; ++row) {
            uint32_t* out = free->pixels + static_cast<size_t>(row) * s.width;
            const int32_t py = s.y + static_cast<int32_t>(row);
            for (uint32_t col = 0; col < s.width; ++col) {
                const int32_t px = s.x + static_cast<int32_t>(col);
                uint32_t p = 0;
                if (py >= 0 && py < pictureHeight && px >= 0 && px < pictureWidth)
                    p = picture[static_cast<size_t>(py) * pictureWidth + px];
                out[col] = p ? p : blank;
            }
        }
    }
    free->busy = true;
    wl_surface_attach(s.surface, free->buffer, 0, 0);
    wl_surface_damage(s.surface, 0, 0, static_cast<int32_t>(s.width), static_cast<int32_t>(s.height));
    s.frame = wl_surface_frame(s.surface);
    wl_callback_add_listener(s.frame, &kFrame, &s);
    wl_surface_commit(s.surface);
    s.dirty = false;
}

std::atomic<bool> pictureChanged{false};

void Client::DrawDirty() {
    if (pictureChanged.exchange(false))
        for (LockSurface& s : surfaces) s.dirty = true;
    for (LockSurface& s : surfaces)
        if (s.dirty) Draw(s);
}

bool Client::MakeSurface(LockSurface& s, int method) {
    s.surface = wl_compositor_create_surface(compositor_);
    switch (method) {
    case kWaylandLockSessionLock:
        s.lockSurface = ext_session_lock_v1_get_lock_surface(sessionLock_, s.surface, s.output->output);
        ext_session_lock_surface_v1_add_listener(s.lockSurface, &kLockSurface, &s);
        break;
    case kWaylandLockLayerShell:
        s.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell_, s.surface, s.output->output,
                                                        3 /* overlay */, "bumblepad-lock");
        zwlr_layer_surface_v1_add_listener(s.layer, &kLayerSurface, &s);
        zwlr_layer_surface_v1_set_anchor(s.layer, 1 | 2 | 4 | 8);
        zwlr_layer_surface_v1_set_exclusive_zone(s.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(s.layer, 1);
        wl_surface_commit(s.surface);
        break;
    case kWaylandLockFullscreen:
        s.xdgSurface = xdg_wm_base_get_xdg_surface(wmBase_, s.surface);
        xdg_surface_add_listener(s.xdgSurface, &kXdgSurface, &s);
        s.toplevel = xdg_surface_get_toplevel(s.xdgSurface);
        xdg_toplevel_add_listener(s.toplevel, &kToplevel, &s);
        xdg_toplevel_set_title(s.toplevel, "Bumblepad");
        xdg_toplevel_set_app_id(s.toplevel, "bumblepad");
        xdg_toplevel_set_fullscreen(s.toplevel, s.output->output);
        wl_surface_commit(s.surface);
        s.inhibitor = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(shortcutsManager_, s.surface, seat_);
        zwp_keyboard_shortcuts_inhibitor_v1_add_listener(s.inhibitor, &kInhibitor, &s);
        break;
    default:
        return false;
    }
    return true;
}

void Client::Area(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool first = true;
    for (const Output& o : outputs) {
        if (o.width <= 0 || o.height <= 0) continue;
        if (first || o.x < left) left = o.x;
        if (first || o.y < top) top = o.y;
        if (first || o.x + o.width > right) right = o.x + o.width;
        if (first || o.y + o.height > bottom) bottom = o.y + o.height;
        first = false;
    }
    x = left, y = top, w = right - left, h = bottom - top;
}

bool Client::Lock() {
    if (locked_) return true;
    if (!Connect() || method_ == kWaylandLockNone || outputs.empty()) return false;
    Area(areaX_, areaY_, areaWidth_, areaHeight_);
    {
        std::lock_guard<std::mutex> g(pictureMutex);
        pictureWidth = areaWidth_, pictureHeight = areaHeight_;
        picture.assign(static_cast<size_t>(areaWidth_) * areaHeight_, 0u);
        pictureShown = false;
    }
    sessionLocked_ = sessionFinished_ = false;
    if (method_ == kWaylandLockSessionLock) {
        sessionLock_ = ext_session_lock_manager_v1_lock(sessionLockManager_);
        ext_session_lock_v1_add_listener(sessionLock_, &kSessionLock, this);
    }
    for (Output& o : outputs) {
        surfaces.emplace_back();
        LockSurface& s = surfaces.back();
        s.output = &o;
        s.x = o.x - areaX_, s.y = o.y - areaY_;
        MakeSurface(s, method_);
    }
    auto allConfigured = [this] {
        for (const LockSurface& s : surfaces)
            if (!s.configured || s.closed) return false;
        return true;
    };
    bool holds = WaitFor(allConfigured, kMapTimeoutMs);
    locked_ = holds;  // from here on keys are fed to the hook procedures
    if (holds && method_ == kWaylandLockLayerShell) {
        // Every key and click of the seat comes to this client from now on;
        // a compositor that refuses (another client inhibits) ends the
        // connection with a protocol error.
        inputInhibitor_ = zwlr_input_inhibit_manager_v1_get_inhibitor(inhibitManager_);
        holds = wl_display_roundtrip(display) >= 0 && wl_display_get_error(display) == 0;
    } else if (holds && method_ == kWaylandLockSessionLock) {
        holds = WaitFor([this] { return sessionLocked_ || sessionFinished_; }, kMapTimeoutMs) && sessionLocked_;
    } else if (holds && method_ == kWaylandLockFullscreen) {
        // The keyboard must be on one of our surfaces and the desktop must
        // have granted that surface its shortcuts (it may ask the person).
        holds = WaitFor([this] { return keyboardFocus_ && keyboardFocus_->inhibitActive; }, kInhibitTimeoutMs);
    }
    holds = holds && allConfigured();
    static const char* const kMethods[] = {"none", "session lock", "layer-shell overlay + input inhibitor",
                                           "full-screen + shortcuts inhibit"};
    std::fprintf(stderr, "Bumblepad: Wayland lock (%s) on %zu outputs: %s\n", kMethods[method_], surfaces.size(),
                 holds ? "holds" : "refused");
    if (!holds) {
        Unlock();
        return false;
    }
    locked_ = true;
    return true;
}

void Client::Unlock() {
    if (locked_) std::fprintf(stderr, "Bumblepad: Wayland lock ended\n");
    locked_ = false;
    ArmRepeat(0);
    ClearMouse();
    if (display && wl_display_get_error(display) != 0) {
        Disconnect();
        return;
    }
    if (inputInhibitor_) zwlr_input_inhibitor_v1_destroy(inputInhibitor_);
    inputInhibitor_ = nullptr;
    if (sessionLock_) {
        if (sessionLocked_) ext_session_lock_v1_unlock_and_destroy(sessionLock_);
        else ext_session_lock_v1_destroy(sessionLock_);
    }
    sessionLock_ = nullptr;
    for (LockSurface& s : surfaces) {
        if (s.frame) wl_callback_destroy(s.frame);
        if (s.inhibitor) zwp_keyboard_shortcuts_inhibitor_v1_destroy(s.inhibitor);
        if (s.layer) zwlr_layer_surface_v1_destroy(s.layer);
        if (s.lockSurface) ext_session_lock_surface_v1_destroy(s.lockSurface);
        if (s.toplevel) xdg_toplevel_destroy(s.toplevel);
        if (s.xdgSurface) xdg_surface_destroy(s.xdgSurface);
        for (Buffer& b : s.buffers)
            if (b.buffer) wl_buffer_destroy(b.buffer);
        if (s.pool) wl_shm_pool_destroy(s.pool);
        if (s.memory) munmap(s.memory, s.memorySize);
        wl_surface_destroy(s.surface);
    }
    surfaces.clear();
    keyboardFocus_ = pointerFocus_ = nullptr;
    wl_display_roundtrip(display);
}

void Client::SetMouse(HookProcedure procedure) {
    mouse_ = procedure;
    // In the blocking mode the pointer stays where it is, on a lock surface,
    // where the compositor allows it (the full-screen way).
    if (procedure == HookProcedure::MouseBlock && constraints_ && pointer_ && method_ == kWaylandLockFullscreen) {
        LockSurface* s = pointerFocus_ ? pointerFocus_ : (surfaces.empty() ? nullptr : &surfaces.front());
        if (s && !s->confined) {
            s->confined = zwp_pointer_constraints_v1_confine_pointer(constraints_, s->surface, pointer_, nullptr,
                                                                     ZWP_POINTER_CONSTRAINTS_V1_LIFETIME_PERSISTENT);
            zwp_confined_pointer_v1_add_listener(s->confined, &kConfined, this);
        }
    }
}

void Client::ClearMouse() {
    mouse_ = HookProcedure::KeyboardLockLL;
    for (LockSurface& s : surfaces) {
        if (s.confined) zwp_confined_pointer_v1_destroy(s.confined);
        s.confined = nullptr;
    }
}

// ---- idle time ----

void Client::StartIdleWatch() {
    if (!seat_ || idleNotification_ || kdeIdleTimeout_) return;
    if (idleNotifier_) {
        idleNotification_ = ext_idle_notifier_v1_get_idle_notification(idleNotifier_, kIdleStepMs, seat_);
        ext_idle_notification_v1_add_listener(idleNotification_, &kIdle, this);
    } else if (kdeIdle_) {
        kdeIdleTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, kIdleStepMs);
        org_kde_kwin_idle_timeout_add_listener(kdeIdleTimeout_, &kKdeIdle, this);
    }
}

bool Client::IdleKnown() { return idleNotification_ || kdeIdleTimeout_; }

uint32_t Client::LastInput() {
    // Input our own surfaces received counts too (the compositor's idle
    // timer sees it as well).
    const uint32_t now = NowMs();
    uint32_t last = idle_ ? idleSince_ : now;
    if (locked_ && now - lastInput_ < now - last) last = lastInput_;
    return last;
}

// The desktop's own idle services on the session bus, where the compositor
// offers no idle protocol: GNOME's idle monitor (milliseconds), else the
// freedesktop screen saver (seconds; KDE answers it).
bool BusIdleTime(uint32_t& idleMs) {
    static std::mutex busMutex;
    static sd_bus* bus = nullptr;
    static bool opened = false;
    std::lock_guard<std::mutex> g(busMutex);
    if (!opened) {
        opened = true;
        if (sd_bus_open_user(&bus) < 0) bus = nullptr;
    }
    if (!bus) return false;
    sd_bus_message* reply = nullptr;
    bool ok = false;
    if (sd_bus_call_method(bus, "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                           "org.gnome.Mutter.IdleMonitor", "GetIdletime", nullptr, &reply, "") >= 0) {
        uint64_t ms = 0;
        ok = sd_bus_message_read(reply, "t", &ms) >= 0;
        idleMs = static_cast<uint32_t>(ms);
    } else if (sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                  "org.freedesktop.ScreenSaver", "GetSessionIdleTime", nullptr, &reply, "") >= 0) {
        uint32_t seconds = 0;
        ok = sd_bus_message_read(reply, "u", &seconds) >= 0;
        idleMs = seconds * 1000u;
    }
    sd_bus_message_unref(reply);
    return ok;
}

const char* SessionRefusal() {
    switch (Session().kind) {
    case kSessionXWayland:
        return "This desktop runs a Wayland session, but Bumblepad cannot reach its compositor (WAYLAND_DISPLAY is "
               "not set). Locking only the X programs would leave every other program open, so nothing is locked.";
    case kSessionNone:
        return "Bumblepad found no desktop session to lock, so nothing is locked.";
    default:
        break;
    }
    switch (Session().method) {
    case kWaylandLockNone:
        return "This Wayland desktop offers programs no way to lock the keyboard (no session lock, no input "
               "inhibitor, no shortcuts inhibition), so nothing is locked.";
    case kWaylandLockFullscreen:
        return "The desktop did not let Bumblepad take the keyboard: its full-screen lock did not get the keyboard "
               "focus, or the desktop (or the person asked) refused to hand it the desktop's shortcuts. Nothing is "
               "locked.";
    default:
        return "The desktop refused Bumblepad's lock (another program may be locking the screen), so nothing is "
               "locked.";
    }
}

}  // namespace

HHOOK WaylandInstallHook(int type, HookProcedure procedure) {
    HHOOK handle = nullptr;
    if (Session().kind != kSessionWayland) {
        refusal = SessionRefusal();
        return nullptr;
    }
    client.Run([&] {
        if (type == kWhKeyboardLL && procedure == HookProcedure::KeyboardLockLL) {
            // On Wayland the keyboard is had only with the whole seat: the
            // lock surfaces cover every output, so the pointer reaches no
            // other program either; the mouse hook decides what is reported.
            if (client.Lock()) handle = Handle(keyboardToken);
            else refusal = SessionRefusal();
        } else if (type == kWhMouse && client.Locked() &&
                   (procedure == HookProcedure::MouseBlock || procedure == HookProcedure::MouseReport)) {
            client.SetMouse(procedure);
            handle = Handle(pointerToken);
        }
    });
    return handle;
}

bool WaylandRemoveHook(HHOOK hook) {
    if (hook != Handle(keyboardToken) && hook != Handle(pointerToken)) return false;
    if (Session().kind != kSessionWayland) return false;
    client.Run([&] {
        if (hook == Handle(keyboardToken)) client.Unlock();
        else client.ClearMouse();
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
    time = NowMs() - idle;
    return true;
}

const char* KeyboardHookRefusal() { return UseWaylandAdapter() ? refusal : nullptr; }

const char* KeyboardOnlyLockRefusal() {
    if (!UseWaylandAdapter()) return nullptr;
    return "On a Wayland desktop no program can take the keyboard while the screen stays visible and the mouse "
           "free, so \"Lock Keyboard\" is not available here. \"Lock Keyboard/Mouse\" locks this desktop.";
}

const char* KeysTheDesktopKeeps() {
    if (Session().kind != kSessionWayland || Session().method != kWaylandLockFullscreen) return nullptr;
    const std::string& desktop = Session().desktop;
    if (desktop.find("GNOME") != std::string::npos)
        return "On this desktop (GNOME) Bumblepad's lock cannot take every key. The desktop keeps for itself: "
               "Super+Escape (it gives the desktop its shortcuts back), Ctrl+Alt+Delete and the power key (log-out "
               "and power dialogs), Ctrl+Alt+F1 to F12 (switching to another console) and its own lock screen. "
               "The first time, GNOME asks whether Bumblepad may take the desktop's shortcuts: answer \"Allow\".";
    if (desktop.find("KDE") != std::string::npos)
        return "On this desktop (KDE Plasma) Bumblepad's lock cannot take every key. The desktop keeps for itself: "
               "Ctrl+Alt+Delete and the power key (log-out and power dialogs), Ctrl+Alt+F1 to F12 (switching to "
               "another console) and its own screen locker (Super+L, Ctrl+Alt+L).";
    return "On this desktop Bumblepad's lock cannot take every key: the desktop keeps the keys it never gives to "
           "programs (switching to another console with Ctrl+Alt+F1 to F12, its power and log-out keys, its own "
           "screen locker).";
}

const char* IdleTimeRefusal() {
    if (!UseWaylandAdapter()) return nullptr;
    uint32_t time;
    if (WaylandQueryLastInputTime(time)) return nullptr;
    return "This desktop tells programs no idle time (no idle protocol, no idle service on the session bus), so "
           "the automatic lock cannot work here.";
}

int16_t LockKeyForCharacter(char character) {
    if (Session().kind != kSessionWayland) return -1;
    xkb_keymap* keymap = nullptr;
    client.Run([&] {
        client.Connect();
        keymap = client.KeymapRef();
    });
    if (!keymap) return -1;
    // Latin-1 characters are their own keysyms; the lowest shift level wins.
    const xkb_keysym_t wanted = static_cast<unsigned char>(character);
    int16_t result = -1;
    for (xkb_level_index_t level = 0; level < 2 && result < 0; ++level) {
        for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap); ++key) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, level, &syms) < 1 || syms[0] != wanted) continue;
            const xkb_keysym_t* base = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &base) < 1) continue;
            const uint8_t vk = VirtualKeyFromKeysym(base[0]);
            if (vk == 0 || vk == 0xFF) continue;
            result = static_cast<int16_t>(vk | (level ? 0x100 : 0));
            break;
        }
    }
    xkb_keymap_unref(keymap);
    return result;
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
        std::lock_guard<std::mutex> g(pictureMutex);
        pictureShown = shown;
        if (!shown) std::fill(picture.begin(), picture.end(), 0u);
    }
    pictureChanged = true;
    if (Session().kind == kSessionWayland) client.Wake();
}

void LockScreenUpdate(const uint32_t* pixels, int32_t stride, int32_t x, int32_t y, int32_t width, int32_t height) {
    {
        std::lock_guard<std::mutex> g(pictureMutex);
        for (int32_t row = 0; row < height; ++row) {
            const int32_t py = y + row;
            if (py < 0 || py >= pictureHeight) continue;
            for (int32_t col = 0; col < width; ++col) {
                const int32_t px = x + col;
                if (px < 0 || px >= pictureWidth) continue;
                picture[static_cast<size_t>(py) * pictureWidth + px] =
                    pixels[static_cast<size_t>(py) * stride + px] | 0xFF000000u;
            }
        }
    }
    pictureChanged = true;
    if (Session().kind == kSessionWayland) client.Wake();
}
