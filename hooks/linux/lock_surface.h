// One lock surface on one output, whichever way the lock holds, and the lock
// picture the surfaces show: the controller's thread writes the picture
// (LockScreenUpdate), the Wayland thread copies each surface's part of it
// into that surface's shared-memory buffer.
#pragma once
#include <wayland-client.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "wayland_connection.h"

struct LockPicture {
    std::mutex mutex;
    std::vector<uint32_t> pixels;  // 0: nothing drawn (clear, or black while shown)
    int32_t width = 0, height = 0;
    bool shown = false;
    // Kept opaque (dark grey) while the lock is not one yet: a surface that
    // waits for the desktop's answer is never an invisible cover.
    bool waiting = false;
    std::atomic<bool> changed{false};
};
extern LockPicture lockPicture;

struct LockSurface {
    LockSurface(wl_compositor* compositor, wl_shm* shm, Output* output, int32_t x, int32_t y);
    virtual ~LockSurface();
    LockSurface(const LockSurface&) = delete;
    LockSurface& operator=(const LockSurface&) = delete;

    // The compositor gave the surface its size (0: the output's).
    void Configured(uint32_t width, uint32_t height);
    // Draws its part of the picture when a buffer is free and no frame is due.
    void Draw();
    void FrameDone();

    Output* output;  // null once the output has gone
    wl_surface* surface;
    bool configured = false;
    bool dirty = true;
    int32_t x, y;  // place in the lock area

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        uint32_t* pixels = nullptr;
        bool busy = false;
    };
    bool MakeBuffers();
    void DropBuffers();
    wl_shm* shm_;
    uint32_t width_ = 0, height_ = 0;
    void* memory_ = nullptr;
    size_t memorySize_ = 0;
    wl_shm_pool* pool_ = nullptr;
    Buffer buffers_[2];
    wl_callback* frame_ = nullptr;
};
