// How much to draw while the user interacts: the slice count and viewport
// scale for the next interactive frame, chosen from the times of the frames
// before so that a frame meets a target time.
#pragma once

#include <cstdint>

struct Detail {
  int32_t slices;
  float viewportScale;  // side of the drawn viewport over the window's, (0, 1]
};

struct DetailLimits {
  int32_t fullSlices;         // the still frame's count; never drawn above it
  int32_t minSlices = 64;     // fewer only through the viewport scale
  float minSliceShare = 0.0f;  // nor fewer than this share of fullSlices
  float minScale = 0.5f;      // no smaller viewport, even when the target is missed
  double targetMs = 66.0;
};

// Frame cost is taken as proportional to slices * scale^2 (the fragments
// drawn), its factor a running mean of the measured frames. A fixed cost
// per frame only makes the estimate high for small counts, so the counts
// chosen approach the one meeting the target from one side without
// overshooting it. Counts within a tenth of the one in use are not taken
// up, so noisy times do not make the count (and the tables that depend on
// it) change every frame.
class DetailController {
public:
  explicit DetailController(const DetailLimits& limits);

  // For the next interactive frame: full detail until a frame is measured.
  Detail Next() const { return current_; }

  // The time a frame took, interactive or still, with the detail it was
  // drawn at. Times of 0 or below are ignored.
  void Measured(const Detail& drawn, double frameMs);

  // The still frame's count changed (keys z, s, a): the detail in use is
  // chosen again from the cost known so far.
  void SetFullSlices(int32_t slices);

private:
  Detail Choose(double work) const;

  DetailLimits limits_;
  double msPerWork_ = 0.0;  // 0 until a frame is measured
  Detail current_;
};
