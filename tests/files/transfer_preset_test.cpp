// Presets: maps in data units and over the window, the folder listing that
// skips broken files, and preset names that must stay inside the folder.
#include "files/transfer_preset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Table = std::vector<float>;  // 256 RGBA entries

// Red ramps from 0 to 1 between x = 0 and x = 1000 (data units) or x = 0.5
// and 1 (fractions of the window); around them two broken files, one that is
// not a preset, and presets outside the folder that names must not reach.
const std::string kData = R"({"RGBPoints": [0, 0, 0, 0, 1000, 1, 1, 1], "Points": [0, 0, 0.5, 0, 1000, 1, 0.5, 0]})";
const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"b-data.json", kData},
    {"a-relative.json", R"({"Description": "over the window", "RelativeToWindow": true,
                            "RGBPoints": [0.5, 0, 0, 0, 1, 1, 1, 1]})"},
    {"broken.json", R"({"RGBPoints": [0, 1, 1]})"},
    {"flag.json", R"({"RelativeToWindow": "yes", "RGBPoints": [0, 1, 1, 1]})"},
    {"notes.txt", "not a preset"},
    {"..json", kData},
    {"sub/inner.json", kData},
    {"../outside.json", kData}};

TEST(TransferPreset, FolderSkipsBrokenFilesAndBothUnitsAreResampledOverTheWindow) {
  const fs::path folder = fs::path(testing::TempDir()) / "presets";
  fs::remove_all(folder);
  fs::create_directories(folder / "sub");
  for (const auto& [file, text] : kFiles) std::ofstream(folder / file) << text;
  const std::string dir = folder.string();
  const PresetFolder listing = ReadPresetFolder(dir);
  ASSERT_EQ(listing.presets.size(), 2u);
  const TransferPreset& relative = listing.presets[0];
  const TransferPreset& data = listing.presets[1];
  EXPECT_EQ((std::vector<std::string>{relative.name, relative.description, data.name}),
            (std::vector<std::string>{"a-relative", "over the window", "b-data"}));
  EXPECT_EQ(listing.warnings, (std::vector<std::string>{
      dir + "/broken.json: warning: RGBPoints is not a list of points of four numbers, preset skipped",
      dir + "/flag.json: warning: RelativeToWindow is not true or false, preset skipped"}));
  EXPECT_THROW(ReadTransferPreset(dir + "/broken.json"), TransferFileError);
  EXPECT_EQ(ReadPresetFolder(dir + "/none").warnings.size(), 1u);
  EXPECT_EQ(PresetPath(dir, "b-data"), dir + "/b-data.json");
  for (const std::string name : {"", "missing", "notes", "sub/inner", "../outside", ".json"}) {
    EXPECT_EQ(PresetPath(dir, name), "") << name;
  }

  // Window -1000..1040: entry i stands for -1000 + 8 i. Held below 0 HU,
  // ramp from 0 with opacity from Points, held above 1000.
  Table t(1024);
  FillPresetTable(data, -1000, 1040, t.data());
  EXPECT_EQ((Table{t[4 * 100], t[4 * 125], t[4 * 125 + 3], t[4 * 150], t[4 * 250]}),
            (Table{0.0f, 0.0f, 0.0f, 0.2f, 1.0f}));
  // The relative map over any window: x is a fraction of it, and without
  // Points the opacity ramps linearly.
  FillPresetTable(relative, -1000, 1040, t.data());
  EXPECT_EQ((Table{t[4 * 100], t[4 * 255], t[3], t[4 * 51 + 3], t[1023]}), (Table{0.0f, 1.0f, 0.0f, 0.2f, 1.0f}));
  EXPECT_NEAR(t[4 * 191], (191.0 / 255 - 0.5) * 2, 1e-6);
  Table other(1024);
  FillPresetTable(relative, 5, 6, other.data());
  EXPECT_EQ(other, t);
  // Only names are kept: a preset broken since it was listed says so when shown.
  std::ofstream(folder / "b-data.json") << "{";
  EXPECT_THROW(FillPresetTable(data, 0, 1, t.data()), TransferFileError);
}

TEST(TransferPreset, InstalledPresetsReadAndHideTheBottomOfTheWindow) {
  const PresetFolder installed = ReadPresetFolder(VOLVIEW_PRESETS_DIR);
  EXPECT_EQ(installed.warnings, std::vector<std::string>{});
  for (const TransferPreset& preset : installed.presets) {
    Table t(1024);
    FillPresetTable(preset, -1024, 3071, t.data());
    EXPECT_EQ(t[3], 0.0f) << preset.name;  // background and air unseen
  }
}

}  // namespace
