// The figure: the title word as glossy yellow 3D lettering.
#pragma once

// Sets the figure's front material and sends its mesh at a scale of 0.4. Needs a current
// context with the modelview matrix selected and the scene's lighting state; leaves the
// modelview matrix as it found it.
void DrawFigure(void);
