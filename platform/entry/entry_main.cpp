// The process entry on hosts without Win32: picks the backend from the program's list
// and hands the program's WinMain its start-up arguments, as the Win32 runtime does.
#include <windows.h>

#include <string>

#include "backend_select.h"

namespace {

// Appends one argument as a Win32 command line carries it, so that the runtime's splitting
// gives it back unchanged: quoted when empty or holding blanks or quotes, quotes escaped
// with a backslash, backslashes doubled only where they come before a quote.
void AppendArgument(std::string* line, const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        *line += argument;
        return;
    }
    bool quoted = argument.empty() || argument.find_first_of(" \t\n\v") != std::string::npos;
    if (quoted) {
        *line += '"';
    }
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            line->append(backslashes * 2 + 1, '\\');
        } else {
            line->append(backslashes, '\\');
        }
        backslashes = 0;
        *line += c;
    }
    line->append(quoted ? backslashes * 2 : backslashes, '\\');
    if (quoted) {
        *line += '"';
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!PlatformSelectBackend(programBackends, programBackendCount)) {
        return 1;
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        AppendArgument(&commandLine, argv[i]);
    }
    int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    PlatformFinishBackend(); // as ExitProcess does, which the return from WinMain stands for
    return exitCode;
}
