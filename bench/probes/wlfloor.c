/* wlfloor: the floor of a Wayland overlay started through a compositor's key binding. Raw
   libwayland and xdg-shell: each SIGUSR1 (the binding runs "kill -USR1 PID") maps a 1253x505
   toplevel with app_id "wlfloor", a silver plate with 104 white keys in a shared-memory buffer;
   the next one unmaps it. The compositor maps the window at its first buffer.
   Build: wayland-scanner client-header and private-code of stable/xdg-shell/xdg-shell.xml, then
   gcc -O2 -o wlfloor wlfloor.c xdg-shell-protocol.c -lwayland-client. */
#define _GNU_SOURCE
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <wayland-client.h>
#include "xdg-shell-client-protocol.h"
enum { W = 1253, H = 505 };
static struct wl_compositor *compositor; static struct wl_shm *shm; static struct xdg_wm_base *base;
static struct wl_surface *surface; static struct xdg_surface *xsurface; static struct xdg_toplevel *toplevel;
static struct wl_buffer *buffer;
static void global(void *d, struct wl_registry *r, uint32_t name, const char *iface, uint32_t v) {
    (void)d; (void)v;
    if (!strcmp(iface, wl_compositor_interface.name)) compositor = wl_registry_bind(r, name, &wl_compositor_interface, 4);
    else if (!strcmp(iface, wl_shm_interface.name)) shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
    else if (!strcmp(iface, xdg_wm_base_interface.name)) base = wl_registry_bind(r, name, &xdg_wm_base_interface, 1);
}
static void global_remove(void *d, struct wl_registry *r, uint32_t name) { (void)d; (void)r; (void)name; }
static const struct wl_registry_listener registry_listener = {global, global_remove};
static void ping(void *d, struct xdg_wm_base *b, uint32_t serial) { (void)d; xdg_wm_base_pong(b, serial); }
static const struct xdg_wm_base_listener base_listener = {ping};
static void configure(void *d, struct xdg_surface *s, uint32_t serial) {
    (void)d; xdg_surface_ack_configure(s, serial);
    wl_surface_attach(surface, buffer, 0, 0); wl_surface_damage(surface, 0, 0, W, H); wl_surface_commit(surface);
}
static const struct xdg_surface_listener surface_listener = {configure};
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
    xsurface = xdg_wm_base_get_xdg_surface(base, surface);
    xdg_surface_add_listener(xsurface, &surface_listener, NULL);
    toplevel = xdg_surface_get_toplevel(xsurface);
    xdg_toplevel_set_app_id(toplevel, "wlfloor");
    xdg_toplevel_set_min_size(toplevel, W, H); xdg_toplevel_set_max_size(toplevel, W, H);
    wl_surface_commit(surface);
}
static void hide(void) {
    xdg_toplevel_destroy(toplevel); xdg_surface_destroy(xsurface); wl_surface_destroy(surface);
    surface = NULL;
}
int main(void) {
    struct wl_display *display = wl_display_connect(NULL); if (!display) return 2;
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !base) return 2;
    xdg_wm_base_add_listener(base, &base_listener, NULL);
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
