// Reads the outlines of a word from a font, lays it out and flattens it into polylines.
#pragma once

#include <string>
#include <vector>

#include "mesh_types.h"

struct OutlineSettings {
    double halfWidth;  // the word is scaled to x -halfWidth ... halfWidth
    double halfHeight; // and to y -halfHeight ... halfHeight, centred on the origin
    double flatness;   // largest distance between a curve and its polyline, figure units
    double maxTurn;    // largest turn between two polyline segments of a curve, degrees
};

struct FontNames {
    std::string family;
    std::string style;
};

// Lays out word with the font's advances and kerning, flattens every glyph's outline
// and scales and centres the result to the settings' bounds. One Glyph per character,
// left to right. Returns 1 on success, 0 with error filled in.
int ReadWordOutlines(const char* fontPath, const char* word, const OutlineSettings& settings,
                     std::vector<Glyph>* glyphs, FontNames* names, std::string* error);
