// Win32's type sizes and layouts on this host, and handle validation: stale, foreign and
// destroyed handles make calls fail as Win32 fails them, without touching freed records.
#include <gtest/gtest.h>

#include <cstddef>

#include "desk.h"

namespace {

// Sizes and offsets of the 64-bit Win32 ABI.
static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(SHORT) == 2);
static_assert(sizeof(LONG) == 4 && sizeof(DWORD) == 4 && sizeof(UINT) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*) &&
              sizeof(LRESULT) == sizeof(void*));
static_assert(sizeof(COLORREF) == 4 && sizeof(ATOM) == 2);
static_assert(sizeof(RECT) == 16 && sizeof(POINT) == 8 && sizeof(PALETTEENTRY) == 4);
static_assert(sizeof(LOGPALETTE) == 8);
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, iPixelType) == 8);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, cDepthBits) == 23);
static_assert(offsetof(PIXELFORMATDESCRIPTOR, dwLayerMask) == 28);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(offsetof(OSVERSIONINFOA, szCSDVersion) == 20);
static_assert(sizeof(void*) != 8 || sizeof(MSG) == 48);
static_assert(sizeof(void*) != 8 || offsetof(MSG, pt) == 36);
static_assert(sizeof(void*) != 8 || sizeof(PAINTSTRUCT) == 72);

TEST(Types, PackingMacrosKeepSignedHalvesAndColourOrder) {
    EXPECT_EQ(RGB(1, 2, 3), 0x00030201u);
    EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
    EXPECT_EQ(GetGValue(RGB(10, 20, 30)), 20);
    EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);
    LPARAM packed = MAKELPARAM(static_cast<WORD>(-5), static_cast<WORD>(-32000));
    EXPECT_EQ(GET_X_LPARAM(packed), -5);
    EXPECT_EQ(GET_Y_LPARAM(packed), -32000);
    EXPECT_EQ(LOWORD(packed), 0xFFFB);
    EXPECT_EQ(HIWORD(packed), 33536);
}

class Handles : public DesktopTest {};

// A window call failed with Win32's error for a bad window handle.
void ExpectWindowError(bool failed) {
    EXPECT_TRUE(failed);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
}

// Every window call refuses the handle the same way.
void ExpectRefusedWindow(HWND bad) {
    RECT r;
    PAINTSTRUCT paint;
    SetLastError(0);
    EXPECT_FALSE(IsWindow(bad));
    ExpectWindowError(!ShowWindow(bad, SW_SHOW));
    ExpectWindowError(!GetClientRect(bad, &r));
    ExpectWindowError(!GetWindowRect(bad, &r));
    ExpectWindowError(!PostMessageA(bad, WM_USER, 0, 0));
    ExpectWindowError(SendMessageA(bad, WM_USER, 0, 0) == 0);
    ExpectWindowError(!InvalidateRect(bad, nullptr, FALSE));
    ExpectWindowError(GetDC(bad) == nullptr);
    ExpectWindowError(BeginPaint(bad, &paint) == nullptr);
    ExpectWindowError(!DestroyWindow(bad));
    EXPECT_EQ(SetCapture(bad), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    MSG msg{};
    msg.hwnd = bad;
    msg.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&msg), 0);
}

TEST_F(Handles, DestroyedWindowIsRefusedEvenWhenItsPlaceIsReused) {
    HWND old = CreateShownWindow();
    ASSERT_TRUE(DestroyWindow(old));
    HWND fresh = CreateShownWindow();
    EXPECT_NE(fresh, old);
    seen.clear();
    ExpectRefusedWindow(old);
    EXPECT_TRUE(seen.empty()); // the new window heard none of it
    EXPECT_TRUE(IsWindow(fresh));
    RECT r;
    EXPECT_TRUE(GetClientRect(fresh, &r));
}

TEST_F(Handles, ForeignValuesAreNoWindows) {
    HWND window = CreateShownWindow();
    HDC dc = GetDC(window);
    HPALETTE palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    ExpectRefusedWindow(reinterpret_cast<HWND>(dc));
    ExpectRefusedWindow(reinterpret_cast<HWND>(palette));
    ExpectRefusedWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x12345)));
    ExpectRefusedWindow(reinterpret_cast<HWND>(~static_cast<uintptr_t>(0)));
    RECT r;
    EXPECT_FALSE(GetClientRect(HWND_BROADCAST, &r));
    // A window handle is no device context either.
    EXPECT_EQ(SelectPalette(reinterpret_cast<HDC>(window), palette, FALSE), nullptr);
    EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(dc), FALSE), nullptr);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(window)));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(Handles, DeviceContextAndRenderingContextOfADestroyedWindowAreRefused) {
    HWND window = CreateShownWindow();
    HDC dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.cColorBits = 24;
    int format = ChoosePixelFormat(dc, &pfd);
    ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
    HGLRC context = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    HPALETTE palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));

    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(wglGetCurrentContext(), nullptr); // the drawable went with the window
    EXPECT_EQ(ReleaseDC(window, dc), 0);
    EXPECT_EQ(SelectPalette(dc, palette, FALSE), nullptr);
    EXPECT_EQ(RealizePalette(dc), static_cast<UINT>(GDI_ERROR));
    EXPECT_EQ(ChoosePixelFormat(dc, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(dc, 1, sizeof pfd, &pfd), 0);
    EXPECT_FALSE(SetPixelFormat(dc, format, &pfd));
    EXPECT_EQ(GetPixelFormat(dc), 0);
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_EQ(wglCreateContext(dc), nullptr);
    EXPECT_FALSE(wglMakeCurrent(dc, context));

    // The context itself outlives the window until deleted, once.
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglDeleteContext(context));
    EXPECT_FALSE(wglMakeCurrent(GetDC(CreateShownWindow()), context));
}

TEST_F(Handles, NullHandlesAreRefusedToo) {
    RECT r;
    SetLastError(0);
    ExpectWindowError(!GetClientRect(nullptr, &r));
    ExpectWindowError(!DestroyWindow(nullptr));
    EXPECT_EQ(SelectPalette(nullptr, nullptr, FALSE), nullptr);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(SwapBuffers(nullptr));
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(wglDeleteContext(nullptr));
}

} // namespace
