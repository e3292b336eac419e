// The process entry: the command line after the program's name, the show command and the
// module handle reach WinMain, and WinMain's result becomes the exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

// Runs the probe through the shell with the given argument text; returns its output.
std::string RunProbe(const std::string& arguments, int* exitCode) {
    std::string command = std::string("'") + ENTRY_PROBE_PATH + "' " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "";
    }
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        out += buffer;
    }
    int status = pclose(pipe);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(Entry, WithoutArgumentsTheCommandLineIsEmpty) {
    int code = 0;
    EXPECT_EQ(RunProbe("", &code), "[] show 10 instance 1 previous 0\n");
    EXPECT_EQ(code, 5);
}

TEST(Entry, ArgumentsKeepTheirBoundariesAsWin32QuotesThem) {
    int code = 0;
    EXPECT_EQ(RunProbe("one two", &code), "[one two] show 10 instance 1 previous 0\n");
    EXPECT_EQ(code, 5);
    // An argument with a blank is quoted, an embedded quote escaped, an empty one is "";
    // backslashes are doubled only where a quote follows them.
    EXPECT_EQ(RunProbe("'two words' 'say \"hi\"' 'a\"b' '' 'back\\slash' 'my dir\\'", &code),
              "[\"two words\" \"say \\\"hi\\\"\" a\\\"b \"\" back\\slash \"my dir\\\\\"] show 10 "
              "instance 1 "
              "previous 0\n");
}

} // namespace
