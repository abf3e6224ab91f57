#include "lock_method.h"

#include <algorithm>

std::unique_ptr<LockMethod> MakeSessionLockMethod(WaylandConnection& wl);
std::unique_ptr<LockMethod> MakeLayerShellMethod(WaylandConnection& wl);
std::unique_ptr<LockMethod> MakeFullscreenMethod(WaylandConnection& wl);

std::unique_ptr<LockMethod> MakeLockMethod(int method, WaylandConnection& wl) {
    switch (method) {
        case kWaylandLockSessionLock:
            return MakeSessionLockMethod(wl);
        case kWaylandLockLayerShell:
            return MakeLayerShellMethod(wl);
        case kWaylandLockFullscreen:
            return MakeFullscreenMethod(wl);
        default:
            return nullptr;
    }
}

void LockMethod::Begin(int32_t areaX, int32_t areaY) {
    areaX_ = areaX, areaY_ = areaY;
    began_ = true;
    for (Output& o : wl_.outputs)
        if (o.width > 0 && o.height > 0) AddOutput(o);
}

void LockMethod::AddOutput(Output& output) {
    if (!began_) return;
    for (const auto& s : surfaces_)
        if (s->output == &output) return;
    surfaces_.push_back(MakeSurface(output, output.x - areaX_, output.y - areaY_));
}

void LockMethod::RemoveOutput(Output& output) {
    for (auto it = surfaces_.begin(); it != surfaces_.end();) {
        if ((*it)->output != &output) {
            ++it;
            continue;
        }
        if (keyboardFocus_ == it->get()) keyboardFocus_ = nullptr;
        it = surfaces_.erase(it);
    }
}

void LockMethod::End() {
    keyboardFocus_ = nullptr;
    surfaces_.clear();
    began_ = false;
}

LockSurface* LockMethod::Find(wl_surface* surface) {
    for (auto& s : surfaces_)
        if (s->surface == surface) return s.get();
    return nullptr;
}

void LockMethod::KeyboardEnter(wl_surface* surface, uint32_t serial) {
    keyboardFocus_ = Find(surface);
    serial_ = focusSerial_ = serial;
}

void LockMethod::KeyboardLeave(wl_surface* surface) {
    if (keyboardFocus_ && (!surface || keyboardFocus_->surface == surface)) keyboardFocus_ = nullptr;
}

void LockMethod::DrawDirty() {
    const bool changed = lockPicture.changed.exchange(false);
    for (auto& s : surfaces_)
        if (changed || s->dirty) {
            s->dirty = true;
            s->Draw();
        }
}

bool LockMethod::AllConfigured() const {
    return !surfaces_.empty() &&
           std::all_of(surfaces_.begin(), surfaces_.end(), [](const auto& s) { return s->configured; });
}

bool LockMethod::KeepFocusedSurfaceOnly() {
    if (!keyboardFocus_) return false;
    for (auto it = surfaces_.begin(); it != surfaces_.end();)
        it = it->get() == keyboardFocus_ ? std::next(it) : surfaces_.erase(it);
    keyboardFocus_->dirty = true;
    return true;
}
