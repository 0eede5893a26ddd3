// The intensity window: the data values mapped to the bottom and the top of
// the transfer function.
#pragma once

#include "files/volume_file.h"

struct IntensityWindow {
  double low = 0;
  double high = 1;
};

// The default window: the 0.5 and 99.5 percentiles of the voxel values,
// leaving out a dominant background peak (air, zero padding) that would
// otherwise pull the low end onto the background. Never empty: low < high.
IntensityWindow RobustWindow(const Volume& volume);
