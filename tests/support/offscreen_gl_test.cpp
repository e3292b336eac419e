#include <GL/gl.h>
#include <gtest/gtest.h>

#include "offscreen_gl.h"

TEST(OffscreenGl, ClearsAndReadsBackTheClearColour) {
    OffscreenGl gl;
    std::string error;
    ASSERT_TRUE(OffscreenGlCreate(&gl, 600, 500, &error)) << error;
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A green quad over the lower half, to check the row order of the read-back.
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 0);
    glVertex2f(-1, 0);
    glEnd();
    std::vector<Rgba8> pixels = OffscreenGlReadPixels(&gl);
    Rgba8 top = PixelAt(pixels, 600, 300, 10);
    Rgba8 bottom = PixelAt(pixels, 600, 300, 490);
    EXPECT_EQ(top.r, 255);
    EXPECT_EQ(top.g, 0);
    EXPECT_EQ(bottom.r, 0);
    EXPECT_EQ(bottom.g, 255);
    OffscreenGlDestroy(&gl);
}
