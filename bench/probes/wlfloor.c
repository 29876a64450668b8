/* wlfloor: the floor of a Wayland overlay started through a compositor's key binding. Raw
   libwayland and wlr-layer-shell: each SIGUSR1 (the binding runs "kill -USR1 PID") maps a
   1253x505 surface on the overlay layer, centred, with the keyboard, a silver plate with 104 white
   keys in a shared-memory buffer; the next one unmaps it. The compositor maps the surface at its
   first buffer.
   Build: wayland-scanner client-header and private-code of wlr-layer-shell-unstable-v1.xml and of
   stable/xdg-shell/xdg-shell.xml (which it names), then
   gcc -O2 -o wlfloor wlfloor.c wlr-layer-shell-unstable-v1-protocol.c xdg-shell-protocol.c
   -lwayland-client. */
#define _GNU_SOURCE
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <wayland-client.h>
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
enum { W = 1253, H = 505 };
static struct wl_compositor *compositor; static struct wl_shm *shm; static struct zwlr_layer_shell_v1 *shell;
static struct wl_surface *surface; static struct zwlr_layer_surface_v1 *layer;
static struct wl_buffer *buffer;
static void global(void *d, struct wl_registry *r, uint32_t name, const char *iface, uint32_t v) {
    (void)d; (void)v;
    if (!strcmp(iface, wl_compositor_interface.name)) compositor = wl_registry_bind(r, name, &wl_compositor_interface, 4);
    else if (!strcmp(iface, wl_shm_interface.name)) shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
    else if (!strcmp(iface, zwlr_layer_shell_v1_interface.name)) shell = wl_registry_bind(r, name, &zwlr_layer_shell_v1_interface, 1);
}
static void global_remove(void *d, struct wl_registry *r, uint32_t name) { (void)d; (void)r; (void)name; }
static const struct wl_registry_listener registry_listener = {global, global_remove};
static void configure(void *d, struct zwlr_layer_surface_v1 *s, uint32_t serial, uint32_t w, uint32_t h) {
    (void)d; (void)w; (void)h; zwlr_layer_surface_v1_ack_configure(s, serial);
    wl_surface_attach(surface, buffer, 0, 0); wl_surface_damage(surface, 0, 0, W, H); wl_surface_commit(surface);
}
static void closed(void *d, struct zwlr_layer_surface_v1 *s) { (void)d; (void)s; }
static const struct zwlr_layer_surface_v1_listener surface_listener = {configure, closed};
static struct wl_buffer *plate(void) {
    int fd = memfd_create("wlfloor", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, W * H * 4) < 0) return NULL;
    uint32_t *p = mmap(NULL, W * H * 4, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return NULL;
    for (int i = 0; i < W * H; i++) p[i] = 0xFFC0C0C0;
    for (int row = 0; row < 6; row++)
        for (int k = 0; k < 18; k++)
            for (int y = 0; y < 70; y++)
                for (int x = 0; x < 60; x++) p[(12 + row * 80 + y) * W + 12 + k * 68 + x] = 0xFFFFFFFF;
    struct wl_shm_pool *pool = wl_shm_create_pool(shm, fd, W * H * 4);
    struct wl_buffer *b = wl_shm_pool_create_buffer(pool, 0, W, H, W * 4, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool); close(fd);
    return b;
}
static void show(void) {
    surface = wl_compositor_create_surface(compositor);
    layer = zwlr_layer_shell_v1_get_layer_surface(shell, surface, NULL, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "wlfloor");
    zwlr_layer_surface_v1_add_listener(layer, &surface_listener, NULL);
    zwlr_layer_surface_v1_set_size(layer, W, H);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
    wl_surface_commit(surface);
}
static void hide(void) {
    zwlr_layer_surface_v1_destroy(layer); wl_surface_destroy(surface);
    surface = NULL;
}
int main(void) {
    struct wl_display *display = wl_display_connect(NULL); if (!display) return 2;
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !shell) return 2;
    if (!(buffer = plate())) return 2;
    sigset_t mask; sigemptyset(&mask); sigaddset(&mask, SIGUSR1); sigprocmask(SIG_BLOCK, &mask, NULL);
    struct pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {signalfd(-1, &mask, SFD_CLOEXEC), POLLIN, 0}};
    for (;;) {
        wl_display_flush(display);
        if (poll(fds, 2, -1) < 0) continue;
        if ((fds[0].revents & POLLIN) && wl_display_dispatch(display) < 0) return 1;
        if (fds[1].revents & POLLIN) {
            struct signalfd_siginfo info;
            if (read(fds[1].fd, &info, sizeof info) != sizeof info) continue;
            if (surface) hide(); else show();
        }
    }
}
