// From a file's direction matrix to the canonical axes (see volume_file.h):
// each canonical axis takes the file axis that points most nearly along it,
// read backwards when that axis points the other way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// direction[p][a]: physical (LPS) component p of file index axis a.
using DirectionMatrix = std::array<std::array<double, 3>, 3>;

struct AxisMapping {
  std::array<int, 3> fileAxis{0, 1, 2};  // canonical axis c reads file axis fileAxis[c]
  std::array<bool, 3> flip{};            // ... from its last voxel to its first
  bool IsIdentity() const;
};

AxisMapping MapToCanonical(const DirectionMatrix& direction);

// Where each file axis points, one letter per axis: L/R, P/A, S/I, e.g.
// "LPS" for the identity, "RAS" for the usual NIfTI orientation.
std::string OrientationCode(const DirectionMatrix& direction);

// Copies a volume of `fileSizes` voxels of `width` bytes from `source` to
// `target` in canonical order.
void ReorderVoxels(const uint8_t* source, const std::array<int64_t, 3>& fileSizes, size_t width,
                   const AxisMapping& mapping, uint8_t* target);
