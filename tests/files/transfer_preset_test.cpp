// Presets: maps in data units and over the window, the folder listing that
// skips broken files, and preset names that must stay inside the folder.
#include "files/transfer_preset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Table = std::vector<float>;  // 256 RGBA entries

// A fresh folder holding `files` (name, text).
std::string Folder(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
  const fs::path folder = fs::path(testing::TempDir()) / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (const auto& [file, text] : files) std::ofstream(folder / file) << text;
  return folder.string();
}

// Red ramps from 0 to 1 between x = 0 and x = 1 (data units or fractions).
const std::string kData = R"({"RGBPoints": [0, 0, 0, 0, 1000, 1, 1, 1], "Points": [0, 0, 0.5, 0, 1000, 1, 0.5, 0]})";
const std::string kRelative =
    R"({"Description": "over the window", "RelativeToWindow": true,
        "RGBPoints": [0.5, 0, 0, 0, 1, 1, 1, 1]})";

TEST(TransferPreset, DataUnitsAndWindowFractionsAreBothResampledOverTheWindow) {
  const std::string folder = Folder("units", {{"data.json", kData}, {"relative.json", kRelative}});
  const TransferPreset data = ReadTransferPreset(folder + "/data.json");
  const TransferPreset relative = ReadTransferPreset(folder + "/relative.json");
  EXPECT_EQ((std::vector<std::string>{data.name, relative.name, relative.description}),
            (std::vector<std::string>{"data", "relative", "over the window"}));

  // Window -1000..1040: entry i stands for -1000 + 8 i.
  Table t(1024);
  FillPresetTable(data, -1000, 1040, t.data());
  EXPECT_EQ((Table{t[4 * 100], t[4 * 125], t[4 * 125 + 3], t[4 * 250]}),
            (Table{0.0f, 0.0f, 0.0f, 1.0f}));  // held below 0 HU, ramp from 0, held above 1000
  EXPECT_FLOAT_EQ(t[4 * 150], 0.2f);  // 200 HU
  // The same window for the relative map: x is a fraction of it.
  FillPresetTable(relative, -1000, 1040, t.data());
  EXPECT_EQ((Table{t[4 * 100], t[4 * 255]}), (Table{0.0f, 1.0f}));
  EXPECT_NEAR(t[4 * 191], (191.0 / 255 - 0.5) * 2, 1e-6);
  // Without Points, the opacity ramps linearly over the window.
  EXPECT_EQ((Table{t[3], t[4 * 51 + 3], t[1023]}), (Table{0.0f, 0.2f, 1.0f}));

  // Any other window moves the relative map with it.
  Table other(1024);
  FillPresetTable(relative, 5, 6, other.data());
  EXPECT_EQ(other, t);
}

TEST(TransferPreset, BrokenFilesAreSkippedWithOneWarningEachAndNamesStayInTheFolder) {
  const std::string folder =
      Folder("listing", {{"b-data.json", kData},
                         {"a-relative.json", kRelative},
                         {"broken.json", R"({"RGBPoints": [0, 1, 1]})"},
                         {"flag.json", R"({"RelativeToWindow": "yes", "RGBPoints": [0, 1, 1, 1]})"},
                         {"notes.txt", "not a preset"}});
  const PresetFolder listing = ReadPresetFolder(folder);
  std::vector<std::string> names;
  for (const TransferPreset& preset : listing.presets) names.push_back(preset.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a-relative", "b-data"}));
  ASSERT_EQ(listing.warnings.size(), 2u);
  EXPECT_EQ(listing.warnings[0], folder + "/broken.json: warning: RGBPoints is not a list of points of "
                                          "four numbers, preset skipped");
  EXPECT_EQ(listing.warnings[1],
            folder + "/flag.json: warning: RelativeToWindow is not true or false, preset skipped");
  EXPECT_THROW(ReadTransferPreset(folder + "/broken.json"), TransferFileError);

  const PresetFolder missing = ReadPresetFolder(folder + "/none");
  EXPECT_TRUE(missing.presets.empty());
  EXPECT_EQ(missing.warnings.size(), 1u);

  EXPECT_EQ(PresetPath(folder, "b-data"), folder + "/b-data.json");
  Folder("listing/sub", {{"inner.json", kData}});
  std::ofstream(fs::path(testing::TempDir()) / "outside.json") << kData;
  for (const std::string name : {"", "missing", "notes", "sub/inner", "../outside", ".json"}) {
    EXPECT_EQ(PresetPath(folder, name), "") << name;
  }
}

TEST(TransferPreset, InstalledPresetsAllReadAndCoverTheirUnits) {
  const PresetFolder installed = ReadPresetFolder(VOLVIEW_PRESETS_DIR);
  EXPECT_EQ(installed.warnings, std::vector<std::string>{});
  std::vector<std::string> names;
  for (const TransferPreset& preset : installed.presets) {
    names.push_back(preset.name);
    EXPECT_FALSE(preset.description.empty()) << preset.name;
    // Every preset leaves the bottom of the window (background, air) unseen.
    Table t(1024);
    FillPresetTable(preset, -1024, 3071, t.data());
    EXPECT_EQ(t[3], 0.0f) << preset.name;
  }
  for (const char* name : {"grayscale", "ct-bone", "ct-soft-tissue", "ct-lung", "ct-angio", "mr-default",
                           "mr-mip", "viridis", "inferno", "cool-warm", "ct-skin-bone"}) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
}

}  // namespace
