// Internal records of the platform core, shared by its files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "backend.h"
#include "core_test_hooks.h"

// Handles are small numbers with a kind and a generation, never pointers: a stale or
// foreign handle is recognised and refused instead of touching freed memory.
enum HandleKind : uint32_t {
    KIND_WINDOW = 1,
    KIND_DC = 2,
    KIND_CONTEXT = 3,
    KIND_PALETTE = 4,
    KIND_BRUSH = 5,
    KIND_KEY = 6,
    KIND_ICON = 7,
    KIND_INSTANCE = 8
};

// Records live in stable storage: slots are only ever appended to a deque, never moved or
// freed until a reset of the whole desktop. A record pointer therefore stays valid memory
// however many windows (or classes, DCs, palettes) a window procedure creates or destroys
// meanwhile; a missed look-up can never read freed memory. What a callback can do is end the
// record's own object (its slot is then unused, and may later hold another under a new
// generation), so code that calls a window procedure asks FindWindow again, with the handle,
// before it uses the record after the call.
template <typename T> struct HandleTable {
    struct Slot {
        bool used = false;
        uint32_t generation = 0;
        T value{};
    };
    std::deque<Slot> slots;
};

uintptr_t EncodeHandle(HandleKind kind, uint32_t index, uint32_t generation);
bool DecodeHandle(uintptr_t handle, HandleKind kind, uint32_t* index, uint32_t* generation);

template <typename T> uintptr_t HandleAdd(HandleTable<T>& table, HandleKind kind, const T& value) {
    uint32_t index = 0;
    while (index < table.slots.size() && table.slots[index].used) {
        ++index;
    }
    if (index == table.slots.size()) {
        table.slots.emplace_back();
    }
    auto& slot = table.slots[index];
    slot.used = true;
    slot.generation = (slot.generation + 1) & 0x7FF;
    slot.value = value;
    return EncodeHandle(kind, index, slot.generation);
}

template <typename T> T* HandleGet(HandleTable<T>& table, HandleKind kind, const void* handle) {
    uint32_t index, generation;
    if (!DecodeHandle(reinterpret_cast<uintptr_t>(handle), kind, &index, &generation) ||
        index >= table.slots.size()) {
        return nullptr;
    }
    auto& slot = table.slots[index];
    if (!slot.used || slot.generation != generation) {
        return nullptr;
    }
    return &slot.value;
}

template <typename T>
void HandleRemove(HandleTable<T>& table, HandleKind kind, const void* handle) {
    uint32_t index, generation;
    if (DecodeHandle(reinterpret_cast<uintptr_t>(handle), kind, &index, &generation) &&
        index < table.slots.size() && table.slots[index].generation == generation) {
        table.slots[index].used = false;
        table.slots[index].value = T{};
    }
}

struct WindowClass {
    std::string name; // compared without regard to case
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
};

// Whether the display's next exposure of a window repeats the paint that showing or restoring
// it asked for: from the show until the display says the window is viewable, then up to the
// exposure that comes with that.
enum class ShowExposure { NONE, AWAIT_VIEWABLE, REPEATS_SHOW };

struct WindowRecord {
    std::string title; // UTF-8
    std::string className;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    RECT outer{};    // screen coordinates
    RECT restored{}; // outer rectangle before minimizing
    bool visible = false;
    bool minimized = false;
    bool destroying = false;
    bool invalid = false;
    bool erase = false;
    RECT invalidRect{}; // client coordinates
    HDC dc = nullptr;
    int pixelFormat = 0;
    void* native = nullptr;
    unsigned long raised = 0; // when it last came to the top: shown or activated
    bool disabled = false;    // takes no input: the owner of a message box
    ShowExposure showExposure = ShowExposure::NONE;
    bool displayActive = false; // what the display said last of its activation
};

struct DcRecord {
    HWND window = nullptr; // null: the screen
    HPALETTE palette = nullptr;
    bool background = false;
};

struct PaletteRecord {
    std::vector<PALETTEENTRY> entries;
    std::vector<int> mapping; // system palette index of each entry, -1 until realized
    bool stock = false;
};

struct ContextRecord {
    void* native = nullptr;
    HDC dc = nullptr; // the DC it was created for
    int pixelFormat = 0;
};

extern HandleTable<WindowRecord> windows;
extern HandleTable<DcRecord> dcs;
extern HandleTable<PaletteRecord> palettes;
extern HandleTable<ContextRecord> contexts;

// Classes (core_class.cpp).
WindowClass* FindClass(const std::string& name);
std::string Utf16ToUtf8(const WCHAR* text);

// Windows (core_window.cpp).
WindowRecord* FindWindow(HWND window);
std::vector<HWND> TopLevelWindows(void);
// The topmost visible window (`filter` alone unless null) with an invalid region, or null.
// Asked on every turn of a message loop, so it allocates nothing.
HWND FirstWindowToPaint(HWND filter);
// The backend the program selected at start (backend_select.h).
const PlatformBackend* Backend(void);
// 1 once a backend was selected and started.
int BackendReady(void);

LRESULT CallWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SendToTopLevel(UINT message, WPARAM wParam, LPARAM lParam);

// Placement (core_placement.cpp).
// Client rectangle of a window in screen coordinates.
RECT ClientScreenRect(const WindowRecord& record);
// Two coordinates as one lParam, each a 16-bit half.
LPARAM PackPoint(int x, int y);
// WM_SIZE and then, unless the window went meanwhile, WM_MOVE with its current client area.
void SendSizeAndMove(HWND window, WindowRecord* record);
// The display resized or moved the client area.
void ResizeFromDisplay(HWND window, int clientWidth, int clientHeight);
void MoveFromDisplay(HWND window, int clientX, int clientY);

// Showing and activation (core_activation.cpp). ActivateWindow returns 0 when the window
// is gone (also when the previous window's WM_ACTIVATE destroyed it).
int ActivateWindow(HWND window, int active);
// A going window that is the active one passes activation to the topmost other shown
// top-level window, or, when there is none, leaves nothing active.
void HandOverActivation(HWND window);
// Minimized (true) or restored, with the messages Win32 sends.
void MinimizeWindow(HWND window, bool minimized);

// Painting (core_paint.cpp).
void InvalidateAll(HWND window);
// Invalidates the whole client area and erases its background at once, as showing or
// restoring a window does before it is told its size; WM_PAINT follows from the queue.
void EraseNow(HWND window);
bool EraseBackground(HWND window);

// The queue (core_queue.cpp). An input message remembers the key state at the time and may
// carry a key press's character (MSG.lPrivate).
void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD carried = 0);
// Input messages waiting to be retrieved: any (buttonsOnly false) or mouse buttons only.
bool InputWaiting(bool buttonsOnly);
// A message TranslateMessage made, posted ahead of later input.
void PostTranslated(const MSG& message);
void ForgetWindowInQueue(HWND window);

// Raw input (core_input.cpp): what the backend reported, turned into messages in order as the
// program retrieves them. False when the window takes no input (gone or disabled).
void ResolveRawInput(void);
bool TakesInput(HWND window);
// A box's answers still queued go with the box (core_input.cpp); an answer reaches the box
// that is up (core_message_box.cpp).
void ForgetMessageBoxAnswers(void* box);
void AnswerMessageBox(void* box, int button);

// The keyboard (core_keyboard.cpp): key state, bit 0x80 down and 0x01 toggled.
const uint8_t* LiveKeyState(void);                // 256 entries, as the keys are now
void KeysOfRetrievedMessage(const uint8_t* keys); // the state GetKeyState reports from now
bool KeyIsDown(int virtualKey);
void SetKeyDown(int virtualKey, bool down);
// A key went down or up; a press may carry the layout's character (-1: none given).
void QueueKey(HWND window, int virtualKey, bool down, int character);
void SetModifierKeys(bool shift, bool control, bool alt);
void SetCapsLockToggle(bool on);

// A pixel format: its descriptor and the backend's configuration behind it (null in a
// list a test set).
struct PixelFormat {
    PIXELFORMATDESCRIPTOR descriptor;
    void* config;
};
// The display's configurations described, look-alikes merged, in order (core_pixel_formats.cpp).
std::vector<PixelFormat> DescribePixelConfigs(const PlatformPixelConfig* configs, int count);

// GDI objects and palettes (core_palette.cpp), OpenGL (core_opengl.cpp).
DcRecord* FindDc(HDC dc);
HPALETTE StockDefaultPalette(void);
bool BrushColor(HBRUSH brush, COLORREF* colour);
void ReleaseWindowGdi(HWND window);
COLORREF SysColor(int index); // GetSysColor, unrecorded

// Only the core that test programs link (VORLANTH_TEST_HOOKS) carries the test entry points
// of core_test_hooks.h and the hooks; in the desktop program the hook sites compile to
// nothing, so the call sites read the same in both.
#ifdef VORLANTH_TEST_HOOKS
// Each file's state, one structure T held as a FileState<T>, goes back to a fresh start as a
// whole with all the others (CoreReset).
void ResetWithCore(std::function<void()> reset);
template <typename T> struct FileState : T {
    FileState() {
        ResetWithCore([this] { static_cast<T&>(*this) = T{}; });
    }
};

// The test desktop's hooks (core_test_hooks.h), null in the desktop program.
extern const CoreTestHooks* testHooks;
inline void NoteCall(const char* name) {
    if (testHooks != nullptr && testHooks->Called != nullptr) {
        testHooks->Called(name);
    }
}
inline bool InjectedFailure(const char* what, int argument = 0) {
    return testHooks != nullptr && testHooks->Fails != nullptr && testHooks->Fails(what, argument);
}
inline void NoteInvalidated(HWND window) {
    if (testHooks != nullptr && testHooks->Invalidated != nullptr) {
        testHooks->Invalidated(window);
    }
}
inline void NoteAllocated(void) {
    if (testHooks != nullptr && testHooks->Allocated != nullptr) {
        testHooks->Allocated();
    }
}
inline void NoteStalled(void) {
    if (testHooks != nullptr && testHooks->Stalled != nullptr) {
        testHooks->Stalled();
    }
}
#else
template <typename T> using FileState = T;
#define NoteCall(name) ((void)0)
#define InjectedFailure(...) false
#define NoteInvalidated(window) ((void)0)
#define NoteAllocated() ((void)0)
#define NoteStalled() ((void)0)
#endif
