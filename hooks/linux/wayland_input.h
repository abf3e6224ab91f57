// Keys and pointer input of the seat, as the Wayland compositor sends them to
// the lock's surfaces, turned into the events the hook procedures get on
// Windows: keys through the key translation shared with X (with the keymap
// the compositor sends, on the layout it says is current), repeats made from
// the compositor's repeat rate, pointer positions in the compositor's layout.
// Used by the library's Wayland thread only.
#pragma once
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>

#include "hook_system_port.h"
#include "key_translation.h"

class LockMethod;

class WaylandInput {
public:
    WaylandInput();
    void AttachKeyboard(wl_keyboard* keyboard);
    void DetachKeyboard();
    void AttachPointer(wl_pointer* pointer, uint32_t seatVersion);
    void DetachPointer();

    // The lock whose surfaces get the input (null: none, nothing is fed to
    // the hooks), and the top left corner of its area.
    void SetLock(LockMethod* lock, int32_t areaX, int32_t areaY);
    // Whether its input goes to the hook procedures (only once it holds).
    void Feed(bool feed) { feed_ = feed; }
    // What the mouse hook does with pointer input (KeyboardLockLL: nothing).
    void SetMouse(HookProcedure procedure) { mouse_ = procedure; }

    // The keymap, and which of its layouts is current. A client learns the
    // current layout only while it has the keyboard (the modifiers event that
    // follows its enter); a keymap of one layout needs no telling.
    bool KeymapKnown() const;
    bool HasKeymap() const { return translation_.Keymap() != nullptr; }
    int16_t CharacterKey(char character);
    // The repeat timer: readable when a held key repeats.
    int RepeatFd() const { return repeatTimer_; }
    void RepeatTick();
    // The tick count (HookTickCount) of the last input to our surfaces.
    uint32_t LastInput() const { return lastInput_; }

    // Listeners' entries.
    void Keymap(uint32_t format, int fd, uint32_t size);
    void Enter(wl_surface* surface, uint32_t serial);
    void Leave(wl_surface* surface);
    void Key(uint32_t serial, uint32_t time, uint32_t key, uint32_t state);
    void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
    void RepeatInfo(int32_t rate, int32_t delay) { repeatRate_ = rate, repeatDelay_ = delay; }
    void PointerEnter(wl_surface* surface, uint32_t serial, wl_fixed_t x, wl_fixed_t y);
    void PointerMotion(wl_fixed_t x, wl_fixed_t y);
    void PointerButton(uint32_t serial, uint32_t button, uint32_t state);
    void PointerAxis(uint32_t axis, wl_fixed_t value);
    void PointerDiscrete(uint32_t axis, int32_t discrete);
    void PointerFrame();

private:
    void KeyEvent(uint32_t key, bool down, uint32_t time);
    void ArmRepeat(uint32_t key);
    void Report(uint32_t message);
    void Input();

    xkb_context* xkb_ = nullptr;
    KeyTranslation translation_;
    xkb_state* keyState_ = nullptr;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    uint32_t seatVersion_ = 0;
    int repeatTimer_ = -1;
    int32_t repeatRate_ = 25, repeatDelay_ = 600;
    uint32_t repeatKey_ = 0;

    LockMethod* lock_ = nullptr;
    bool feed_ = false;
    int32_t areaX_ = 0, areaY_ = 0;
    wl_surface* pointerFocus_ = nullptr;  // looked up in the lock at each use (surfaces come and go)
    int32_t pointerX_ = 0, pointerY_ = 0;
    HookProcedure mouse_ = HookProcedure::KeyboardLockLL;  // none
    int32_t pendingNotches_ = 0;
    wl_fixed_t pendingAxis_ = 0;
    uint32_t lastInput_ = 0;
    bool layoutKnown_ = false;  // told since the keyboard last came to us
};
