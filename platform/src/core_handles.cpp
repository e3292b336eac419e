#include "core.h"
#include "core_events.h"

#include "backend_select.h"

// Layout of a handle value: kind in bits 28-31, generation in 16-26, index + 1 in 0-15.
// Every value is far above HWND_BROADCAST (0xFFFF) and never null.
uintptr_t EncodeHandle(HandleKind kind, uint32_t index, uint32_t generation) {
    return (static_cast<uintptr_t>(kind) << 28) | (static_cast<uintptr_t>(generation) << 16) |
           static_cast<uintptr_t>(index + 1);
}

bool DecodeHandle(uintptr_t handle, HandleKind kind, uint32_t* index, uint32_t* generation) {
    if ((handle >> 28) != kind || (handle & 0xFFFF) == 0 || handle > 0xFFFFFFFFu) {
        return false;
    }
    *index = static_cast<uint32_t>(handle & 0xFFFF) - 1;
    *generation = static_cast<uint32_t>((handle >> 16) & 0x7FF);
    return true;
}

HandleTable<WindowRecord> windows;
HandleTable<DcRecord> dcs;
HandleTable<PaletteRecord> palettes;
HandleTable<ContextRecord> contexts;

const PlatformBackend* Backend(void) { return PlatformSelectedBackend(); }

int BackendReady(void) { return PlatformSelectedBackend() != nullptr; }

#ifdef VORLANTH_TEST_HOOKS
const CoreTestHooks* testHooks = nullptr;

void CoreSetTestHooks(const CoreTestHooks* hooks) { testHooks = hooks; }

namespace {
// Filled as the files' states are constructed, before the program's main.
std::vector<std::function<void()>>& FileStateResets(void) {
    static std::vector<std::function<void()>> resets;
    return resets;
}
} // namespace

void ResetWithCore(std::function<void()> reset) { FileStateResets().push_back(std::move(reset)); }

void CoreReset(void) {
    for (HWND window : TopLevelWindows()) {
        WindowRecord* record = FindWindow(window);
        if (record->native != nullptr) {
            Backend()->DestroyNativeWindow(record->native);
        }
    }
    windows = HandleTable<WindowRecord>{};
    dcs = HandleTable<DcRecord>{};
    palettes = HandleTable<PaletteRecord>{};
    contexts = HandleTable<ContextRecord>{};
    for (const std::function<void()>& reset : FileStateResets()) {
        reset();
    }
}
#endif
