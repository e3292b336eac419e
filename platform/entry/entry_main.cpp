// The process entry on hosts without Win32: hands the program's WinMain its start-up
// arguments, as the Win32 runtime does.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
