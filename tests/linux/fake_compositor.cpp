#include "fake_compositor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>

#include "ext-session-lock-v1-client.h"  // the interfaces (their wire descriptions)

namespace {

constexpr int kWidth = 800, kHeight = 600;
// Event numbers of the interfaces, in protocol order.
constexpr uint32_t kLocked = 0, kFinished = 1, kLockSurfaceConfigure = 0;

int Dispatch(const void*, void* target, uint32_t, const wl_message* message, wl_argument* args) {
    auto* resource = static_cast<wl_resource*>(target);
    static_cast<FakeCompositor*>(wl_resource_get_user_data(resource))->Request(resource, *message, args);
    return 0;
}

void Forget(wl_resource* resource);

// Every object answers through the one dispatcher.
wl_resource* Make(wl_client* client, const wl_interface* interface, int version, uint32_t id, FakeCompositor* self) {
    wl_resource* resource = wl_resource_create(client, interface, version, id);
    wl_resource_set_dispatcher(resource, Dispatch, nullptr, self, Forget);
    return resource;
}

std::vector<wl_resource*>* liveLocks;  // of the one compositor of a test
void Forget(wl_resource* resource) {
    if (liveLocks) liveLocks->erase(std::remove(liveLocks->begin(), liveLocks->end(), resource), liveLocks->end());
}

void BindPlain(wl_client* client, void* data, uint32_t version, uint32_t id, const wl_interface* interface) {
    Make(client, interface, static_cast<int>(version), id, static_cast<FakeCompositor*>(data));
}
void BindCompositor(wl_client* c, void* d, uint32_t v, uint32_t id) {
    BindPlain(c, d, v, id, &wl_compositor_interface);
}
void BindShm(wl_client* c, void* d, uint32_t v, uint32_t id) {
    wl_resource* shm = Make(c, &wl_shm_interface, static_cast<int>(v), id, static_cast<FakeCompositor*>(d));
    wl_shm_send_format(shm, WL_SHM_FORMAT_ARGB8888);
    wl_shm_send_format(shm, WL_SHM_FORMAT_XRGB8888);
}
void BindSeat(wl_client* c, void* d, uint32_t v, uint32_t id) {
    wl_seat_send_capabilities(Make(c, &wl_seat_interface, static_cast<int>(v), id, static_cast<FakeCompositor*>(d)),
                              0);
}
void BindOutput(wl_client* c, void* d, uint32_t v, uint32_t id) {
    wl_resource* output = Make(c, &wl_output_interface, static_cast<int>(v), id, static_cast<FakeCompositor*>(d));
    wl_output_send_geometry(output, 0, 0, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                            WL_OUTPUT_TRANSFORM_NORMAL);
    wl_output_send_mode(output, WL_OUTPUT_MODE_CURRENT | WL_OUTPUT_MODE_PREFERRED, kWidth, kHeight, 60000);
    if (v >= 2) {
        wl_output_send_scale(output, 1);
        wl_output_send_done(output);
    }
}
void BindLockManager(wl_client* c, void* d, uint32_t v, uint32_t id) {
    BindPlain(c, d, v, id, &ext_session_lock_manager_v1_interface);
}

}  // namespace

FakeCompositor::FakeCompositor(bool grant) : grant_(grant) {
    display_ = wl_display_create();
    loop_ = wl_display_get_event_loop(display_);
    if (const char* name = wl_display_add_socket_auto(display_)) socket_ = name;
    wl_global_create(display_, &wl_compositor_interface, 4, this, BindCompositor);
    wl_global_create(display_, &wl_shm_interface, 1, this, BindShm);
    wl_global_create(display_, &wl_seat_interface, 5, this, BindSeat);
    wl_global_create(display_, &wl_output_interface, 2, this, BindOutput);
    wl_global_create(display_, &ext_session_lock_manager_v1_interface, 1, this, BindLockManager);
    liveLocks = &locks_;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { Loop(); });
}

FakeCompositor::~FakeCompositor() {
    OnThread([this] { stop_ = true; });
    thread_.join();
    wl_display_destroy_clients(display_);
    wl_display_destroy(display_);
    liveLocks = nullptr;
    close(wake_);
}

void FakeCompositor::Loop() {
    while (!stop_) {
        wl_display_flush_clients(display_);
        wl_event_loop_dispatch(loop_, 50);
        uint64_t n;
        if (read(wake_, &n, sizeof n) > 0) {
            std::vector<std::function<void()>> work;
            {
                std::lock_guard<std::mutex> g(mutex_);
                work.swap(queue_);
            }
            for (auto& fn : work) fn();
        }
    }
}

void FakeCompositor::OnThread(const std::function<void()>& fn) {
    std::promise<void> ran;
    {
        std::lock_guard<std::mutex> g(mutex_);
        queue_.push_back([&] {
            fn();
            ran.set_value();
        });
    }
    const uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    ran.get_future().wait();
}

void FakeCompositor::Stall(int ms) {
    auto begun = std::make_shared<std::promise<void>>();
    {
        std::lock_guard<std::mutex> g(mutex_);
        queue_.push_back([begun, ms] {
            begun->set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        });
    }
    const uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    begun->get_future().wait();
}

int FakeCompositor::FinishLocks() {
    int n = 0;
    OnThread([&] {
        for (wl_resource* lock : locks_) wl_resource_post_event(lock, kFinished), ++n;
        wl_display_flush_clients(display_);
    });
    return n;
}

int FakeCompositor::LocksAsked() {
    int n = 0;
    OnThread([&] { n = asked_; });
    return n;
}

int FakeCompositor::LocksUnlocked() {
    int n = 0;
    OnThread([&] { n = unlocked_; });
    return n;
}

void FakeCompositor::Request(wl_resource* resource, const wl_message& message, wl_argument* args) {
    wl_client* client = wl_resource_get_client(resource);
    const int version = wl_resource_get_version(resource);
    wl_resource* made = nullptr;
    int arg = 0;
    for (const char* c = message.signature; *c; ++c) {
        if (*c == '?' || (*c >= '0' && *c <= '9')) continue;
        if (*c == 'n') made = Make(client, message.types[arg], version, args[arg].n, this);
        if (*c == 'h') close(args[arg].h);
        ++arg;
    }
    const std::string object = wl_resource_get_class(resource), request = message.name;
    if (object == "ext_session_lock_manager_v1" && request == "lock") {
        ++asked_;
        if (grant_)
            locks_.push_back(made);
        else
            wl_resource_post_event(made, kFinished);  // another locker holds the session
    } else if (object == "ext_session_lock_v1" && request == "get_lock_surface") {
        wl_resource_post_event(made, kLockSurfaceConfigure, 1u, static_cast<uint32_t>(kWidth),
                               static_cast<uint32_t>(kHeight));
        // One output: a lock with a surface on it is granted.
        if (std::find(locks_.begin(), locks_.end(), resource) != locks_.end())
            wl_resource_post_event(resource, kLocked);
    } else if (request == "unlock_and_destroy") {
        ++unlocked_;
        wl_resource_destroy(resource);
    } else if (request == "destroy" || request == "release") {
        wl_resource_destroy(resource);
    }
}
