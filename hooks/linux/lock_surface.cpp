#include "lock_surface.h"

#include <sys/mman.h>
#include <unistd.h>

LockPicture lockPicture;

namespace {

void OnBufferRelease(void* data, wl_buffer*) { *static_cast<bool*>(data) = false; }
const wl_buffer_listener kBuffer = {OnBufferRelease};

void OnFrameDone(void* data, wl_callback*, uint32_t) { static_cast<LockSurface*>(data)->FrameDone(); }
const wl_callback_listener kFrame = {OnFrameDone};

}  // namespace

LockSurface::LockSurface(wl_compositor* compositor, wl_shm* shm, Output* o, int32_t px, int32_t py)
    : output(o), surface(wl_compositor_create_surface(compositor)), x(px), y(py), shm_(shm) {}

LockSurface::~LockSurface() {
    if (frame_) wl_callback_destroy(frame_);
    DropBuffers();
    wl_surface_destroy(surface);
}

void LockSurface::Configured(uint32_t width, uint32_t height) {
    if ((width == 0 || height == 0) && output)
        width = static_cast<uint32_t>(output->width), height = static_cast<uint32_t>(output->height);
    if (width != width_ || height != height_ || !pool_) {
        width_ = width, height_ = height;
        MakeBuffers();
    }
    configured = true;
    dirty = true;
    Draw();
}

void LockSurface::FrameDone() {
    if (frame_) wl_callback_destroy(frame_);
    frame_ = nullptr;
}

void LockSurface::DropBuffers() {
    for (Buffer& b : buffers_) {
        if (b.buffer) wl_buffer_destroy(b.buffer);
        b = Buffer{};
    }
    if (pool_) wl_shm_pool_destroy(pool_);
    if (memory_) munmap(memory_, memorySize_);
    pool_ = nullptr, memory_ = nullptr;
}

bool LockSurface::MakeBuffers() {
    DropBuffers();
    if (!width_ || !height_) return false;
    const size_t one = static_cast<size_t>(width_) * height_ * 4;
    memorySize_ = one * 2;
    int fd = memfd_create("bumblepad-lock", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(memorySize_)) != 0) {
        if (fd >= 0) close(fd);
        return false;
    }
    memory_ = mmap(nullptr, memorySize_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory_ == MAP_FAILED) {
        memory_ = nullptr;
        close(fd);
        return false;
    }
    pool_ = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(memorySize_));
    close(fd);
    for (int i = 0; i < 2; ++i) {
        Buffer& b = buffers_[i];
        b.pixels = reinterpret_cast<uint32_t*>(static_cast<char*>(memory_) + one * i);
        b.buffer = wl_shm_pool_create_buffer(pool_, static_cast<int32_t>(one * i), static_cast<int32_t>(width_),
                                             static_cast<int32_t>(height_), static_cast<int32_t>(width_ * 4),
                                             WL_SHM_FORMAT_ARGB8888);
        wl_buffer_add_listener(b.buffer, &kBuffer, &b.busy);
    }
    return true;
}

// The surface's part of the lock picture into a free buffer: clear where
// nothing is drawn unless the lock screen is shown (then black), opaque
// wherever the controller drew.
void LockSurface::Draw() {
    if (!configured || frame_ || !pool_) return;
    Buffer* free = nullptr;
    for (Buffer& b : buffers_)
        if (!b.busy) free = &b;
    if (!free) return;
    {
        std::lock_guard<std::mutex> g(lockPicture.mutex);
        const uint32_t blank = lockPicture.waiting ? 0xFF303030u : lockPicture.shown ? 0xFF000000u : 0u;
        for (uint32_t row = 0; row < height_; ++row) {
            uint32_t* out = free->pixels + static_cast<size_t>(row) * width_;
            const int32_t py = y + static_cast<int32_t>(row);
            for (uint32_t col = 0; col < width_; ++col) {
                const int32_t px = x + static_cast<int32_t>(col);
                uint32_t p = 0;
                if (py >= 0 && py < lockPicture.height && px >= 0 && px < lockPicture.width)
                    p = lockPicture.pixels[static_cast<size_t>(py) * lockPicture.width + px];
                out[col] = p ? p : blank;
            }
        }
    }
    free->busy = true;
    wl_surface_attach(surface, free->buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, static_cast<int32_t>(width_), static_cast<int32_t>(height_));
    frame_ = wl_surface_frame(surface);
    wl_callback_add_listener(frame_, &kFrame, this);
    wl_surface_commit(surface);
    dirty = false;
}
