#include "desk_controls.h"

#include <cstring>

#include "vdesk_control.h"

void DeskFailNextCall(const char* function) {
    struct Entry {
        const char* name;
        VdeskFailure failure;
    };
    static const Entry entries[] = {{"RegisterClassA", VDESK_FAIL_REGISTER_CLASS},
                                    {"CreateWindowExA", VDESK_FAIL_CREATE_WINDOW},
                                    {"GetDC", VDESK_FAIL_GET_DC},
                                    {"ChoosePixelFormat", VDESK_FAIL_CHOOSE_FORMAT},
                                    {"SetPixelFormat", VDESK_FAIL_SET_FORMAT},
                                    {"wglCreateContext", VDESK_FAIL_CREATE_CONTEXT},
                                    {"wglMakeCurrent", VDESK_FAIL_MAKE_CURRENT},
                                    {"LocalAlloc", VDESK_FAIL_LOCAL_ALLOC},
                                    {"CreatePalette", VDESK_FAIL_CREATE_PALETTE}};
    for (const Entry& e : entries) {
        if (std::strcmp(e.name, function) == 0) {
            VdeskFailNext(e.failure, 1);
        }
    }
}

void DeskFailDescribeAt(int32_t number) { VdeskFailDescribeFormat(number); }

void DeskSetPixelFormats(const std::vector<PIXELFORMATDESCRIPTOR>& formats) {
    VdeskSetPixelFormats(formats.data(), static_cast<int>(formats.size()));
}

void DeskSetVersion(DWORD platformId, DWORD major, DWORD minor) {
    VdeskSetVersion(platformId, major, minor);
}

void DeskUsePaletteDisplay(bool needSystemPalette) { VdeskUsePaletteDisplay(needSystemPalette); }

std::vector<DeskMessageBox> DeskMessageBoxes(void) {
    std::vector<DeskMessageBox> boxes;
    for (int i = 0; i < VdeskMessageBoxCount(); ++i) {
        const VdeskMessageBoxRecord* r = VdeskMessageBoxAt(i);
        boxes.push_back(DeskMessageBox{r->owner, r->text, r->caption, r->type});
    }
    return boxes;
}

int32_t DeskInvalidationCount(void) {
    int32_t count = 0;
    for (int i = 0; i < VdeskCallCount(); ++i) {
        count += std::strcmp(VdeskCallAt(i), "InvalidateRect") == 0;
    }
    return count;
}

std::vector<std::string> DeskCallLog(void) {
    std::vector<std::string> log;
    for (int i = 0; i < VdeskCallCount(); ++i) {
        log.emplace_back(VdeskCallAt(i));
    }
    return log;
}

std::vector<PALETTEENTRY> DeskSystemPalette(void) {
    const PALETTEENTRY* entries = VdeskSystemPalette();
    return std::vector<PALETTEENTRY>(entries, entries + 256);
}
