// Buffers in shared memory: a message box's pixels, and a window's background, which shows
// as soon as the window does, as the system erases a window before its program draws, until
// the window's first OpenGL frame replaces it.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "wayland.h"

wl_buffer* WaylandShmBuffer(int width, int height, uint32_t** pixels) {
    size_t bytes = static_cast<size_t>(width) * 4 * static_cast<size_t>(height);
    int fd = memfd_create("vorlanth-buffer", MFD_CLOEXEC);
    void* memory = fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0
                       ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                       : MAP_FAILED;
    if (memory == MAP_FAILED) {
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    *pixels = static_cast<uint32_t*>(memory);
    wl_shm_pool* pool = wl_shm_create_pool(waylandShm, fd, static_cast<int32_t>(bytes));
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

void WaylandShowBackground(WaylandWindow* native) {
    if (!native->configured || native->drawn || !native->backgroundSet) {
        return;
    }
    int width = WaylandBufferSize(native->width, native->scale);
    int height = WaylandBufferSize(native->height, native->scale);
    uint32_t* pixels = nullptr;
    wl_buffer* buffer = WaylandShmBuffer(width, height, &pixels);
    if (buffer == nullptr) {
        return; // the window shows with its first frame instead
    }
    COLORREF c = native->background;
    std::fill(pixels, pixels + static_cast<size_t>(width) * height,
              0xFF000000u | GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    munmap(pixels, static_cast<size_t>(width) * 4 * static_cast<size_t>(height));
    wl_surface_attach(native->surface, buffer, 0, 0);
    wl_surface_damage(native->surface, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(native->surface);
    WaylandDropBackground(native);
    native->backgroundBuffer = buffer;
    wl_display_flush(waylandDisplay);
}

void WaylandDropBackground(WaylandWindow* native) {
    if (native->backgroundBuffer != nullptr) {
        wl_buffer_destroy(native->backgroundBuffer);
        native->backgroundBuffer = nullptr;
    }
}

// Erasing before the first frame paints the whole window; once OpenGL draws, its frame stays
// until the next.
void WaylandPaintBackground(void* handle, const RECT*, COLORREF colour) {
    WaylandWindow* native = WaylandNative(handle);
    native->background = colour;
    native->backgroundSet = true;
    WaylandShowBackground(native);
}
