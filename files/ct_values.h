// Whether a volume holds CT values in Hounsfield units, and the window that
// shows them. Decides which transfer-function preset an opened volume starts
// from: presets for CT are written in HU and need the window to reach from
// air to dense bone, which the percentile window of a head (air cut off as
// background) does not.
#pragma once

#include "files/volume_file.h"
#include "files/volume_window.h"

// The range a CT scanner writes: air -1024 to the top of its 12-bit scale.
constexpr double kCtLowest = -1024;
constexpr double kCtHighest = 3071;

// True when at least two thirds of the voxels lie in kCtLowest..kCtHighest
// and at least a tenth are at or below -900 (air, lung, and padding outside
// the scanned circle, which may sit below -1024).
bool LooksLikeCt(const Volume& volume);

// The volume's value range clipped to kCtLowest..kCtHighest (never empty).
IntensityWindow CtWindow(const Volume& volume);
