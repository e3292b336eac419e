// The sphere cache on a real OpenGL context: what each call compiles, finds and draws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "allocation_count.h"
#include "appkit.h"
#include "gl.h"
#include "shape_cache.h"
#include "offscreen_gl.h"

namespace {

class SphereCache : public ::testing::Test {
  protected:
    // 100 x 100 pixels over -1 ... 1: 50 pixels per unit, unlit white on black.
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(OffscreenGlCreate(&gl, 100, 100, &error)) << error;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glColor3f(1, 1, 1);
    }
    void TearDown() override { OffscreenGlDestroy(&gl); }

    // Pixels the sphere covers after drawing it into a cleared buffer.
    long DrawnArea(double radius) {
        glClear(GL_COLOR_BUFFER_BIT);
        AppSolidSphere(radius);
        long lit = 0;
        for (const Rgba8& p : OffscreenGlReadPixels(&gl)) lit += p.r > 128;
        return lit;
    }

    OffscreenGl gl;
};

int Nodes() {
    int n = 0;
    for (ShapeNode* node = ShapeCache[SHAPE_SOLID_SPHERE]; node; node = node->next) n++;
    return n;
}

// Area of the sphere's outline seen along its axis at 50 pixels per unit: its equator,
// a regular 16-gon of the radius, 8 r^2 sin(22.5 degrees). A 12-slice sphere's outline
// (6 r^2 sin(30 degrees), 3 r^2) is 2 % smaller.
double OutlinePixels(double radius) {
    const double r = radius * 50;
    return 8 * r * r * 0.38268343;
}

} // namespace

TEST_F(SphereCache, FirstRadiusCompilesAListAndDrawsInTheSameCall) {
    ASSERT_EQ(Nodes(), 0);
    EXPECT_NEAR(DrawnArea(0.74), OutlinePixels(0.74), OutlinePixels(0.74) * 0.005);
    ShapeNode* head = ShapeCache[SHAPE_SOLID_SPHERE];
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_EQ(head->paramCount, 1);
    EXPECT_EQ(head->params[0], 0.74);
    EXPECT_TRUE(glIsList(head->listId));
    for (int kind = 0; kind < SHAPE_KIND_COUNT; kind++) {
        if (kind != SHAPE_SOLID_SPHERE) {
            EXPECT_EQ(ShapeCache[kind], nullptr) << kind;
        }
    }
}

TEST_F(SphereCache, SameRadiusAgainReplaysTheListAndAllocatesNothing) {
    const long first = DrawnArea(0.74);
    const GLuint id = ShapeCache[SHAPE_SOLID_SPHERE]->listId;
    glClear(GL_COLOR_BUFFER_BIT);
    AppSolidSphere(0.74); // the renderer prepares its replay once
    const long before = AllocationCount();
    AppSolidSphere(0.74);
    EXPECT_EQ(AllocationCount() - before, 0);
    EXPECT_EQ(Nodes(), 1);
    EXPECT_FALSE(glIsList(id + 1)) << "no second list was compiled";
    EXPECT_EQ(DrawnArea(0.74), first) << "the replay draws the same sphere";
}

TEST_F(SphereCache, TheNewestRadiusIsFoundFirst) {
    AppSolidSphere(0.74);
    AppSolidSphere(0.3);
    ShapeNode* head = ShapeCache[SHAPE_SOLID_SPHERE];
    ASSERT_NE(head, nullptr);
    ASSERT_NE(head->next, nullptr);
    EXPECT_EQ(head->params[0], 0.3);
    EXPECT_EQ(head->next->params[0], 0.74);
    EXPECT_EQ(head->next->next, nullptr);
    EXPECT_NE(head->listId, head->next->listId);
    EXPECT_EQ(ShapeCacheFind(SHAPE_SOLID_SPHERE, &head->next->params[0], 1), head->next->listId);
}

TEST_F(SphereCache, ARadiusOneBitAwayGetsItsOwnList) {
    AppSolidSphere(0.74);
    AppSolidSphere(std::nextafter(0.74, 1.0));
    EXPECT_EQ(Nodes(), 2);
}

TEST_F(SphereCache, NegativeZeroFindsTheListOfZero) {
    AppSolidSphere(0.0);
    AppSolidSphere(-0.0);
    EXPECT_EQ(Nodes(), 1);
}

TEST_F(SphereCache, NotANumberReplaysTheHeadNodesSphere) {
    AppSolidSphere(0.74);
    const long small = DrawnArea(0.3);
    EXPECT_EQ(DrawnArea(std::numeric_limits<double>::quiet_NaN()), small);
    EXPECT_EQ(Nodes(), 2);
}

TEST_F(SphereCache, WithoutAListNameTheSphereIsNotCached) {
    // Between glBegin and glEnd, glGenLists fails and yields 0.
    glBegin(GL_POINTS);
    AppSolidSphere(0.5);
    glEnd();
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(Nodes(), 0) << "a node with list 0 could never be found";
    // Outside it the same radius is compiled as usual.
    EXPECT_GT(DrawnArea(0.5), 0);
    EXPECT_EQ(Nodes(), 1);
}

TEST(ShapeParams, OnlyAnOrderedDifferenceFails) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double a[3] = {1.0, 0.0, nan}, b[3] = {1.0, -0.0, 5.0}, c[3] = {1.0, 0.5, 5.0};
    EXPECT_EQ(ShapeParamsEqual(a, b, 3), 1) << "+0 matches -0, NaN matches anything";
    EXPECT_EQ(ShapeParamsEqual(a, c, 3), 0) << "0 and 0.5 differ";
    EXPECT_EQ(ShapeParamsEqual(c, a, 1), 1) << "only the first count are compared";
    EXPECT_EQ(ShapeParamsEqual(a, c, 0), 1);
    EXPECT_EQ(ShapeParamsEqual(a, c, -1), 1);
}

TEST(ShapeParams, FindOnAnEmptyOrUnknownKindGivesZero) {
    const double radius = 0.74;
    EXPECT_EQ(ShapeCacheFind(SHAPE_SOLID_SPHERE, &radius, 1), 0u);
    EXPECT_EQ(ShapeCacheFind(25, &radius, 1), 0u);
    EXPECT_EQ(ShapeCacheFind(-1, &radius, 1), 0u);
}
