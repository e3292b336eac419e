// render_icons OUT_DIR
// Renders the menu icons OUT_DIR/vorlanth-<size>.png (16, 48, 64, 128, 256) from the scene's
// own drawing with real OpenGL offscreen: one bubble cluster with the lettering's first
// letter, the V, in front of it, as the hand-drawn 32 x 32 file icon shows them. Each size is
// drawn four times larger and averaged down; transparency comes from drawing once on black
// and once on white (a pixel that shows its background through is brighter on white).
#include <GL/gl.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "scene/bubble_cluster.h"
#include "scene/color_cycle.h"
#include "scene/figure_mesh.h"
#include "scene/random_digit.h"
#include "scene/scene.h"

namespace {

constexpr int kSupersample = 4;
const int kSizes[] = {16, 48, 64, 128, 256};

int Find(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        i = parent[i] = parent[parent[i]];
    }
    return i;
}

// The triangles of the first glyph: the connected part of the mesh that holds the leftmost
// corner (each glyph is a closed solid of its own).
std::vector<int> FirstGlyph(float* centreX, float* centreY) {
    std::vector<int> parent(FigureMesh::positionCount);
    std::iota(parent.begin(), parent.end(), 0);
    // Faces of one solid may repeat a corner rather than share its row: join equal corners.
    std::map<std::array<float, 3>, int> firstAt;
    for (int i = 0; i < FigureMesh::positionCount; ++i) {
        const float* p = FigureMesh::positions[i];
        auto [at, added] = firstAt.try_emplace({p[0], p[1], p[2]}, i);
        if (!added) {
            parent[Find(parent, i)] = Find(parent, at->second);
        }
    }
    for (int t = 0; t < FigureMesh::triangleCount; ++t) {
        for (int k = 1; k < 3; ++k) {
            parent[Find(parent, FigureMesh::positionIndex[t][k])] =
                Find(parent, FigureMesh::positionIndex[t][0]);
        }
    }
    int leftmost = 0;
    for (int i = 1; i < FigureMesh::positionCount; ++i) {
        if (FigureMesh::positions[i][0] < FigureMesh::positions[leftmost][0]) {
            leftmost = i;
        }
    }
    const int glyph = Find(parent, leftmost);
    std::vector<int> triangles;
    float low[2] = {1e9f, 1e9f}, high[2] = {-1e9f, -1e9f};
    for (int t = 0; t < FigureMesh::triangleCount; ++t) {
        if (Find(parent, FigureMesh::positionIndex[t][0]) != glyph) {
            continue;
        }
        triangles.push_back(t);
        for (int k = 0; k < 3; ++k) {
            const float* p = FigureMesh::positions[FigureMesh::positionIndex[t][k]];
            for (int a = 0; a < 2; ++a) {
                low[a] = std::min(low[a], p[a]);
                high[a] = std::max(high[a], p[a]);
            }
        }
    }
    *centreX = (low[0] + high[0]) / 2;
    *centreY = (low[1] + high[1]) / 2;
    return triangles;
}

// The figure's material (scene/figure.cpp) on the given triangles.
void DrawLetter(const std::vector<int>& triangles) {
    const GLfloat diffuse[4] = {0.8f, 0.8f, 0.0f, 1.0f}, specular[4] = {1.0f, 1.0f, 0.7f, 1.0f};
    const GLfloat ambient[4] = {0, 0, 0, 1}, emission[4] = {0.1f, 0.1f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMateriali(GL_FRONT, GL_SHININESS, 100);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glBegin(GL_TRIANGLES);
    for (int t : triangles) {
        for (int k = 0; k < 3; ++k) {
            glNormal3fv(FigureMesh::normals[FigureMesh::normalIndex[t][k]]);
            glVertex3fv(FigureMesh::positions[FigureMesh::positionIndex[t][k]]);
        }
    }
    glEnd();
}

// One picture on the given background, under the scene's light, blending and culling.
std::vector<Rgba8> Draw(int big, float background, const std::vector<int>& letter, float centreX,
                        float centreY) {
    glViewport(0, 0, big, big);
    glClearColor(background, background, background, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.78, 0.78, -0.78, 0.78, -3.0, 3.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetupLight();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    // The same colours on both backgrounds: drawing a cluster moves its cyclers on.
    const ColorCycler saved[3] = {cyclerA, cyclerB, cyclerC};
    const float savedStep = colorStep;
    DrawBubbleCluster();
    cyclerA = saved[0], cyclerB = saved[1], cyclerC = saved[2];
    colorStep = savedStep;
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 1.0f);
    glRotatef(-12.0f, 1.0f, 0.0f, 0.0f);
    glScalef(0.8f, 0.8f, 0.8f);
    glTranslatef(-centreX, -centreY, 0.0f);
    DrawLetter(letter);
    glPopMatrix();
    glFinish();
    // Rows top to bottom, as the icon's.
    std::vector<Rgba8> pixels(static_cast<size_t>(big) * big);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < big; ++y) {
        glReadPixels(0, big - 1 - y, big, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                     &pixels[static_cast<size_t>(y) * big]);
    }
    return pixels;
}

bool WriteIcon(const std::string& path, const std::vector<Rgba8>& onBlack,
               const std::vector<Rgba8>& onWhite, int size) {
    const int big = size * kSupersample;
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Premultiplied sums over the block: colour on black is colour times alpha.
            double sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < kSupersample; ++dy) {
                for (int dx = 0; dx < kSupersample; ++dx) {
                    const size_t i =
                        static_cast<size_t>(y * kSupersample + dy) * big + x * kSupersample + dx;
                    const Rgba8 b = onBlack[i], w = onWhite[i];
                    const double alpha =
                        1.0 - ((w.r - b.r) + (w.g - b.g) + (w.b - b.b)) / (3.0 * 255.0);
                    sum[0] += b.r, sum[1] += b.g, sum[2] += b.b;
                    sum[3] += std::clamp(alpha, 0.0, 1.0);
                }
            }
            const double n = kSupersample * kSupersample;
            const double alpha = sum[3] / n;
            uint8_t* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c) {
                const double value = alpha > 0 ? sum[c] / n / alpha : 0.0;
                out[c] = static_cast<uint8_t>(std::clamp(value + 0.5, 0.0, 255.0));
            }
            out[3] = static_cast<uint8_t>(alpha * 255.0 + 0.5);
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(size);
    image.height = static_cast<png_uint_32>(size);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_icons OUT_DIR\n");
        return 2;
    }
    SetRandomDigitState(1); // the same bytes on every run
    float centreX = 0, centreY = 0;
    const std::vector<int> letter = FirstGlyph(&centreX, &centreY);
    // One context for every size: the cluster's spheres are display lists of this context.
    OffscreenGl gl;
    std::string error;
    const int largest = kSizes[std::size(kSizes) - 1] * kSupersample;
    if (!OffscreenGlCreate(&gl, largest, largest, &error)) {
        std::fprintf(stderr, "render_icons: %s\n", error.c_str());
        return 1;
    }
    for (int size : kSizes) {
        const int big = size * kSupersample;
        const std::vector<Rgba8> onBlack = Draw(big, 0.0f, letter, centreX, centreY);
        const std::vector<Rgba8> onWhite = Draw(big, 1.0f, letter, centreX, centreY);
        const std::string path =
            std::string(argv[1]) + "/vorlanth-" + std::to_string(size) + ".png";
        if (!WriteIcon(path, onBlack, onWhite, size)) {
            std::fprintf(stderr, "render_icons: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    OffscreenGlDestroy(&gl);
    return 0;
}
