#include <gtest/gtest.h>

#include "transfer/initial_table.h"

TEST(InitialTransferTable, KnownEntries) {
  const float known[][5] = {{0, 1.0f, 0.0f, 0.0f, 0.0f},
                            {1, 0.9950042f, 0.0099499f, 0.0249974f, 0.0039216f},
                            {16, -0.0291995f, -0.0046520f, 0.3894183f, 0.0627451f},
                            {128, 0.9728326f, 0.9319890f, -0.0583741f, 0.5019608f},
                            {255, 0.9333151f, 0.5204946f, 0.0916857f, 1.0f}};
  float table[4 * kTransferEntries];
  FillInitialTransferTable(table);
  for (const auto& k : known)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(table[static_cast<int>(4 * k[0]) + c], k[1 + c], 2e-6);
}
