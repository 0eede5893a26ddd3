#include <gtest/gtest.h>

#include "transfer/initial_table.h"

namespace {

void ExpectEntry(const float* table, int i, float r, float g, float b, float a) {
  SCOPED_TRACE(i);
  EXPECT_NEAR(table[4 * i + 0], r, 2e-6);
  EXPECT_NEAR(table[4 * i + 1], g, 2e-6);
  EXPECT_NEAR(table[4 * i + 2], b, 2e-6);
  EXPECT_NEAR(table[4 * i + 3], a, 2e-6);
}

}  // namespace

TEST(InitialTransferTable, KnownEntries) {
  float table[4 * kTransferEntries];
  FillInitialTransferTable(table);
  ExpectEntry(table, 0, 1.0f, 0.0f, 0.0f, 0.0f);
  ExpectEntry(table, 1, 0.9950042f, 0.0099499f, 0.0249974f, 0.0039216f);
  ExpectEntry(table, 16, -0.0291995f, -0.0046520f, 0.3894183f, 0.0627451f);
  ExpectEntry(table, 128, 0.9728326f, 0.9319890f, -0.0583741f, 0.5019608f);
  ExpectEntry(table, 255, 0.9333151f, 0.5204946f, 0.0916857f, 1.0f);
}
