// A small registry store: keys under HKEY_CURRENT_USER holding REG_SZ and REG_DWORD values.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "core.h"

namespace {

struct Value {
    DWORD type;
    std::vector<BYTE> data;
};

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

typedef std::map<std::string, Value, NoCase> Key;

struct RegistryState {
    std::map<std::string, Key, NoCase> store;
    bool populated = false;
    HandleTable<std::string> openKeys; // the paths of open keys
};
FileState<RegistryState> state;

// The standard colours, as the registry keeps them: "red green blue".
void Populate(void) {
    if (state.populated) {
        return;
    }
    state.populated = true;
    static const char* const names[25] = {
        "Scrollbar",     "Background",     "ActiveTitle",  "InactiveTitle", "Menu",
        "Window",        "WindowFrame",    "MenuText",     "WindowText",    "TitleText",
        "ActiveBorder",  "InactiveBorder", "AppWorkspace", "Hilight",       "HilightText",
        "ButtonFace",    "ButtonShadow",   "GrayText",     "ButtonText",    "InactiveTitleText",
        "ButtonHilight", "ButtonDkShadow", "ButtonLight",  "InfoText",      "InfoWindow"};
    Key& colors = state.store["Control Panel\\Colors"];
    for (int i = 0; i < 25; ++i) {
        COLORREF c = GetSysColor(i);
        std::string text = std::to_string(GetRValue(c)) + " " + std::to_string(GetGValue(c)) + " " +
                           std::to_string(GetBValue(c));
        colors[names[i]] = Value{REG_SZ, std::vector<BYTE>(text.begin(), text.end() + 1)};
    }
}

// A key exists when it holds values of its own or has a subkey; HKEY_CURRENT_USER itself
// (the empty path) always does.
bool KeyExists(const std::string& path) {
    if (path.empty() || state.store.find(path) != state.store.end()) {
        return true;
    }
    std::string prefix = path + "\\";
    for (const auto& entry : state.store) {
        if (entry.first.size() > prefix.size() &&
            strncasecmp(entry.first.c_str(), prefix.c_str(), prefix.size()) == 0) {
            return true;
        }
    }
    return false;
}

std::string Normalise(const char* path) {
    std::string out = path ? path : "";
    while (!out.empty() && out.back() == '\\') {
        out.pop_back();
    }
    return out;
}

// The path of a subkey below a key's path.
std::string Join(const std::string& parent, const char* subKey) {
    std::string sub = Normalise(subKey);
    if (parent.empty() || sub.empty()) {
        return parent + sub;
    }
    return parent + "\\" + sub;
}

// The full path of a subkey of an open key or of HKEY_CURRENT_USER; false for a bad handle.
bool PathOf(HKEY key, LPCSTR subKey, std::string* path) {
    if (key == HKEY_CURRENT_USER) {
        *path = Normalise(subKey);
        return true;
    }
    std::string* parent = HandleGet(state.openKeys, KIND_KEY, key);
    if (parent == nullptr) {
        return false;
    }
    *path = Join(*parent, subKey);
    return true;
}

} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    NoteCall("RegOpenKeyExA");
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    Populate();
    std::string path;
    if (!PathOf(key, subKey, &path)) {
        return ERROR_INVALID_HANDLE;
    }
    if (!KeyExists(path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    *result = reinterpret_cast<HKEY>(HandleAdd(state.openKeys, KIND_KEY, path));
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) {
    NoteCall("RegQueryValueExA");
    std::string* open = HandleGet(state.openKeys, KIND_KEY, key);
    if (open == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (reserved != nullptr || (data != nullptr && size == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    auto k = state.store.find(*open);
    if (k == state.store.end()) {
        return ERROR_FILE_NOT_FOUND; // a key with subkeys only, or deleted since
    }
    auto v = k->second.find(name ? name : "");
    if (v == k->second.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    DWORD needed = static_cast<DWORD>(v->second.data.size());
    if (type != nullptr) {
        *type = v->second.type;
    }
    if (data == nullptr) {
        if (size != nullptr) {
            *size = needed;
        }
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed > 0) { // an empty value's storage may be null
        std::memcpy(data, v->second.data.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    NoteCall("RegCloseKey");
    if (HandleGet(state.openKeys, KIND_KEY, key) == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    HandleRemove(state.openKeys, KIND_KEY, key);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPVOID,
                               PHKEY result, LPDWORD disposition) {
    Populate();
    std::string path;
    if (result == nullptr || !PathOf(key, subKey, &path)) {
        return ERROR_INVALID_HANDLE;
    }
    bool existed = state.store.find(path) != state.store.end();
    state.store[path];
    if (disposition != nullptr) {
        *disposition = existed ? 2 : 1; // REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY
    }
    *result = reinterpret_cast<HKEY>(HandleAdd(state.openKeys, KIND_KEY, path));
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data,
                              DWORD size) {
    std::string* open = HandleGet(state.openKeys, KIND_KEY, key);
    if (open == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    state.store[*open][name ? name : ""] = Value{type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    Populate();
    std::string path;
    if (!PathOf(key, subKey, &path)) {
        return ERROR_INVALID_HANDLE;
    }
    return state.store.erase(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

#ifdef VORLANTH_TEST_HOOKS
void CoreRegistrySet(const char* path, const char* name, DWORD type, const void* data,
                     size_t size) {
    Populate();
    const BYTE* bytes = static_cast<const BYTE*>(data);
    state.store[Normalise(path)][name ? name : ""] =
        Value{type, std::vector<BYTE>(bytes, bytes + size)};
}

void CoreRegistryDeleteKey(const char* path) {
    Populate();
    state.store.erase(Normalise(path));
}

void CoreRegistryCreateKey(const char* path) {
    Populate();
    state.store[Normalise(path)];
}
#endif
