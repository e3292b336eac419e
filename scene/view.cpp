#include "view.h"

int32_t sceneWidth = 0;
int32_t sceneHeight = 0;
float sceneAspect = 0.0f;

int32_t SetSceneView(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    sceneWidth = width;
    sceneHeight = height;
    if (width > height) {
        sceneAspect = static_cast<float>(width) / static_cast<float>(height);
    } else {
        sceneAspect = static_cast<float>(height) / static_cast<float>(width);
    }
    return 1;
}
