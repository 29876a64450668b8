// What a Wayland compositor shows, for end-to-end tests and benchmarks where no protocol tells
// of another client's surface (a layer surface): the output copied through
// zwlr_screencopy_manager_v1 (wlroots compositors) and searched for pixels of one colour.
//   quorvel_wayland_screen rect RRGGBB     prints "x y width height" of the pixels of that colour
//                                          on the first output; exits 1 when there are none
//   quorvel_wayland_screen wait RRGGBB MS  prints "watching" once it has the output as it is,
//                                          then waits, frame by frame as the output changes, for
//                                          one that shows the colour; prints the wall-clock time
//                                          in nanoseconds that frame was ready; exits 1 after MS
// Exits 2 where the compositor offers no screen copy.
// Usage: quorvel_wayland_screen rect|wait RRGGBB [MS]

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Fewer pixels of the colour than this are a coincidence, not a surface.
constexpr long MinimumPixels = 400;

struct Screen
{
    wl_shm* shm = nullptr;
    wl_output* output = nullptr;
    zwlr_screencopy_manager_v1* manager = nullptr;
    std::uint32_t version = 0;
    // The frame under way.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    std::uint32_t format = 0;
    bool described = false;
    bool ready = false;
    bool failed = false;
    std::int64_t readyNs = 0;
    wl_buffer* buffer = nullptr;
    void* pixels = MAP_FAILED;
    std::size_t size = 0;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version)
{
    auto* screen = static_cast<Screen*>(data);
    if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        screen->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && !screen->output) {
        screen->output =
            static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        screen->version = std::min(version, 3u);
        screen->manager = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_screencopy_manager_v1_interface, screen->version));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

void OnBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
              std::uint32_t height, std::uint32_t stride)
{
    auto* screen = static_cast<Screen*>(data);
    screen->format = format;
    screen->width = width;
    screen->height = height;
    screen->stride = stride;
    screen->described = true;
}

void OnFlags(void*, zwlr_screencopy_frame_v1*, std::uint32_t) {}

void OnReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t)
{
    auto* screen = static_cast<Screen*>(data);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    screen->readyNs = std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    screen->ready = true;
}

void OnFailed(void* data, zwlr_screencopy_frame_v1*)
{
    static_cast<Screen*>(data)->failed = true;
}

void OnDamage(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t,
              std::uint32_t)
{
}

void OnDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {}

void OnBufferDone(void*, zwlr_screencopy_frame_v1*) {}

const zwlr_screencopy_frame_v1_listener FrameListener = {OnBuffer, OnFlags,  OnReady,     OnFailed,
                                                         OnDamage, OnDmabuf, OnBufferDone};

bool MakeBuffer(Screen& screen)
{
    screen.size = std::size_t(screen.stride) * screen.height;
    const int fd = memfd_create("quorvel-screen", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, off_t(screen.size)) < 0) {
        return false;
    }
    screen.pixels = mmap(nullptr, screen.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    wl_shm_pool* pool = wl_shm_create_pool(screen.shm, fd, int(screen.size));
    screen.buffer = wl_shm_pool_create_buffer(pool, 0, int(screen.width), int(screen.height),
                                              int(screen.stride), screen.format);
    wl_shm_pool_destroy(pool);
    close(fd);
    return screen.pixels != MAP_FAILED;
}

// One frame copied into the screen's buffer: the first at once, later ones once the output has
// changed since the last.
bool Copy(wl_display* display, Screen& screen, bool afterDamage)
{
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output(screen.manager, 0, screen.output);
    zwlr_screencopy_frame_v1_add_listener(frame, &FrameListener, &screen);
    screen.described = screen.ready = screen.failed = false;
    while (!screen.described) {
        if (wl_display_dispatch(display) < 0) {
            return false;
        }
    }
    if (!screen.buffer && !MakeBuffer(screen)) {
        return false;
    }
    if (afterDamage && screen.version >= 2) {
        zwlr_screencopy_frame_v1_copy_with_damage(frame, screen.buffer);
    } else {
        zwlr_screencopy_frame_v1_copy(frame, screen.buffer);
    }
    while (!screen.ready && !screen.failed) {
        if (wl_display_dispatch(display) < 0) {
            return false;
        }
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    return screen.ready;
}

struct Box
{
    long count = 0;
    std::uint32_t left = UINT32_MAX, top = UINT32_MAX, right = 0, bottom = 0;
};

Box Find(const Screen& screen, std::uint32_t colour)
{
    Box box;
    for (std::uint32_t y = 0; y < screen.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const char*>(screen.pixels) + std::size_t(y) * screen.stride);
        for (std::uint32_t x = 0; x < screen.width; ++x) {
            if ((row[x] & 0xFFFFFF) == colour) {
                ++box.count;
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 2 ? argv[1] : "";
    if ((mode != "rect" && mode != "wait") || (mode == "wait" && argc < 4)) {
        std::fprintf(stderr, "usage: quorvel_wayland_screen rect|wait RRGGBB [MS]\n");
        return 2;
    }
    const auto colour = std::uint32_t(std::strtoul(argv[2], nullptr, 16));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return 2;
    }
    Screen screen;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &screen);
    wl_display_roundtrip(display);
    if (!screen.manager || !screen.output || !screen.shm) {
        std::fprintf(stderr, "the compositor offers no screen copy\n");
        return 2;
    }
    if (mode == "rect") {
        if (!Copy(display, screen, false)) {
            return 2;
        }
        const Box box = Find(screen, colour);
        if (box.count < MinimumPixels) {
            return 1;
        }
        std::printf("%u %u %u %u\n", box.left, box.top, box.right - box.left + 1,
                    box.bottom - box.top + 1);
        return 0;
    }
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const long timeoutMs = std::strtol(argv[3], nullptr, 10);
    for (bool first = true;; first = false) {
        if (!Copy(display, screen, !first)) {
            return 2;
        }
        if (Find(screen, colour).count >= MinimumPixels) {
            std::printf("%lld\n", static_cast<long long>(screen.readyNs));
            return 0;
        }
        if (first) {
            std::printf("watching\n");
            std::fflush(stdout);
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 >
            timeoutMs) {
            return 1;
        }
    }
}
