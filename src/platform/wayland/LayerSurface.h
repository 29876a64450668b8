#pragma once

#include "platform/Platform.h"
#include "platform/wayland/WaylandSeat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct wl_buffer;
struct wl_compositor;
struct wl_cursor_theme;
struct wl_registry;
struct wl_shm;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

// The overlay as a surface of the platform's own on the compositor's overlay layer
// (zwlr_layer_shell_v1: sway, Hyprland, KDE Plasma): above every window, fullscreen ones too,
// centred on the output the user works on, with the keyboard while shown. The program draws it
// (Present); the surface's keyboard and pointer input comes through the seat.
namespace platform::wayland {

class LayerSurface : public SurfaceInput
{
public:
    // On the seat's connection; null where the compositor offers no layer shell.
    static std::unique_ptr<LayerSurface> Open(WaylandSeat& seat);
    ~LayerSurface() override;
    LayerSurface(const LayerSurface&) = delete;
    LayerSurface& operator=(const LayerSurface&) = delete;

    // Shows the picture, mapping the surface first where it is not.
    void Present(const Platform::OverlayPicture& picture);
    // Unmaps the surface; the keyboard goes back to the window that had it.
    void Hide();
    bool Shown() const { return surface_ != nullptr; }

    // The keyboard came, with the X key codes held then; it went (the surface hidden or closed);
    // a key.
    std::function<void(const std::vector<unsigned>& keysHeld)> onKeyboardEnter;
    std::function<void()> onKeyboardLeave;
    std::function<void(unsigned xKeyCode, bool down)> onKey;
    std::function<void(const Platform::OverlayPointer&)> onPointer;
    // The compositor took the surface away (its output went).
    std::function<void()> onClosed;

    struct Listener;

private:
    explicit LayerSurface(WaylandSeat& seat);
    // A buffer of that size the compositor does not hold; null when none can be made.
    struct Buffer;
    Buffer* FreeBuffer(int width, int height);
    void CreateSurface(int width, int height);
    void Attach(Buffer& buffer);
    void DestroySurface();
    void LoadCursor();

    void KeyboardEntered(wl_surface* surface, const std::vector<unsigned>& keysHeld) override;
    void KeyboardLeft(wl_surface* surface) override;
    void Key(unsigned xKeyCode, bool down) override;
    void PointerEntered(wl_surface* surface, std::uint32_t serial, double x, double y) override;
    void PointerMoved(double x, double y) override;
    void PointerLeft(wl_surface* surface) override;
    void Button(unsigned button, bool down) override;

    WaylandSeat& seat_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* shell_ = nullptr;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layer_ = nullptr;
    bool configured_ = false;
    // The surface's size in points, as last asked of the compositor.
    int width_ = 0;
    int height_ = 0;
    std::vector<std::unique_ptr<Buffer>> buffers_;
    // The picture drawn before the compositor configured the surface, shown once it has.
    Buffer* pending_ = nullptr;
    bool keyboard_ = false;
    bool pointerInside_ = false;
    double pointerX_ = 0;
    double pointerY_ = 0;
    wl_cursor_theme* cursorTheme_ = nullptr;
    wl_surface* cursorSurface_ = nullptr;
    int cursorHotspotX_ = 0;
    int cursorHotspotY_ = 0;
};

} // namespace platform::wayland
