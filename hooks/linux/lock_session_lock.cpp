// ext-session-lock-v1: the compositor locks the session for us. It sends
// "locked" once every output shows a lock surface, or "finished" when it will
// not lock (another locker holds the session); "finished" after "locked"
// means the compositor has ended our lock: it is lost, never claimed.
#include "lock_method.h"

namespace {

class SessionLockMethod;

struct SessionLockSurface : LockSurface {
    using LockSurface::LockSurface;
    ~SessionLockSurface() override {
        if (role) ext_session_lock_surface_v1_destroy(role);
    }
    ext_session_lock_surface_v1* role = nullptr;
};

void OnConfigure(void* data, ext_session_lock_surface_v1* role, uint32_t serial, uint32_t width, uint32_t height) {
    ext_session_lock_surface_v1_ack_configure(role, serial);
    static_cast<SessionLockSurface*>(data)->Configured(width, height);
}
const ext_session_lock_surface_v1_listener kSurface = {OnConfigure};

class SessionLockMethod : public LockMethod {
public:
    using LockMethod::LockMethod;
    ~SessionLockMethod() override { SessionLockMethod::End(); }
    const char* Name() const override { return "session lock"; }

    void Begin(int32_t areaX, int32_t areaY) override {
        lock_ = ext_session_lock_manager_v1_lock(wl_.sessionLockManager);
        ext_session_lock_v1_add_listener(lock_, &kLock, this);
        LockMethod::Begin(areaX, areaY);
    }

    Hold State() override {
        if (finished_) return Hold::Gone;
        return locked_ ? Hold::Holds : Hold::Asking;
    }

    void End() override {
        LockMethod::End();  // the lock surfaces go first
        if (!lock_) return;
        // Only a lock the compositor granted may be unlocked; one it ended
        // or never granted is just destroyed.
        if (locked_ && !finished_)
            ext_session_lock_v1_unlock_and_destroy(lock_);
        else
            ext_session_lock_v1_destroy(lock_);
        lock_ = nullptr;
        wl_display_flush(wl_.display);
    }

private:
    std::unique_ptr<LockSurface> MakeSurface(Output& output, int32_t x, int32_t y) override {
        auto s = std::make_unique<SessionLockSurface>(wl_.compositor, wl_.shm, &output, x, y);
        s->role = ext_session_lock_v1_get_lock_surface(lock_, s->surface, output.output);
        ext_session_lock_surface_v1_add_listener(s->role, &kSurface, s.get());
        return s;
    }

    static void OnLocked(void* data, ext_session_lock_v1*) { static_cast<SessionLockMethod*>(data)->locked_ = true; }
    static void OnFinished(void* data, ext_session_lock_v1*) {
        static_cast<SessionLockMethod*>(data)->finished_ = true;
    }
    static constexpr ext_session_lock_v1_listener kLock = {OnLocked, OnFinished};

    ext_session_lock_v1* lock_ = nullptr;
    bool locked_ = false, finished_ = false;
};

}  // namespace

std::unique_ptr<LockMethod> MakeSessionLockMethod(WaylandConnection& wl) {
    return std::make_unique<SessionLockMethod>(wl);
}
