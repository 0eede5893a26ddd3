// The histogram drawn behind the transfer-function curves: how many voxels
// fall on each table entry once the intensity window maps them there.
#pragma once

#include <array>

#include "files/volume_file.h"
#include "files/volume_window.h"

constexpr int kHistogramBins = 256;

// Bar heights 0..1 on a log scale, log(1 + count) / log(1 + largest count),
// so thin tissue classes stay visible beside a background peak. Bin i counts
// the values nearest to the table entry i / 255 of the window; values outside
// the window (and NaN) are not counted.
std::array<float, kHistogramBins> WindowHistogram(const Volume& volume,
                                                  const IntensityWindow& window);

// How many of every `step`-th voxel fall on each table entry, as above.
std::array<uint64_t, kHistogramBins> WindowCounts(const Volume& volume, const IntensityWindow& window,
                                                  size_t step = 1);

// Otsu's threshold of such counts, as a fraction 0..1 of the window: the
// split between two table entries that makes the two classes of values on
// either side of it the most distinct (largest variance between them).
// 0.5 when nothing was counted.
double OtsuLevel(const std::array<uint64_t, kHistogramBins>& counts);
