// Photographs the X screen for the desktop checks: the root window, or a rectangle of it
// clipped to the screen, as a binary PPM. One XGetImage, where ImageMagick's import took a
// tenth of a second of processor time a shot, and the checks take hundreds.
//   x_shot OUT.ppm [WIDTHxHEIGHT+X+Y]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

int Fail(const char* why) {
    std::fprintf(stderr, "x_shot: %s\n", why);
    return 1;
}

// A channel of the visual's pixels: where it lies in a pixel, and its largest value.
struct Channel {
    unsigned long mask;
    int shift = 0;
    unsigned long top = 1;

    explicit Channel(unsigned long m) : mask(m) {
        while (mask != 0 && ((mask >> shift) & 1) == 0) {
            ++shift;
        }
        top = mask != 0 ? mask >> shift : 1;
    }
    // Its 8-bit value in PIXEL.
    unsigned char Of(unsigned long pixel) const {
        return static_cast<unsigned char>((((pixel & mask) >> shift) * 255 + top / 2) / top);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        return Fail("usage: x_shot OUT.ppm [WIDTHxHEIGHT+X+Y]");
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return Fail("cannot open the X display");
    }
    int screen = DefaultScreen(display);
    int screenWidth = DisplayWidth(display, screen), screenHeight = DisplayHeight(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        return Fail("the screen's visual has no colour masks");
    }
    int x = 0, y = 0;
    unsigned width = screenWidth, height = screenHeight;
    if (argc == 3) {
        int parsed = XParseGeometry(argv[2], &x, &y, &width, &height);
        if ((parsed & (WidthValue | HeightValue)) != (WidthValue | HeightValue) ||
            (parsed & (XNegative | YNegative)) != 0) {
            return Fail("the rectangle is not WIDTHxHEIGHT+X+Y");
        }
    }
    int right = std::min(x + static_cast<int>(width), screenWidth);
    int bottom = std::min(y + static_cast<int>(height), screenHeight);
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (right <= x || bottom <= y) {
        return Fail("the rectangle lies off the screen");
    }
    width = right - x;
    height = bottom - y;
    XImage* image =
        XGetImage(display, RootWindow(display, screen), x, y, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return Fail("the server gave no image");
    }
    const Channel red(visual->red_mask), green(visual->green_mask), blue(visual->blue_mask);
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    unsigned char* out = rgb.data();
    for (unsigned row = 0; row < height; ++row) {
        for (unsigned column = 0; column < width; ++column) {
            unsigned long pixel = XGetPixel(image, column, row);
            *out++ = red.Of(pixel);
            *out++ = green.Of(pixel);
            *out++ = blue.Of(pixel);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        return Fail("cannot write the picture");
    }
    std::fprintf(file, "P6\n%u %u\n255\n", width, height);
    bool written = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && written ? 0 : Fail("cannot write the picture");
}
