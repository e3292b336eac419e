#!/usr/bin/env bash
# Regenerates figure_mesh_data.cpp in this folder: builds tools/mesh_generator (preset
# release with -DVORLANTH_BUILD_TOOLS=ON; needs libfreetype-dev and libglu1-mesa-dev) and
# runs it on DejaVu Sans Bold Oblique (fonts-dejavu-core). The same font file always gives
# a byte-identical file; ctest's MeshGenerator test checks that in a build with the tools.
set -euo pipefail
cd "$(dirname "$0")/../.."
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf
cmake --preset release -DVORLANTH_BUILD_TOOLS=ON
cmake --build --preset release --target mesh_generator
build/release/tools/mesh_generator "$font" scene/generated/figure_mesh_data.cpp
