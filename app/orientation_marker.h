// The orientation marker in the lower left corner: the patient's six
// directions as seen under the volume's current turn, so the user always
// knows which way the head faces.
#pragma once

#include "render/view_orientation.h"

// Draws it over the lower left corner of a pane `paneWidth` by `paneHeight`
// pixels, the viewport set to the pane; leaves texturing as it was.
void DrawOrientationMarker(const Rotation& rotation, int paneWidth, int paneHeight);
