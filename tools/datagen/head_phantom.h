// A tomography-style head phantom: nested ellipsoids of different densities
// (scalp, skull, brain, ventricles, a midline membrane, small lesions).
#pragma once

#include <cstdint>
#include <vector>

// size^3 bytes, x fastest, then y, then z.
std::vector<uint8_t> BuildHeadPhantom(int size);

// Densities of the main tissues. The viewer's initial transfer function maps
// a value v to opacity v / 255 and to a colour that cycles with v, so the
// skull sits where that colour is a bright yellow and the soft tissue is
// faint enough to see through.
namespace phantom {
constexpr uint8_t kAir = 0;
constexpr uint8_t kScalp = 5;
constexpr uint8_t kSkull = 126;
constexpr uint8_t kBrain = 10;
constexpr uint8_t kVentricle = 2;
}  // namespace phantom
