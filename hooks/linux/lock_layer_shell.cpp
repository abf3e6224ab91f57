// wlr-layer-shell overlay surfaces on every output plus wlr-input-inhibitor:
// once the inhibitor is granted, every key and pointer event of the seat
// comes to this client. The compositor closes a layer surface whose output
// goes away (no loss: the other outputs keep the lock) and may close one for
// other reasons (then a new one is asked for; if that cannot be had the lock
// is lost).
#include "lock_method.h"

namespace {

struct LayerSurface : LockSurface {
    using LockSurface::LockSurface;
    ~LayerSurface() override {
        if (role) zwlr_layer_surface_v1_destroy(role);
    }
    zwlr_layer_surface_v1* role = nullptr;
    bool closed = false;
};

void OnConfigure(void* data, zwlr_layer_surface_v1* role, uint32_t serial, uint32_t width, uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(role, serial);
    static_cast<LayerSurface*>(data)->Configured(width, height);
}
void OnClosed(void* data, zwlr_layer_surface_v1*) { static_cast<LayerSurface*>(data)->closed = true; }
const zwlr_layer_surface_v1_listener kSurface = {OnConfigure, OnClosed};

class LayerShellMethod : public LockMethod {
public:
    using LockMethod::LockMethod;
    ~LayerShellMethod() override { LayerShellMethod::End(); }
    const char* Name() const override { return "layer-shell overlay + input inhibitor"; }

    Hold State() override {
        if (!wl_.Live()) return Hold::Gone;
        for (const auto& s : surfaces_)
            if (static_cast<LayerSurface*>(s.get())->closed) return inhibitor_ ? Hold::Shaken : Hold::Asking;
        // Once the seat's input is ours, a surface still coming (on an output
        // that appeared) takes nothing away.
        if (!inhibitor_ && !AllConfigured()) return Hold::Asking;
        if (!inhibitor_) {
            // Every surface is up: now the seat's input. A compositor that
            // refuses (another client inhibits) ends the connection with a
            // protocol error.
            inhibitor_ = zwlr_input_inhibit_manager_v1_get_inhibitor(wl_.inhibitManager);
            if (!wl_.Sync(kInhibitAnswerMs)) return Hold::Gone;
        }
        return Hold::Holds;
    }

    // A surface the compositor closed while its output stays: a new one.
    void Retake() override {
        for (auto& s : surfaces_) {
            if (!static_cast<LayerSurface*>(s.get())->closed || !s->output) continue;
            Output& output = *s->output;
            s = MakeSurface(output, output.x - areaX_, output.y - areaY_);
        }
    }

    void End() override {
        if (inhibitor_ && wl_.Live()) zwlr_input_inhibitor_v1_destroy(inhibitor_);
        inhibitor_ = nullptr;
        LockMethod::End();
        if (wl_.display) wl_display_flush(wl_.display);
    }

private:
    static constexpr int kInhibitAnswerMs = 1000;

    std::unique_ptr<LockSurface> MakeSurface(Output& output, int32_t x, int32_t y) override {
        auto s = std::make_unique<LayerSurface>(wl_.compositor, wl_.shm, &output, x, y);
        s->role = zwlr_layer_shell_v1_get_layer_surface(wl_.layerShell, s->surface, output.output, 3 /* overlay */,
                                                        "bumblepad-lock");
        zwlr_layer_surface_v1_add_listener(s->role, &kSurface, s.get());
        zwlr_layer_surface_v1_set_anchor(s->role, 1 | 2 | 4 | 8);  // all four edges
        zwlr_layer_surface_v1_set_exclusive_zone(s->role, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(s->role, 1);
        wl_surface_commit(s->surface);
        return s;
    }

    zwlr_input_inhibitor_v1* inhibitor_ = nullptr;
};

}  // namespace

std::unique_ptr<LockMethod> MakeLayerShellMethod(WaylandConnection& wl) {
    return std::make_unique<LayerShellMethod>(wl);
}
