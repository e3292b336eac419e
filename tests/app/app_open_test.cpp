// Opening the window through the app kit on the virtual desktop: the defaults it
// installs, and the fallback from a single to a double buffer.
#include <gtest/gtest.h>

#include <string>

#include "appkit.h"
#include "desk.h"
#include "gl.h"
#include "scene.h"
#include "toolkit.h"

namespace {

const char warningText[] =
    "Can't initialize a single buffer visual. Will use a double buffer visual instead, only "
    "drawing into the front buffer.";

int CountBoxes(const char* caption) {
    int n = 0;
    for (const DeskMessageBox& box : DeskMessageBoxes()) n += box.caption == caption;
    return n;
}

void ReshapeBefore(int32_t, int32_t) {}
int32_t KeyBefore(int32_t, int32_t) { return 0; }

int frames = 0;
void CountAndClose() {
    frames++;
    AppSwapBuffers();
    if (frames == 3) WtCloseWindow(windowState.window);
}

} // namespace

TEST(AppOpen, InstallsTheDefaultsAndBindsEscape) {
    AppSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    WtSetReshapeHandler(ReshapeBefore);
    WtSetKeyDownHandler(KeyBefore);
    ASSERT_EQ(AppOpenWindow("Vorlanth"), 1);
    EXPECT_EQ(windowState.reshape, &AppDefaultReshape);
    EXPECT_EQ(windowState.expose, &AppDefaultExpose);
    EXPECT_EQ(windowState.keyDown, &AppDispatchKey);
    EXPECT_EQ(windowState.mouseDown, &AppDispatchMouseDown);
    EXPECT_EQ(windowState.mouseUp, &AppDispatchMouseUp);
    EXPECT_EQ(windowState.mouseMove, &AppDispatchMouseMove);
    ASSERT_EQ(appKeyCount, 1);
    EXPECT_EQ(AppKeyTable[0].key, 27);
    EXPECT_EQ(AppKeyTable[0].action, &AppQuit);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);
    GLint drawBuffer = 0;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(drawBuffer, GL_BACK);
    EXPECT_EQ(CountBoxes("Warning"), 0);

    // The default reshape: one unit per pixel, origin at the lower left.
    AppDefaultReshape(600, 500);
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_NEAR(m[0], 2.0 / 600, 1e-7); // held as floats
    EXPECT_NEAR(m[5], 2.0 / 500, 1e-7); // held as floats
    EXPECT_NEAR(m[10], -1.0, 1e-7);     // held as floats
    EXPECT_NEAR(m[12], -1.0, 1e-7);     // held as floats
    EXPECT_NEAR(m[13], -1.0, 1e-7);     // held as floats
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[2], 600);
    EXPECT_EQ(v[3], 500);
    // A second successful open appends another Escape binding.
    WtCloseWindow(windowState.window);
    ASSERT_EQ(AppOpenWindow("Vorlanth"), 1);
    EXPECT_EQ(appKeyCount, 2);
}

TEST(AppOpen, DoubleBufferedModeThatCannotOpenFailsWithoutRetryOrWarning) {
    AppSetDisplayMode(DM_DOUBLE | DM_DEPTH16);
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 1);
    EXPECT_EQ(AppOpenWindow("Vorlanth"), 0);
    EXPECT_EQ(CountBoxes("Warning"), 0);
    EXPECT_EQ(CountBoxes("Error"), 1) << "one attempt, reported once by the toolkit";
    EXPECT_EQ(windowState.displayMode, 258u);
    EXPECT_EQ(appDisplayMode, 258u);
    EXPECT_EQ(appKeyCount, 0) << "a failed open installs nothing";
    EXPECT_EQ(windowState.keyDown, nullptr);
}

TEST(AppOpen, SingleBufferedModeFallsBackToDrawingIntoTheFrontBuffer) {
    AppSetDisplayMode(DM_DEPTH16);
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 1);
    ASSERT_EQ(AppOpenWindow("Vorlanth"), 1);
    EXPECT_EQ(windowState.displayMode, DM_DEPTH16 | DM_DOUBLE);
    EXPECT_EQ(appDisplayMode, DM_DEPTH16 | DM_DOUBLE);
    int warnings = 0;
    for (const DeskMessageBox& box : DeskMessageBoxes()) {
        if (box.caption == "Warning") {
            warnings++;
            EXPECT_EQ(box.text, warningText);
        }
    }
    EXPECT_EQ(warnings, 1);
    GLint drawBuffer = 0;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    EXPECT_EQ(drawBuffer, GL_FRONT);
    EXPECT_EQ(appKeyCount, 1);
    // The loop then runs normally and returns when the window goes.
    frames = 0;
    AppSetIdleHandler(CountAndClose);
    AppMainLoop(CountAndClose);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(windowState.window, nullptr);
}

TEST(AppOpen, WithoutADisplayModeTheRetryAsksForADoubleBufferAlone) {
    // The toolkit's own default mode is colour index; the app kit remembers nothing.
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 2);
    EXPECT_EQ(AppOpenWindow("Vorlanth"), 0);
    EXPECT_EQ(windowState.displayMode, static_cast<DisplayMode>(DM_DOUBLE));
    EXPECT_EQ(appDisplayMode, 0u) << "the remembered mode changes only after a fallback worked";
    EXPECT_EQ(CountBoxes("Warning"), 0);
    EXPECT_EQ(CountBoxes("Error"), 2);
}

TEST(AppOpen, SceneEndsWithAnErrorCodeWhenNoWindowCanBeOpened) {
    VdeskFailNext(VDESK_FAIL_CHOOSE_FORMAT, 1000);
    // Mode 258 has no fallback: the entry gives up after the toolkit's message.
    EXPECT_NE(SceneMain(nullptr, "", 10), 0);
    EXPECT_EQ(CountBoxes("Error"), 1);
}
