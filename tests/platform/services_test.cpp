// System colours, the registry, local memory, the version, module handle and resources,
// and Sleep.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "desk.h"

namespace {

class Services : public DesktopTest {};

COLORREF paintedColour = 0;
int ReadsColourOnChange(HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_SYSCOLORCHANGE) {
        paintedColour = GetSysColor(COLOR_WINDOW); // already the new colour
    }
    return 0;
}

TEST_F(Services, SetSysColorsChangesOnlyTheGivenElementsAndTellsEveryWindowAtOnce) {
    HWND first = CreateShownWindow();
    HWND second = CreateShownWindow();
    COLORREF menu = GetSysColor(COLOR_MENU);
    reaction = ReadsColourOnChange;
    const INT elements[] = {COLOR_WINDOW, COLOR_BTNFACE};
    const COLORREF values[] = {RGB(1, 2, 3), RGB(250, 128, 5)};
    seen.clear();
    ASSERT_TRUE(SetSysColors(2, elements, values));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(1, 2, 3));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x000580FAu);
    EXPECT_EQ(GetSysColor(COLOR_MENU), menu);
    EXPECT_EQ(paintedColour, RGB(1, 2, 3));
    int toFirst = 0, toSecond = 0;
    for (const SeenMessage& s : seen) {
        if (s.message == WM_SYSCOLORCHANGE) {
            toFirst += s.window == first;
            toSecond += s.window == second;
        }
    }
    EXPECT_EQ(toFirst, 1);
    EXPECT_EQ(toSecond, 1);
    // And both have repainted before it returned: no paint is left waiting.
    int painted = 0;
    for (const SeenMessage& s : seen) {
        painted += s.message == WM_PAINT;
    }
    EXPECT_EQ(painted, 2);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

const char colors[] = "Control Panel\\Colors";

TEST_F(Services, RegistryKeysOpenCaseBlindAndMissingOnesAreNotFound) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, colors, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegQueryValueExA(key, "Window", nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);

    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "control panel\\COLORS", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // A key above one that exists exists too, and opens relative to an open key.
    HKEY panel = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel", 0, KEY_READ, &panel),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(panel, "Colors", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Window", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_GT(size, 0u);
    RegCloseKey(key);
    RegCloseKey(panel);

    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Nothing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    VdeskRegistryDeleteKey(colors);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, colors, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Services, RegistryValuesReportTypeAndSizeAndRefuseShortBuffers) {
    VdeskRegistrySetString(colors, "Terminated", "12 34 56", 1);
    VdeskRegistrySetString(colors, "Bare", "12 34 56", 0);
    VdeskRegistrySetDword(colors, "Number", 0x01020304);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, colors, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);

    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Terminated", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 9u); // eight characters and the zero

    BYTE small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Terminated", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 9u);

    char text[32];
    std::memset(text, 'x', sizeof text);
    size = sizeof text;
    ASSERT_EQ(
        RegQueryValueExA(key, "terminated", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 9u);
    EXPECT_STREQ(text, "12 34 56");

    // Stored without its zero: the size says so and no zero is added.
    std::memset(text, 'x', sizeof text);
    size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "Bare", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(std::memcmp(text, "12 34 56x", 9), 0);

    // An empty value: size 0 and nothing copied.
    VdeskRegistrySetString(colors, "Empty", "", 0);
    std::memset(text, 'x', sizeof text);
    size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(text[0], 'x');

    DWORD number = 0;
    size = sizeof number;
    ASSERT_EQ(
        RegQueryValueExA(key, "Number", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(number, 0x01020304u);

    size = sizeof text;
    EXPECT_EQ(
        RegQueryValueExA(key, "Missing", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
        ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Services, LocalMemoryZeroedWhenAskedAndFailureReported) {
    unsigned char* block = static_cast<unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) {
        ASSERT_EQ(block[i], 0) << i;
    }
    std::memset(block, 0xAB, 4096);
    EXPECT_EQ(LocalFree(block), nullptr);
    void* fixed = LocalAlloc(LMEM_FIXED, 16);
    ASSERT_NE(fixed, nullptr);
    std::memset(fixed, 1, 16);
    EXPECT_EQ(LocalFree(fixed), nullptr);
    EXPECT_EQ(VdeskLocalAllocCount(), 2);

    VdeskFailNext(VDESK_FAIL_LOCAL_ALLOC, 1);
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(LPTR, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    void* again = LocalAlloc(LPTR, 16);
    EXPECT_NE(again, nullptr);
    LocalFree(again);
}

TEST_F(Services, VersionNeedsTheStructureSize) {
    VdeskSetVersion(VER_PLATFORM_WIN32_NT, 3, 51);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 3u);
    EXPECT_EQ(info.dwMinorVersion, 51u);

    for (DWORD wrong : {0u, 100u, 147u}) {
        OSVERSIONINFOA bad{};
        bad.dwOSVersionInfoSize = wrong;
        SetLastError(0);
        EXPECT_FALSE(GetVersionExA(&bad)) << wrong;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << wrong;
        EXPECT_EQ(bad.dwMajorVersion, 0u);
    }
}

TEST_F(Services, ModuleIconCursorAndSleep) {
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    Sleep(0); // yields and returns
    auto start = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

} // namespace
