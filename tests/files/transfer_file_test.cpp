// Colour-map files: exact round trip, resampling of maps from elsewhere,
// refusal of broken ones.
#include "files/transfer_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/files/temp_file.h"

namespace {

struct Table {
  float v[256][4];
};

Table Filled(float value) {
  Table t;
  for (auto& entry : t.v) entry[0] = entry[1] = entry[2] = entry[3] = value;
  return t;
}

TEST(TransferFile, WrittenMapReadsBackBitForBitOverItsWindow) {
  Table edited;
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 4; ++c) edited.v[i][c] = std::sin(0.37f * i + c) * (c == 1 ? 1.0f : 0.3f);
  }
  edited.v[7][2] = -0.0f;
  const std::string path = testing::TempDir() + "edited.json";
  for (const auto& [low, high] : {std::pair{0.0, 1.0}, {-1024.0, 3071.0}, {0.1, 0.7}}) {
    WriteTransferFile(path, &edited.v[0][0], low, high);
    Table read = Filled(9.0f);
    ReadTransferFile(path, low, high, &read.v[0][0]);
    EXPECT_EQ(std::memcmp(&read, &edited, sizeof read), 0) << low << ".." << high;
  }
}

TEST(TransferFile, ForeignMapIsResampledInDataUnits) {
  // Red ramps over 0..100, then stays; one map object rather than a list.
  const std::string map =
      R"({"ColorSpace": "RGB", "RGBPoints": [0, 0, 1, 0, 100, 1, 1, 0.5, 100, 0, 0, 1],
          "Points": [50, 0, 0.5, 0, 150, 1, 0.5, 0]})";
  Table t = Filled(0.25f);
  ParseTransferMap(map, -100, 410, &t.v[0][0]);  // entry i stands for -100 + 2 i
  EXPECT_FLOAT_EQ(t.v[0][0], 0.0f);              // held below the first point
  EXPECT_FLOAT_EQ(t.v[75][0], 0.5f);             // value 50
  EXPECT_FLOAT_EQ(t.v[100][0], 0.0f);            // the later of two points at 100 wins
  EXPECT_FLOAT_EQ(t.v[100][2], 1.0f);
  EXPECT_FLOAT_EQ(t.v[100][3], 0.5f);
  EXPECT_FLOAT_EQ(t.v[255][3], 1.0f);

  Table keep = Filled(0.25f);  // no Points: the opacity stays
  ParseTransferMap(R"([{"RGBPoints": [5, 1, 1, 1]}, {"x": 1}])", 0, 1, &keep.v[0][0]);
  EXPECT_FLOAT_EQ(keep.v[128][0], 1.0f);
  EXPECT_FLOAT_EQ(keep.v[128][3], 0.25f);
}

TEST(TransferFile, BrokenMapsAreRefusedWithTheReasonAndChangeNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"{\"RGBPoints\": [0, 1, 1", "not valid JSON"},
      {"[]", "not a colour map"},
      {"{\"Points\": [0, 1, 0.5, 0]}", "RGBPoints missing"},
      {"{\"RGBPoints\": [0, 1, 1]}", "four numbers"},
      {"{\"RGBPoints\": [0, 1, 1, \"1\"]}", "non-number"},
      {"{\"RGBPoints\": [9, 1, 1, 1, 3, 0, 0, 0]}", "increasing order"},
      {"{\"RGBPoints\": [0, 255, 0, 0]}", "outside 0..1"},
      {"{\"RGBPoints\": [0, 1, 1, 1], \"Points\": [0, 2, 0.5, 0]}", "outside 0..1"},
      {"{\"RGBPoints\": [0, 1, 1, 1e999]}", "not valid JSON"},
  };
  for (const auto& [text, reason] : cases) {
    Table t = Filled(0.5f);
    const std::string path = WriteTempFile("broken.json", {text, text + std::strlen(text)});
    try {
      ReadTransferFile(path, 0, 1, &t.v[0][0]);
      ADD_FAILURE() << "accepted " << text;
    } catch (const TransferFileError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
      EXPECT_NE(message.find(reason), std::string::npos) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    const Table untouched = Filled(0.5f);
    EXPECT_EQ(std::memcmp(&t, &untouched, sizeof t), 0) << text;
  }
  Table t = Filled(0.5f);
  EXPECT_THROW(ReadTransferFile(testing::TempDir() + "missing.json", 0, 1, &t.v[0][0]), TransferFileError);
  EXPECT_THROW(ReadTransferFile(testing::TempDir(), 0, 1, &t.v[0][0]), TransferFileError);
  EXPECT_THROW(WriteTransferFile(testing::TempDir() + "no/such/dir.json", &t.v[0][0], 0, 1),
               TransferFileError);
}

}  // namespace
