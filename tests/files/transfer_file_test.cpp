// Colour-map files: exact round trip, resampling of maps from elsewhere,
// refusal of broken ones.
#include "files/transfer_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/files/temp_file.h"

namespace {

using Table = std::vector<float>;  // 256 RGBA entries

TEST(TransferFile, WrittenMapReadsBackBitForBitOverItsWindowAsThePictureShowsIt) {
  Table edited(1024);
  for (int i = 0; i < 1024; ++i) edited[i] = std::fabs(std::sin(0.37f * i)) * (i % 4 == 1 ? 1.0f : 0.3f);
  // A zero that keeps its sign, before a positive value (a + 0 * (b - a) is +0).
  edited[6] = edited[7] = -0.0f;
  edited[10] = edited[11] = 0.5f;
  const std::string path = testing::TempDir() + "edited.json";
  for (const auto& [low, high] : {std::pair{0.0, 1.0}, {-1024.0, 3071.0}, {0.1, 0.7}}) {
    WriteTransferFile(path, edited.data(), low, high);
    Table read(1024, 9.0f);
    ReadTransferFile(path, low, high, read.data());
    EXPECT_EQ(std::memcmp(read.data(), edited.data(), 4096), 0) << low << ".." << high;
  }
  // The start-up table's negative reds are saved as the 0 they look like;
  // files of earlier versions that hold them read so too.
  Table startUp = edited;
  startUp[4] = -0.75f;
  WriteTransferFile(path, startUp.data(), 0, 1);
  EXPECT_EQ(ReadTransferText(path).find("-0.75"), std::string::npos);
  Table read(1024);
  ReadTransferFile(path, 0, 1, read.data());
  EXPECT_EQ((Table{read[4], read[8]}), (Table{0.0f, edited[8]}));
  ParseTransferMap(R"({"RGBPoints": [0, -0.75, 1, 1]})", 0, 1, read.data());
  EXPECT_EQ(read[0], 0.0f);
}

TEST(TransferFile, ForeignMapIsResampledInDataUnits) {
  // Red ramps over 0..100, then stays; one map object rather than a list.
  const std::string map =
      R"({"ColorSpace": "RGB", "RGBPoints": [0, 0, 1, 0, 100, 1, 1, 0.5, 100, 0, 0, 1],
          "Points": [50, 0, 0.5, 0, 150, 1, 0.5, 0]})";
  Table t(1024, 0.25f);
  ParseTransferMap(map, -100, 410, t.data());  // entry i stands for -100 + 2 i
  EXPECT_EQ((Table{t[0], t[4 * 75], t[4 * 100], t[4 * 100 + 2], t[4 * 100 + 3], t[1023]}),
            (Table{0.0f, 0.5f, 0.0f, 1.0f, 0.5f, 1.0f}));  // held, ramp, later point wins, ramp, held
  Table keep(1024, 0.25f);  // no Points: the opacity stays
  ParseTransferMap(R"([{"RGBPoints": [5, 1, 1, 1]}, {"x": 1}])", 0, 1, keep.data());
  EXPECT_EQ((Table{keep[512], keep[515]}), (Table{1.0f, 0.25f}));
}

TEST(TransferFile, BrokenMapsAreRefusedWithTheReasonAndChangeNothing) {
  const std::pair<std::string, const char*> cases[] = {
      {R"({"RGBPoints": [0, 1, 1)", "not valid JSON"}, {"[]", "not a colour map"},
      {R"({"Points": [0, 1, 0.5, 0]})", "RGBPoints missing"}, {R"({"RGBPoints": [0, 1, 1]})", "four numbers"},
      {R"({"RGBPoints": [0, 1, 1, "1"]})", "non-number"}, {R"({"RGBPoints": [0, 2, 0, 0]})", "outside 0..1"},
      {R"({"RGBPoints": [0, -1.5, 0, 0]})", "outside 0..1"},
      {std::string(20, '[') + std::string(20, ']'), "nested deeper than a colour map"},
      {R"({"RGBPoints": [9, 1, 1, 1, 3, 0, 0, 0]})", "increasing order"},
  };
  for (const auto& [text, reason] : cases) {
    Table t(1024, 0.5f);
    const std::string path = WriteTempFile("broken.json", {text.begin(), text.end()});
    try {
      ReadTransferFile(path, 0, 1, t.data());
      ADD_FAILURE() << "accepted " << text;
    } catch (const TransferFileError& error) {
      const std::string message = error.what();
      EXPECT_TRUE(message.rfind(path + ": ", 0) == 0 && message.find(reason) != std::string::npos) << message;
    }
    EXPECT_EQ(t, Table(1024, 0.5f)) << text;
  }
  Table t(1024);
  EXPECT_THROW(ReadTransferFile(testing::TempDir() + "missing.json", 0, 1, t.data()), TransferFileError);
  EXPECT_THROW(ReadTransferFile(testing::TempDir(), 0, 1, t.data()), TransferFileError);
  // Refused unread beyond the bound given, and named escaped.
  const std::string odd = WriteTempFile("odd\x1b[2Jname\n.json", {'['});
  std::filesystem::resize_file(odd, kMaxColourMapBytes + 1);
  try {
    ReadTransferText(odd);
    ADD_FAILURE() << "read a file over the bound";
  } catch (const TransferFileError& error) {
    EXPECT_EQ(std::string(error.what()), testing::TempDir() + "odd\\x1b[2Jname\\n.json: too large for a colour map (over 8 MiB)");
  }
  EXPECT_THROW(WriteTransferFile(testing::TempDir() + "no/dir.json", t.data(), 0, 1), TransferFileError);
}

}  // namespace

TEST(TransferFile, SavedThroughASymlinkToItsTargetAndAFolderIsRefusedAtStart) {
  const std::vector<float> t(1024, 0.5f);
  const std::string dir = testing::TempDir() + "tf_links/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "real");
  std::filesystem::create_symlink("real/map.json", dir + "link.json");  // dangling until written
  EXPECT_NO_THROW(CheckTransferFileWritable(dir + "link.json"));
  WriteTransferFile(dir + "link.json", t.data(), 0, 1);
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "link.json"));
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir + "real/map.json")));
  // A link planted where a fixed temporary name would be is neither
  // followed nor removed, and the saved file keeps its mode.
  std::filesystem::create_symlink("victim", dir + "real/map.json.part");
  std::ofstream(dir + "real/victim") << "precious";
  std::filesystem::permissions(dir + "real/map.json", std::filesystem::perms(0600));
  WriteTransferFile(dir + "link.json", t.data(), 0, 2);  // again, onto the existing target
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "link.json"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "real/map.json.part"));
  std::string kept;
  std::getline(std::ifstream(dir + "real/victim"), kept);
  EXPECT_EQ(kept, "precious");
  EXPECT_EQ(std::filesystem::status(dir + "real/map.json").permissions(), std::filesystem::perms(0600));
  try {
    CheckTransferFileWritable(dir + "real");
    ADD_FAILURE();
  } catch (const TransferFileError& error) {
    EXPECT_EQ(std::string(error.what()), dir + "real: cannot write: is a folder");
  }
}
