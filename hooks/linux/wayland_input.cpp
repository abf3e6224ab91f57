#include "wayland_input.h"

#include <sys/mman.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "hook_procs.h"
#include "hook_rules.h"
#include "lock_method.h"

namespace {

constexpr uint32_t kBtnLeft = 0x110, kBtnRight = 0x111, kBtnMiddle = 0x112;

#define SELF static_cast<WaylandInput*>(data)

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    SELF->Keymap(format, fd, size);
}
void OnEnter(void* data, wl_keyboard*, uint32_t serial, wl_surface* surface, wl_array*) {
    SELF->Enter(surface, serial);
}
void OnLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) { SELF->Leave(surface); }
void OnKey(void* data, wl_keyboard*, uint32_t serial, uint32_t time, uint32_t key, uint32_t state) {
    SELF->Key(serial, time, key, state);
}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                 uint32_t group) {
    SELF->Modifiers(depressed, latched, locked, group);
}
void OnRepeatInfo(void* data, wl_keyboard*, int32_t rate, int32_t delay) { SELF->RepeatInfo(rate, delay); }
const wl_keyboard_listener kKeyboard = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnPointerEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
    SELF->PointerEnter(surface, serial, x, y);
}
void OnPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*) {}
void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) { SELF->PointerMotion(x, y); }
void OnPointerButton(void* data, wl_pointer*, uint32_t serial, uint32_t, uint32_t button, uint32_t state) {
    SELF->PointerButton(serial, button, state);
}
void OnPointerAxis(void* data, wl_pointer*, uint32_t, uint32_t axis, wl_fixed_t value) {
    SELF->PointerAxis(axis, value);
}
void OnPointerFrame(void* data, wl_pointer*) { SELF->PointerFrame(); }
void OnAxisSource(void*, wl_pointer*, uint32_t) {}
void OnAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnAxisDiscrete(void* data, wl_pointer*, uint32_t axis, int32_t discrete) {
    SELF->PointerDiscrete(axis, discrete);
}
const wl_pointer_listener kPointer = {OnPointerEnter, OnPointerLeave, OnPointerMotion, OnPointerButton, OnPointerAxis,
                                      OnPointerFrame, OnAxisSource,   OnAxisStop,      OnAxisDiscrete,  nullptr};

}  // namespace

WaylandInput::WaylandInput() {
    repeatTimer_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
}

void WaylandInput::AttachKeyboard(wl_keyboard* keyboard) {
    keyboard_ = keyboard;
    wl_keyboard_add_listener(keyboard, &kKeyboard, this);
}

// The keymap stays: it is still the layout the parent types with.
void WaylandInput::DetachKeyboard() {
    keyboard_ = nullptr;
    layoutKnown_ = false;
    ArmRepeat(0);
    if (lock_) lock_->KeyboardLeave(nullptr);
}

void WaylandInput::AttachPointer(wl_pointer* pointer, uint32_t seatVersion) {
    pointer_ = pointer;
    seatVersion_ = seatVersion;
    wl_pointer_add_listener(pointer, &kPointer, this);
}

void WaylandInput::DetachPointer() {
    pointer_ = nullptr;
    pointerFocus_ = nullptr;
}

void WaylandInput::SetLock(LockMethod* lock, int32_t areaX, int32_t areaY) {
    lock_ = lock;
    areaX_ = areaX, areaY_ = areaY;
    if (!lock) {
        ArmRepeat(0);
        mouse_ = HookProcedure::KeyboardLockLL;
        feed_ = false;
    }
}

void WaylandInput::Keymap(uint32_t format, int fd, uint32_t size) {
    xkb_keymap* keymap = nullptr;
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && xkb_) {
        void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (text != MAP_FAILED) {
            keymap = xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text),
                                                strnlen(static_cast<const char*>(text), size),
                                                XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(text, size);
        }
    }
    close(fd);
    if (!keymap) return;
    translation_.Use(keymap);
    layoutKnown_ = false;
    if (keyState_) xkb_state_unref(keyState_);
    keyState_ = xkb_state_new(keymap);
    xkb_keymap_unref(keymap);
}

bool WaylandInput::KeymapKnown() const {
    xkb_keymap* keymap = translation_.Keymap();
    return keyState_ && keymap && (layoutKnown_ || xkb_keymap_num_layouts(keymap) == 1);
}

int16_t WaylandInput::CharacterKey(char character) {
    if (!KeymapKnown()) return -1;
    return translation_.CharacterKey(character, xkb_state_serialize_layout(keyState_, XKB_STATE_LAYOUT_EFFECTIVE));
}

void WaylandInput::Enter(wl_surface* surface, uint32_t serial) {
    if (lock_) lock_->KeyboardEnter(surface, serial);
}

void WaylandInput::Leave(wl_surface* surface) {
    layoutKnown_ = false;  // another layout may be chosen while the keyboard is elsewhere
    if (lock_) lock_->KeyboardLeave(surface);
    ArmRepeat(0);
}

void WaylandInput::Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
    if (!keyState_) return;
    xkb_state_update_mask(keyState_, depressed, latched, locked, 0, 0, group);
    layoutKnown_ = true;
}

void WaylandInput::Input() { lastInput_ = HookTickCount(); }

void WaylandInput::Key(uint32_t serial, uint32_t time, uint32_t key, uint32_t state) {
    Input();
    const bool down = state == WL_KEYBOARD_KEY_STATE_PRESSED;
    if (down)
        ArmRepeat(key);
    else if (key == repeatKey_)
        ArmRepeat(0);
    if (!lock_) return;
    lock_->InputSerial(serial);
    if (feed_) KeyEvent(key, down, time);
}

void WaylandInput::RepeatTick() {
    uint64_t count;
    if (read(repeatTimer_, &count, sizeof count) > 0 && repeatKey_ && feed_)
        KeyEvent(repeatKey_, true, HookTickCount());
}

void WaylandInput::ArmRepeat(uint32_t key) {
    itimerspec timer{};
    repeatKey_ = 0;
    xkb_keymap* keymap = translation_.Keymap();
    if (key && keymap && repeatRate_ > 0 && xkb_keymap_key_repeats(keymap, key + 8)) {
        repeatKey_ = key;
        timer.it_value.tv_sec = repeatDelay_ / 1000;
        timer.it_value.tv_nsec = (repeatDelay_ % 1000) * 1000000L;
        timer.it_interval.tv_nsec = 1000000000L / repeatRate_;
    }
    timerfd_settime(repeatTimer_, 0, &timer, nullptr);
}

// One key event as the low-level keyboard hook gets it on Windows: the code
// of the key on the layout the compositor says is current.
void WaylandInput::KeyEvent(uint32_t key, bool down, uint32_t time) {
    if (!keyState_) return;
    const xkb_layout_index_t layout = xkb_state_serialize_layout(keyState_, XKB_STATE_LAYOUT_EFFECTIVE);
    const uint8_t vk = translation_.Code(key + 8, layout);
    const bool alt = xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
    const bool ctrl = xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
    LowLevelKeyEvent ll{vk, key, (down ? 0u : kLlkhfUp) | (alt ? kLlkhfAltDown : 0u), time, 0};
    KeyboardLockProcLL(kHcAction, KeyMessageFor(down, vk, alt, ctrl), reinterpret_cast<intptr_t>(&ll));
}

void WaylandInput::Report(uint32_t message) {
    if (!feed_) return;
    MouseEvent mouse{{pointerX_, pointerY_}, nullptr, 0, 0};
    if (mouse_ == HookProcedure::MouseReport)
        MouseReportProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
    else if (mouse_ == HookProcedure::MouseBlock)
        MouseBlockProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
}

void WaylandInput::PointerEnter(wl_surface* surface, uint32_t serial, wl_fixed_t x, wl_fixed_t y) {
    pointerFocus_ = surface;
    if (lock_) {
        lock_->InputSerial(serial);
        lock_->PointerEntered(surface);
    }
    PointerMotion(x, y);
}

void WaylandInput::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
    Input();
    LockSurface* s = lock_ ? lock_->Find(pointerFocus_) : nullptr;
    if (!s) return;
    pointerX_ = areaX_ + s->x + wl_fixed_to_int(x);
    pointerY_ = areaY_ + s->y + wl_fixed_to_int(y);
    Report(kWmMouseMove);
}

void WaylandInput::PointerButton(uint32_t serial, uint32_t button, uint32_t state) {
    Input();
    if (lock_) lock_->InputSerial(serial);
    const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
    uint32_t message = 0;
    if (button == kBtnLeft)
        message = press ? kWmLButtonDown : kWmLButtonUp;
    else if (button == kBtnRight)
        message = press ? kWmRButtonDown : kWmRButtonUp;
    else if (button == kBtnMiddle)
        message = press ? kWmMButtonDown : 0x208;
    if (message) Report(message);
}

void WaylandInput::PointerAxis(uint32_t axis, wl_fixed_t value) {
    Input();
    if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) pendingAxis_ += value;
    if (seatVersion_ < 5) PointerFrame();
}

void WaylandInput::PointerDiscrete(uint32_t axis, int32_t discrete) {
    if (axis == WL_POINTER_AXIS_VERTICAL_SCROLL) pendingNotches_ += discrete;
}

// One wheel report per notch; without notch counts, one per 10 units (what
// a mouse wheel's notch gives).
void WaylandInput::PointerFrame() {
    int32_t notches = pendingNotches_ ? std::abs(pendingNotches_) : std::abs(wl_fixed_to_int(pendingAxis_)) / 10;
    if (!pendingNotches_ && pendingAxis_ != 0 && notches == 0) notches = 1;
    pendingNotches_ = 0;
    pendingAxis_ = 0;
    for (int32_t i = 0; i < notches; ++i) Report(kWmMouseWheel);
}
