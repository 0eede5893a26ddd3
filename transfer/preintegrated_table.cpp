#include "transfer/preintegrated_table.h"

#include <algorithm>
#include <array>
#include <cmath>

// A slab running over k entry steps is a chain of k pieces, one per step
// crossed, each 1/k of its thickness. Every piece of one diagonal (fixed k)
// has the same thickness, so the pieces are computed once per diagonal and
// the slabs along it are windows of k consecutive pieces, composited front
// to back: blocks of k with running prefix and suffix composites give every
// window from two of them, O(256) per diagonal. Self-attenuation is exact
// between pieces; inside one, its colour is the extinction-weighted mean,
// shifted towards the front end's colour as a piece of uniform extinction
// and linearly changing colour would be.

namespace {

constexpr int kEntries = kTransferEntries;
constexpr int kSteps = kEntries - 1;
constexpr double kMaxOpacity = 1.0 - 1e-4;
// Points per step weighing the colour by extinction.
constexpr int kWeightPoints = 8;

// Colour premultiplied by opacity, and opacity.
struct Premultiplied {
  float r, g, b, a;
};

inline Premultiplied Over(const Premultiplied& front, const Premultiplied& back) {
  const float through = 1.0f - front.a;
  return {front.r + through * back.r, front.g + through * back.g, front.b + through * back.b,
          front.a + through * back.a};
}

// What one step between two entries contributes, whatever its thickness.
struct StepProfile {
  float extinction;  // mean over the step, per unit of thickness
  float r, g, b;     // colour weighted by extinction
  float dr, dg, db;  // colour at the higher entry less that at the lower
};

// Exact mean of -2 ln(b) for b running linearly from b0 to b1.
double MeanExtinction(double b0, double b1) {
  if (std::abs(b1 - b0) < 1e-9) return -2.0 * std::log(0.5 * (b0 + b1));
  return -2.0 * ((b1 * std::log(b1) - b0 * std::log(b0)) / (b1 - b0) - 1.0);
}

using Entries = std::array<std::array<double, 4>, kEntries>;

Entries ClampedEntries(const float* rgba) {
  Entries entries;
  for (int i = 0; i < kEntries; ++i) {
    for (int c = 0; c < 3; ++c) entries[i][c] = std::clamp(double{rgba[4 * i + c]}, 0.0, 1.0);
    entries[i][3] = std::clamp(double{rgba[4 * i + 3]}, 0.0, kMaxOpacity);
  }
  return entries;
}

StepProfile Profile(const std::array<double, 4>& lo, const std::array<double, 4>& hi) {
  double weight = 0.0, r = 0.0, g = 0.0, b = 0.0;
  for (int q = 0; q < kWeightPoints; ++q) {
    const double u = (q + 0.5) / kWeightPoints;
    const double w = -std::log(1.0 - (lo[3] + u * (hi[3] - lo[3])));
    weight += w;
    r += w * (lo[0] + u * (hi[0] - lo[0]));
    g += w * (lo[1] + u * (hi[1] - lo[1]));
    b += w * (lo[2] + u * (hi[2] - lo[2]));
  }
  // A clear step shows nothing; its colour only has to be finite.
  const double norm = weight > 0.0 ? 1.0 / weight : 0.0;
  return {static_cast<float>(MeanExtinction(1.0 - lo[3], 1.0 - hi[3])),
          static_cast<float>(r * norm),
          static_cast<float>(g * norm),
          static_cast<float>(b * norm),
          static_cast<float>(hi[0] - lo[0]),
          static_cast<float>(hi[1] - lo[1]),
          static_cast<float>(hi[2] - lo[2])};
}

// For a piece of optical depth x, opacity a, uniform extinction and colour
// running linearly from c0 at its front to c1 at its back, the colour it
// shows less that of a thin piece, over c1 - c0: a / x - 1 + a / 2.
inline float FrontShift(float x, float a) {
  if (x < 1e-2f) return -x * x * (1.0f / 12.0f);  // the formula cancels away
  return a / x - 1.0f + 0.5f * a;
}

// sums[i]: the integral of the interpolated colour from entry 0 to
// entry i, in entries.
using ColourSums = std::array<std::array<double, 3>, kEntries>;

ColourSums SumColours(const Entries& entries) {
  ColourSums sums{};
  for (int i = 1; i < kEntries; ++i)
    for (int c = 0; c < 3; ++c)
      sums[i][c] = sums[i - 1][c] + 0.5 * (entries[i - 1][c] + entries[i][c]);
  return sums;
}

// A clear slab is stored with the table's mean colour over its values, the
// colour it takes on as its opacity rises from 0: a filtered lookup between
// it and a visible neighbour then keeps the neighbour's colour instead of
// fading it towards black.
void Store(const Premultiplied& slab, int front, int back, const ColourSums& sums,
           const Entries& entries, float* out) {
  float* texel = out + 4 * (back * kEntries + front);
  texel[3] = slab.a;
  if (slab.a > 0.0f) {
    const float scale = 1.0f / slab.a;
    texel[0] = std::clamp(slab.r * scale, 0.0f, 1.0f);
    texel[1] = std::clamp(slab.g * scale, 0.0f, 1.0f);
    texel[2] = std::clamp(slab.b * scale, 0.0f, 1.0f);
    return;
  }
  const int lo = std::min(front, back), hi = std::max(front, back);
  for (int c = 0; c < 3; ++c) {
    texel[c] = static_cast<float>(lo == hi ? entries[lo][c]
                                           : (sums[hi][c] - sums[lo][c]) / (hi - lo));
  }
}

using Pieces = std::array<Premultiplied, kSteps>;

// windows[i] = pieces[i] over pieces[i + 1] ... over pieces[i + k - 1].
void CompositeWindows(const Pieces& pieces, int k, Pieces& prefix, Pieces& suffix,
                      Pieces& windows) {
  for (int start = 0; start < kSteps; start += k) {
    const int end = std::min(start + k, kSteps);
    prefix[start] = pieces[start];
    for (int p = start + 1; p < end; ++p) prefix[p] = Over(prefix[p - 1], pieces[p]);
    suffix[end - 1] = pieces[end - 1];
    for (int p = end - 2; p >= start; --p) suffix[p] = Over(pieces[p], suffix[p + 1]);
  }
  for (int i = 0; i + k <= kSteps; ++i) {
    windows[i] = i % k == 0 ? suffix[i] : Over(suffix[i], prefix[i + k - 1]);
  }
}

}  // namespace

void ComputePreintegratedTable(const float* rgba, float slabThickness, float* out) {
  const Entries entries = ClampedEntries(rgba);
  const ColourSums sums = SumColours(entries);
  std::array<StepProfile, kSteps> steps;
  for (int m = 0; m < kSteps; ++m) steps[m] = Profile(entries[m], entries[m + 1]);

  // Front and back at one value: the slab is uniform.
  for (int i = 0; i < kEntries; ++i) {
    const double a = 1.0 - std::pow(1.0 - entries[i][3], 2.0 * slabThickness);
    Store({static_cast<float>(entries[i][0] * a), static_cast<float>(entries[i][1] * a),
           static_cast<float>(entries[i][2] * a), static_cast<float>(a)},
          i, i, sums, entries, out);
  }

  Pieces rising, falling, prefix, suffix, windows;
  for (int k = 1; k < kEntries; ++k) {
    const float pieceThickness = slabThickness / static_cast<float>(k);
    for (int m = 0; m < kSteps; ++m) {
      const StepProfile& step = steps[m];
      const float depth = pieceThickness * step.extinction;
      // Thin pieces of faint entries: 1 - exp would keep few digits of a.
      const float a = -std::expm1(-depth);
      const float shift = FrontShift(depth, a);
      rising[m] = {a * step.r + shift * step.dr, a * step.g + shift * step.dg,
                   a * step.b + shift * step.db, a};
      falling[kSteps - 1 - m] = {a * step.r - shift * step.dr, a * step.g - shift * step.dg,
                                 a * step.b - shift * step.db, a};
    }
    CompositeWindows(rising, k, prefix, suffix, windows);
    for (int i = 0; i + k < kEntries; ++i) Store(windows[i], i, i + k, sums, entries, out);
    // Falling value: the same pieces met in the opposite order; window r
    // starts at entry 255 - r.
    CompositeWindows(falling, k, prefix, suffix, windows);
    for (int r = 0; r + k < kEntries; ++r)
      Store(windows[r], kSteps - r, kSteps - r - k, sums, entries, out);
  }
}
