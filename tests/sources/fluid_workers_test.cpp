#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "sources/fluid_workers.h"

namespace {

// Contexts that outlive every call, so a helper running a finished call's
// task is counted rather than reading a dead frame.
struct Call {
  int id = 0;
  std::atomic<int> runs[4] = {};
};
std::atomic<int> gCurrent{-1};
std::atomic<int> gStale{0};

void Record(void* context, int part, int) {
  Call& call = *static_cast<Call*>(context);
  if (call.id != gCurrent) ++gStale;
  ++call.runs[part];
}

// Helpers that sat out one call may still be waking up when the count grows
// for the next: they must not take the finished call for theirs.
TEST(FluidWorkers, EveryPartRunsOnceInItsOwnCallWhileTheCountChanges) {
  std::vector<Call> calls(100000);
  for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
    fluid::SetWorkerCount(2 + i % 3);
    calls[i].id = gCurrent = i;
    fluid::RunOnWorkers(Record, &calls[i]);
  }
  gCurrent = -1;
  fluid::SetWorkerCount(1);
  EXPECT_EQ(gStale, 0);
  for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
    for (int part = 0; part < 4; ++part) ASSERT_EQ(calls[i].runs[part], part < 2 + i % 3) << i;
  }
}

}  // namespace
