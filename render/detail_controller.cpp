#include "render/detail_controller.h"

#include <algorithm>
#include <cmath>

namespace {

// Weight of the newest frame in the running cost: half damps a single
// slow frame (a page fault, another process) without lagging far behind.
constexpr double kNewestWeight = 0.5;
// Changes in drawn work smaller than this share of the current are ignored.
constexpr double kDeadBand = 0.1;

double Work(const Detail& d) {
  return static_cast<double>(d.slices) * d.viewportScale * d.viewportScale;
}

}  // namespace

DetailController::DetailController(const DetailLimits& limits)
    : limits_(limits), current_{limits.fullSlices, 1.0f} {}

void DetailController::Measured(const Detail& drawn, double frameMs) {
  const double work = Work(drawn);
  if (!(frameMs > 0.0) || !(work > 0.0)) return;
  const double sample = frameMs / work;
  msPerWork_ = msPerWork_ == 0.0 ? sample : msPerWork_ + kNewestWeight * (sample - msPerWork_);
  const Detail wanted = Choose(limits_.targetMs / msPerWork_);
  if (std::abs(Work(wanted) - Work(current_)) > kDeadBand * Work(current_)) current_ = wanted;
}

void DetailController::SetFullSlices(int32_t slices) {
  limits_.fullSlices = slices;
  current_ = msPerWork_ > 0.0 ? Choose(limits_.targetMs / msPerWork_) : Detail{slices, 1.0f};
}

Detail DetailController::Choose(double work) const {
  const int32_t floor = std::max(std::min(limits_.minSlices, limits_.fullSlices),
                                 static_cast<int32_t>(std::ceil(limits_.minSliceShare * limits_.fullSlices)));
  if (work >= floor) {
    return {static_cast<int32_t>(std::min(std::lround(work), long{limits_.fullSlices})), 1.0f};
  }
  const double scale = std::sqrt(work / floor);
  return {floor, static_cast<float>(std::max(scale, double{limits_.minScale}))};
}
