// The backend chosen at start: VORLANTH_PLATFORM names it, an unknown or absent one is
// refused with a message, without it the first that connects is used; the desktop program
// without a display says what it tried and exits with 1, and loads Wayland's libraries only
// where a compositor is named.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs a program under `env -i` with the given environment; returns standard output and
// standard error together.
std::string RunWith(const std::string& environment, const char* program, int* exitCode) {
    std::string command = "env -i " + environment + " '" + program + "' 2>&1";
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

TEST(BackendSelection, TheNamedBackendIsTheOneUsed) {
    int code = -1;
    EXPECT_EQ(RunWith("VORLANTH_PLATFORM=virtual DISPLAY=:0", SELECT_PROBE_PATH, &code),
              "backend virtual\n");
    EXPECT_EQ(code, 0);
}

TEST(BackendSelection, AnUnknownNameIsRefusedWithWhatTheProgramHas) {
    int code = -1;
    EXPECT_EQ(RunWith("VORLANTH_PLATFORM=bogus", SELECT_PROBE_PATH, &code),
              "backend_select_probe: VORLANTH_PLATFORM=bogus is not a backend of this program (it "
              "has: wayland, x11, virtual)\n");
    EXPECT_EQ(code, 1);
}

TEST(BackendSelection, ANamedBackendThatCannotConnectIsNotReplaced) {
    int code = -1;
    EXPECT_EQ(RunWith("VORLANTH_PLATFORM=x11", SELECT_PROBE_PATH, &code),
              "backend_select_probe: VORLANTH_PLATFORM=x11 cannot run: tried x11 (no X display: "
              "DISPLAY is not set)\n");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(RunWith("VORLANTH_PLATFORM=wayland XDG_RUNTIME_DIR=/tmp "
                      "WAYLAND_DISPLAY=no-such-compositor",
                      SELECT_PROBE_PATH, &code),
              "backend_select_probe: VORLANTH_PLATFORM=wayland cannot run: tried wayland (cannot "
              "connect to the Wayland compositor \"no-such-compositor\")\n");
    EXPECT_EQ(code, 1);
}

TEST(BackendSelection, WithoutANameTheFirstThatConnectsIsUsed) {
    int code = -1;
    EXPECT_EQ(RunWith("", SELECT_PROBE_PATH, &code), "backend virtual\n");
    EXPECT_EQ(code, 0);
}

TEST(BackendSelection, TheDesktopProgramWithoutADisplaySaysWhatItTriedAndExitsWithOne) {
    int code = -1;
    EXPECT_EQ(RunWith("DISPLAY=:377", VORLANTH_PATH, &code),
              "vorlanth: no display to run on: tried wayland (WAYLAND_DISPLAY is not set), x11 "
              "(cannot open the X display \":377\")\n");
    EXPECT_EQ(code, 1);
}

TEST(BackendSelection, TheDesktopProgramDoesNotCarryTheVirtualDesktop) {
    int code = -1;
    EXPECT_EQ(RunWith("VORLANTH_PLATFORM=virtual", VORLANTH_PATH, &code),
              "vorlanth: VORLANTH_PLATFORM=virtual is not a backend of this program (it has: "
              "wayland, x11)\n");
    EXPECT_EQ(code, 1);
}

// The desktop program loads the Wayland libraries only in a Wayland session, from its module
// beside it; the dynamic loader's log (LD_DEBUG=files) names every file it loads.
TEST(BackendSelection, TheDesktopProgramLoadsWaylandOnlyWhenACompositorIsNamed) {
    const std::string noX = "LD_DEBUG=files DISPLAY=:377 ";
    const std::string named = "XDG_RUNTIME_DIR=/tmp WAYLAND_DISPLAY=no-such-compositor ";
    const std::string tried = "vorlanth: no display to run on: tried wayland (";
    const std::string x11 = "), x11 (cannot open the X display \":377\")\n";
    int code = -1;
    std::string out = RunWith(noX, VORLANTH_PATH, &code);
    for (const char* library : {"vorlanth-wayland.so", "libwayland-client", "libEGL", "libdecor"}) {
        EXPECT_EQ(out.find(library), std::string::npos) << library << " was loaded:\n" << out;
    }
    EXPECT_NE(out.find(tried + "WAYLAND_DISPLAY is not set" + x11), std::string::npos) << out;

    out = RunWith(noX + named, VORLANTH_PATH, &code);
    EXPECT_NE(out.find("vorlanth-wayland.so"), std::string::npos) << out;
    EXPECT_NE(out.find("libwayland-client.so.0"), std::string::npos) << out;
    EXPECT_NE(
        out.find(tried + "cannot connect to the Wayland compositor \"no-such-compositor\"" + x11),
        std::string::npos)
        << out;
    EXPECT_EQ(code, 1);

    // A copy of the program without its module says so, and goes on to X11.
    char folder[] = "/tmp/vorlanth-alone-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    std::string copy = std::string(folder) + "/vorlanth";
    ASSERT_EQ(std::system(("cp '" VORLANTH_PATH "' '" + copy + "'").c_str()), 0);
    out = RunWith("DISPLAY=:377 " + named, copy.c_str(), &code);
    EXPECT_NE(out.find(tried + "cannot load the Wayland backend: " + folder + "/"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("vorlanth-wayland.so: cannot open shared object file"), std::string::npos)
        << out;
    EXPECT_NE(out.find(x11), std::string::npos) << out;
    EXPECT_EQ(code, 1);
    EXPECT_EQ(std::system(("rm -rf '" + std::string(folder) + "'").c_str()), 0);
}

} // namespace
