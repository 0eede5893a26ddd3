// The 2D slice views' pictures, made on the CPU from the full-resolution
// voxels: one plane of the volume in data units, then a windowed grey
// picture of any part of that plane at any zoom. No GL here: the panes
// upload the grey picture themselves.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "files/volume_file.h"
#include "files/volume_window.h"

// The canonical axis normal to a slice: sagittal slices are normal to axis 0,
// coronal to 1, axial to 2.
enum class SliceAxis { Sagittal = 0, Coronal = 1, Axial = 2 };
enum class Sampling { Linear, Nearest };

// The two in-plane canonical axes of a slice, lower-numbered first: u and v.
std::array<int, 2> InPlaneAxes(SliceAxis axis);

// One slice of the volume at full resolution, in data units:
// width = sizes[u], height = sizes[v], u fastest. Float64 values beyond
// float's range are held at float's largest magnitude.
struct SliceValues {
  SliceAxis axis = SliceAxis::Axial;
  int64_t width = 0, height = 0;
  std::vector<float> values;
};

// The plane at `position` along the slice's normal axis, in voxel-centre
// index units (voxel i's centre at i; clamped to [0, n-1]). Linear:
// interpolated between the two voxel planes around it; Nearest: the plane of
// the voxel it falls in (round half up). Reuses out's storage, so stepping
// through slices of one axis allocates nothing.
void ExtractSlice(const Volume& volume, SliceAxis axis, double position, Sampling sampling, SliceValues& out);

// Where a picture's pixels fall on the slice: pixel (x, y) of a picture
// (x right, y down, rows top-down) samples the slice at
//   u = u0 + (x + 0.5) * du,   v = v0 + (y + 0.5) * dv
// in voxel-centre index units of the slice; a negative du or dv mirrors
// that axis.
struct PixelMapping {
  double u0 = 0, du = 1, v0 = 0, dv = 1;
};

// Fills grey[width * height] (rows top-down). Pixels whose (u, v) fall
// outside the slice's voxels ([-0.5, n - 0.5) on each axis) get `background`.
// Inside, Linear reads bilinearly between voxel centres (clamped at the edge
// voxels), Nearest the voxel the point falls in; the value is mapped through
// the window to 0..255 (low -> 0, high -> 255, clamped, rounded half up).
// A window with high <= low is a threshold: values above low give 255, the
// rest 0. Allocation-free after the first call of a thread at a given size.
void RenderSlice(const SliceValues& slice, const PixelMapping& mapping, int width, int height, Sampling sampling,
                 const IntensityWindow& window, uint8_t background, uint8_t* grey);
