// Box-filter rescale of a float volume to another size, reproducing the GL
// utility library's mipmap builder bit for bit for values in [0, 1]: each
// voxel is first read as a 16-bit value, each output texel is the overlap-weighted mean of
// the voxels its box covers (summed in float, z, then y, then x), truncated
// back to 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A voxel value as the rescaler reads it: clamped to [0, 1] (NaN to 0), then
// value * 65535 in float, truncated. In [0, 1] this is the library's reading;
// the library wraps values outside it (1.5 reads as about 0.5, -0.01 as
// nearly 1), which would show dense fluid as faint and empty space as solid.
uint16_t ClampToUnorm16(float value);

// The voxels one axis of the output reads and their overlap weights.
struct AxisTaps {
  // Taps of output index j: [begin[j], begin[j + 1]) in index and weight.
  std::vector<int32_t> begin;
  std::vector<int32_t> index;
  std::vector<float> weight;
  int32_t maxTaps = 0;

  void Build(int32_t sizeIn, int32_t sizeOut);
};

class VolumeRescaler {
public:
  // Writes outX*outY*outZ texels of `components` floats (x fastest) to out,
  // each a multiple of 1/65535 in [0, 1]. Writes nothing when a size is
  // below 1 or a volume's element count does not fit memory's range.
  void Rescale(const float* voxels, int32_t nx, int32_t ny, int32_t nz, int32_t components,
               int32_t outX, int32_t outY, int32_t outZ, float* out);

private:
  // One input plane read as 16-bit values and spread out for the x taps:
  // row y, tap t holds at x * components + k the value that tap t of output
  // texel x reads. Kept while the output planes near it need it.
  struct CachedPlane {
    int32_t z = -1;
    uint64_t lastUse = 0;
    std::vector<float> taps;
  };
  // Scratch of one thread; kept across calls so frames allocate nothing.
  struct Worker {
    std::vector<float> row;     // one input row read as 16-bit values
    std::vector<float> sum;     // one output row, every component
    std::vector<float> volume;  // the summed weights of each texel of that row
    std::vector<double> componentVolume;  // the same for each component
    std::vector<CachedPlane> planes;
    std::vector<const float*> tapPlanes;  // the planes of one output plane's z taps
    uint64_t uses = 0;
  };

  struct Job;
  static void RescalePlanes(const Job& job, Worker& worker, int32_t zBegin, int32_t zEnd);
  static const float* InputPlane(const Job& job, Worker& worker, int32_t z);

  AxisTaps tapsX_;
  AxisTaps tapsY_;
  AxisTaps tapsZ_;
  // The x taps padded with zero weights to tapsX_.maxTaps for every output
  // texel and spread over its components, tap-major: entry
  // tap * rowLength + x * components + k. Adding a zero-weight term leaves
  // a float sum unchanged, so every texel of a row runs the same loop.
  std::vector<int32_t> rowIndex_;
  std::vector<float> rowWeight_;
  std::vector<float> texelWeight_;  // the same weights, one entry per texel
  Worker workers_[2];
};
