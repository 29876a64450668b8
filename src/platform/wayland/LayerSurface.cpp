#include "platform/wayland/LayerSurface.h"

#include "platform/VirtualKeys.h"
#include "platform/linux/Log.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <wayland-cursor.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

namespace platform::wayland {

namespace {
// Version 3 brought buffer scales; 4 is the newest this needs.
constexpr std::uint32_t MinimumCompositorVersion = 3;
constexpr std::uint32_t CompositorVersion = 4;
// Version 1 has all this asks for: the overlay layer and exclusive keyboard focus.
constexpr std::uint32_t ShellVersion = 1;
constexpr int DefaultCursorSize = 24;

std::uint16_t ButtonCode(unsigned button)
{
    switch (button) {
    case BTN_LEFT:
        return vk::LButton;
    case BTN_RIGHT:
        return vk::RButton;
    case BTN_MIDDLE:
        return vk::MButton;
    default:
        return 0;
    }
}
} // namespace

// Shared memory the compositor reads a picture from.
struct LayerSurface::Buffer
{
    wl_buffer* buffer = nullptr;
    void* data = MAP_FAILED;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    bool busy = false;

    ~Buffer()
    {
        if (buffer) {
            wl_buffer_destroy(buffer);
        }
        if (data != MAP_FAILED) {
            munmap(data, size);
        }
    }
};

struct LayerSurface::Listener
{
    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version)
    {
        auto& self = *static_cast<LayerSurface*>(data);
        if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !self.compositor_ &&
            version >= MinimumCompositorVersion) {
            self.compositor_ = static_cast<wl_compositor*>(wl_registry_bind(
                registry, name, &wl_compositor_interface, std::min(version, CompositorVersion)));
        } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !self.shm_) {
            self.shm_ =
                static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 &&
                   !self.shell_) {
            self.shell_ = static_cast<zwlr_layer_shell_v1*>(
                wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, ShellVersion));
        }
    }
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

    static void OnConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                            std::uint32_t, std::uint32_t)
    {
        auto& self = *static_cast<LayerSurface*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        self.configured_ = true;
        if (Buffer* pending = std::exchange(self.pending_, nullptr)) {
            self.Attach(*pending);
            // Events are read without a flush after them.
            wl_display_flush(self.seat_.Display());
        }
    }
    static void OnClosed(void* data, zwlr_layer_surface_v1*)
    {
        auto& self = *static_cast<LayerSurface*>(data);
        self.DestroySurface();
        if (self.onClosed) {
            self.onClosed();
        }
    }

    static void OnRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
};

namespace {
const wl_registry_listener RegistryListener = {LayerSurface::Listener::OnGlobal,
                                               LayerSurface::Listener::OnGlobalRemove};
const zwlr_layer_surface_v1_listener LayerListener = {LayerSurface::Listener::OnConfigure,
                                                      LayerSurface::Listener::OnClosed};
const wl_buffer_listener BufferListener = {LayerSurface::Listener::OnRelease};
} // namespace

LayerSurface::LayerSurface(WaylandSeat& seat) : seat_(seat) {}

std::unique_ptr<LayerSurface> LayerSurface::Open(WaylandSeat& seat)
{
    std::unique_ptr<LayerSurface> layer(new LayerSurface(seat));
    layer->registry_ = wl_display_get_registry(seat.Display());
    wl_registry_add_listener(layer->registry_, &RegistryListener, layer.get());
    if (wl_display_roundtrip(seat.Display()) < 0 || !layer->compositor_ || !layer->shm_ ||
        !layer->shell_) {
        return nullptr;
    }
    layer->LoadCursor();
    seat.SetSurfaceInput(layer.get());
    return layer;
}

LayerSurface::~LayerSurface()
{
    seat_.SetSurfaceInput(nullptr);
    DestroySurface();
    buffers_.clear();
    if (cursorSurface_) {
        wl_surface_destroy(cursorSurface_);
    }
    if (cursorTheme_) {
        wl_cursor_theme_destroy(cursorTheme_);
    }
    if (shell_) {
        zwlr_layer_shell_v1_destroy(shell_);
    }
    if (shm_) {
        wl_shm_destroy(shm_);
    }
    if (compositor_) {
        wl_compositor_destroy(compositor_);
    }
    if (registry_) {
        wl_registry_destroy(registry_);
    }
    wl_display_flush(seat_.Display());
}

void LayerSurface::LoadCursor()
{
    // The user's cursor theme and size, as the toolkits read them.
    const int size = qEnvironmentVariableIntValue("XCURSOR_SIZE");
    const QByteArray theme = qgetenv("XCURSOR_THEME");
    cursorTheme_ = wl_cursor_theme_load(theme.isEmpty() ? nullptr : theme.constData(),
                                        size > 0 ? size : DefaultCursorSize, shm_);
    wl_cursor* cursor =
        cursorTheme_ ? wl_cursor_theme_get_cursor(cursorTheme_, "left_ptr") : nullptr;
    if (!cursor || cursor->image_count == 0) {
        return;
    }
    wl_cursor_image* image = cursor->images[0];
    cursorHotspotX_ = static_cast<int>(image->hotspot_x);
    cursorHotspotY_ = static_cast<int>(image->hotspot_y);
    cursorSurface_ = wl_compositor_create_surface(compositor_);
    wl_surface_attach(cursorSurface_, wl_cursor_image_get_buffer(image), 0, 0);
    wl_surface_damage(cursorSurface_, 0, 0, static_cast<int>(image->width),
                      static_cast<int>(image->height));
    wl_surface_commit(cursorSurface_);
}

LayerSurface::Buffer* LayerSurface::FreeBuffer(int width, int height)
{
    // Buffers of another size are of no more use once free.
    std::erase_if(buffers_, [&](const std::unique_ptr<Buffer>& buffer) {
        return !buffer->busy && (buffer->width != width || buffer->height != height);
    });
    for (const auto& buffer : buffers_) {
        if (!buffer->busy) {
            return buffer.get();
        }
    }
    auto buffer = std::make_unique<Buffer>();
    buffer->width = width;
    buffer->height = height;
    buffer->size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    const int fd = memfd_create("quorvel-overlay", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(buffer->size)) < 0) {
        if (fd >= 0) {
            close(fd);
        }
        qCWarning(lcPlatform) << "no memory for the overlay's picture";
        return nullptr;
    }
    buffer->data = mmap(nullptr, buffer->size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (buffer->data == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(buffer->size));
    buffer->buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(buffer->buffer, &BufferListener, buffer.get());
    buffers_.push_back(std::move(buffer));
    return buffers_.back().get();
}

void LayerSurface::CreateSurface(int width, int height)
{
    surface_ = wl_compositor_create_surface(compositor_);
    // Without an output named, the compositor puts it on the one the user works on.
    layer_ = zwlr_layer_shell_v1_get_layer_surface(shell_, surface_, nullptr,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "quorvel");
    zwlr_layer_surface_v1_add_listener(layer_, &LayerListener, this);
    // No anchor: centred.
    zwlr_layer_surface_v1_set_size(layer_, static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height));
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, 1);
    width_ = width;
    height_ = height;
    configured_ = false;
    // The first commit, without a picture, asks for the surface's configure.
    wl_surface_commit(surface_);
}

void LayerSurface::Present(const Platform::OverlayPicture& picture)
{
    const int scale = std::max(1, picture.scale);
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0) {
        return;
    }
    Buffer* buffer = FreeBuffer(picture.width, picture.height);
    if (!buffer) {
        return;
    }
    for (int row = 0; row < picture.height; ++row) {
        std::memcpy(static_cast<char*>(buffer->data) +
                        static_cast<std::size_t>(row) * picture.width * 4,
                    reinterpret_cast<const char*>(picture.pixels) +
                        static_cast<std::size_t>(row) * picture.stride,
                    static_cast<std::size_t>(picture.width) * 4);
    }
    const int width = picture.width / scale;
    const int height = picture.height / scale;
    if (!surface_) {
        CreateSurface(width, height);
    } else if (width != width_ || height != height_) {
        zwlr_layer_surface_v1_set_size(layer_, static_cast<std::uint32_t>(width),
                                       static_cast<std::uint32_t>(height));
        width_ = width;
        height_ = height;
    }
    wl_surface_set_buffer_scale(surface_, scale);
    if (configured_) {
        Attach(*buffer);
    } else {
        // Kept for the configure: a later picture takes its place.
        if (pending_) {
            pending_->busy = false;
        }
        buffer->busy = true;
        pending_ = buffer;
    }
    wl_display_flush(seat_.Display());
}

void LayerSurface::Attach(Buffer& buffer)
{
    buffer.busy = true;
    wl_surface_attach(surface_, buffer.buffer, 0, 0);
    wl_surface_damage_buffer(surface_, 0, 0, buffer.width, buffer.height);
    wl_surface_commit(surface_);
}

void LayerSurface::Hide()
{
    // The buffers stay for the next showing: fresh shared memory, first touched on both sides,
    // made it some 15 ms slower on sway for the 5 MB a buffer holds.
    DestroySurface();
    wl_display_flush(seat_.Display());
}

void LayerSurface::DestroySurface()
{
    if (layer_) {
        zwlr_layer_surface_v1_destroy(layer_);
        layer_ = nullptr;
    }
    if (surface_) {
        wl_surface_destroy(surface_);
        surface_ = nullptr;
    }
    if (pending_) {
        pending_->busy = false;
        pending_ = nullptr;
    }
    configured_ = false;
    pointerInside_ = false;
    // The compositor's leave refers to a surface that is gone: the keyboard is left here.
    if (std::exchange(keyboard_, false) && onKeyboardLeave) {
        onKeyboardLeave();
    }
}

void LayerSurface::KeyboardEntered(wl_surface* surface, const std::vector<unsigned>& keysHeld)
{
    if (!surface || surface != surface_) {
        return;
    }
    keyboard_ = true;
    if (onKeyboardEnter) {
        onKeyboardEnter(keysHeld);
    }
}

void LayerSurface::KeyboardLeft(wl_surface* surface)
{
    if (!keyboard_ || (surface && surface != surface_)) {
        return;
    }
    keyboard_ = false;
    if (onKeyboardLeave) {
        onKeyboardLeave();
    }
}

void LayerSurface::Key(unsigned xKeyCode, bool down)
{
    if (keyboard_ && onKey) {
        onKey(xKeyCode, down);
    }
}

void LayerSurface::PointerEntered(wl_surface* surface, std::uint32_t serial, double x, double y)
{
    if (!surface || surface != surface_) {
        return;
    }
    pointerInside_ = true;
    if (cursorSurface_ && seat_.Pointer()) {
        wl_pointer_set_cursor(seat_.Pointer(), serial, cursorSurface_, cursorHotspotX_,
                              cursorHotspotY_);
    }
    PointerMoved(x, y);
}

void LayerSurface::PointerMoved(double x, double y)
{
    pointerX_ = x;
    pointerY_ = y;
    if (pointerInside_ && onPointer) {
        onPointer({Platform::OverlayPointer::Kind::Move, static_cast<int>(x), static_cast<int>(y)});
    }
}

void LayerSurface::PointerLeft(wl_surface*)
{
    if (std::exchange(pointerInside_, false) && onPointer) {
        onPointer({Platform::OverlayPointer::Kind::Leave, static_cast<int>(pointerX_),
                   static_cast<int>(pointerY_)});
    }
}

void LayerSurface::Button(unsigned button, bool down)
{
    const std::uint16_t code = ButtonCode(button);
    if (pointerInside_ && code != 0 && onPointer) {
        onPointer(
            {down ? Platform::OverlayPointer::Kind::Press : Platform::OverlayPointer::Kind::Release,
             static_cast<int>(pointerX_), static_cast<int>(pointerY_), code});
    }
}

} // namespace platform::wayland
