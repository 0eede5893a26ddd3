// Saved views: written and read back they give the same view; options
// given after --state win; unknown and wrong fields are named.
#include "app/state_file.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/volume_cuts.h"
#include "files/transfer_file.h"
#include "files/volume_space.h"
#include "tests/app/nifti_like_scan.h"

namespace {

struct Saved {
  ViewerOptions options;
  ViewState state;
  std::vector<float> table = std::vector<float>(1024);
  std::string text;
};

// A view the user has worked on: every field away from its start, saved as `statePath`.
Saved WorkedOnView(const VolumeInfo& info, const std::string& statePath = "/data/scans/views/v.json") {
  Saved saved;
  saved.options.volume = "/data/scans/head.nii.gz";
  saved.options.frame = 2;
  saved.options.maxSize = 128;
  saved.options.spacing = std::array<double, 3>{1.5, 1.5, 4};
  ViewState& state = saved.state;
  state.window = {-100, 1100};
  state.camera.start = {AnatomicalView::Left, 1.25, true};
  state.camera.rotation = {0.36, 0.48, -0.8, -0.8, 0.6, 0, 0.48, 0.64, 0.6};
  state.camera.zoom = 2.3;
  state.camera.panX = 0.125;
  state.camera.panY = -0.3;
  state.camera.orthographic = true;
  state.mode = RenderMode::Iso;
  state.isoLevel = 0.3370001f;
  state.sliceCount = 345;
  state.viewClip = true;
  state.clipDistance = -14;
  state.shownPart = {{30, 35, 28}, 40};
  state.layout = Layout::Quad;
  state.cursor = {12.25, 3.5, 7};
  state.sliceWindow = {0, 500};
  state.neurological = true;
  state.sampling = Sampling::Nearest;
  state.slicePanes[static_cast<int>(SliceAxis::Coronal)] = {3.5, -12, 4.25};
  state.ruler = {true, SliceAxis::Coronal, {1, 2, 3}, {20, 2, 15}};
  state.crop = {{2, 0, 3.5}, {39.5, 21, 20}};
  state.cropHandles = true;
  state.clip = {true, {0.6, 0, -0.8}, -12.5};
  state.caps = false;
  state.planes = {true, false, true};
  state.clean = true;
  for (size_t i = 0; i < saved.table.size(); ++i) saved.table[i] = static_cast<float>((i * 37 % 1000) / 999.0);

  ViewSnapshot snapshot;
  snapshot.options = &saved.options;
  snapshot.info = &info;
  snapshot.state = &saved.state;
  snapshot.windowSize = {640, 480};
  snapshot.light = {0.6f, -0.8f, 0};
  snapshot.table = saved.table.data();
  snapshot.tableName = "edited";
  snapshot.background = std::array<float, 3>{1, 0.5f, 0.2f};
  saved.text = FormatState(snapshot, statePath);
  return saved;
}

// The state as CreateViewer builds it from the options, plus the restored parts.
ViewState Reopened(const VolumeInfo& info, const ViewerOptions& options) {
  ViewState state;
  state.window = *options.window;
  state.mode = options.mode;
  state.isoLevel = static_cast<float>((*options.iso - state.window.low) / (state.window.high - state.window.low));
  state.sliceCount = *options.slices;
  state.layout = options.layout;
  state.cursor = RasToCanonical(info, *options.cursor);
  state.sliceWindow = *options.sliceWindow;
  state.crop = *CropFromRas(info, *options.crop);
  state.clip = *ClipFromNumbers(*options.clip);
  ApplyRestoredView(*options.restored, info, state);
  return state;
}

void ExpectNear3(const std::array<double, 3>& a, const std::array<double, 3>& b) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], 1e-9) << k;
}

TEST(StateFile, AWorkedOnViewComesBackAsItWas) {
  const VolumeInfo info = NiftiLikeScan();
  const Saved saved = WorkedOnView(info);
  ViewerOptions options;
  EXPECT_TRUE(ApplyStateText(saved.text, "/data/scans/views/v.json", {}, options).empty());

  EXPECT_EQ(options.volume, "/data/scans/head.nii.gz");  // outside the state's folder: whole
  EXPECT_EQ(options.frame, 2);
  EXPECT_EQ(options.maxSize, 128);
  EXPECT_EQ(*options.spacing, (std::array<double, 3>{1.5, 1.5, 4}));
  EXPECT_EQ(*options.size, (std::array<int, 2>{640, 480}));
  EXPECT_EQ(options.camera.view, AnatomicalView::Left);
  EXPECT_TRUE(options.viewGiven);
  EXPECT_EQ(options.camera.zoom, 1.25);
  EXPECT_TRUE(options.camera.orthographic);
  EXPECT_TRUE(options.neurological);
  EXPECT_TRUE(options.nearest);
  EXPECT_FALSE(options.caps);
  EXPECT_TRUE(options.clean);
  EXPECT_EQ(*options.planes, (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(*options.background, (std::array<float, 3>{1, 0.5f, 0.2f}));
  EXPECT_EQ((*options.restored->light)[1], -0.8f);
  EXPECT_EQ(options.restored->transferName, "edited");

  const ViewState state = Reopened(info, options);
  const ViewState& was = saved.state;
  EXPECT_EQ(state.camera.rotation, was.camera.rotation);
  EXPECT_EQ(state.camera.zoom, was.camera.zoom);
  EXPECT_EQ(state.camera.panX, was.camera.panX);
  EXPECT_EQ(state.camera.panY, was.camera.panY);
  EXPECT_TRUE(state.camera.orthographic);
  EXPECT_EQ(state.mode, RenderMode::Iso);
  EXPECT_EQ(state.isoLevel, was.isoLevel) << "through data units and back, to the bit";
  EXPECT_EQ(state.sliceCount, 345);
  EXPECT_TRUE(state.viewClip);
  EXPECT_EQ(state.clipDistance, -14);
  EXPECT_EQ(state.shownPart.centre, was.shownPart.centre);
  EXPECT_EQ(state.layout, Layout::Quad);
  ExpectNear3(state.cursor, was.cursor);
  EXPECT_EQ(state.slicePanes[1].panRight, -12);
  EXPECT_TRUE(state.ruler.shown);
  EXPECT_EQ(state.ruler.axis, SliceAxis::Coronal);
  ExpectNear3(state.ruler.to, was.ruler.to);
  ExpectNear3(state.crop.low, was.crop.low);
  ExpectNear3(state.crop.high, was.crop.high);
  EXPECT_TRUE(state.cropHandles);
  ExpectNear3(state.clip.normal, was.clip.normal);
  EXPECT_NEAR(state.clip.distance, -12.5, 1e-12);

  // The table comes back bit for bit over the same window.
  float table[1024] = {};
  const nlohmann::json document = nlohmann::json::parse(saved.text);
  ParseTransferMap(document["transfer"]["map"].dump(), -100, 1100, table);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(table[i], saved.table[i]) << i;
}

TEST(StateFile, TheVolumeIsKeptRelativeBelowTheStateFolder) {
  const std::string text = WorkedOnView(NiftiLikeScan(), "/data/v.json").text;
  EXPECT_EQ(nlohmann::json::parse(text)["volume"], "scans/head.nii.gz");
  ViewerOptions options;
  ApplyStateText(text, "/moved/there/v.json", {}, options);
  EXPECT_EQ(options.volume, "/moved/there/scans/head.nii.gz");
  // A volume named on the command line replaces the saved one and how it was read.
  ViewerOptions other;
  other.volume = "other.nrrd";
  ApplyStateText(text, "/data/v.json", {}, other);
  EXPECT_EQ(other.volume, "other.nrrd");
  EXPECT_EQ(other.frame, 0);
  EXPECT_FALSE(other.spacing);
}

TEST(StateFile, OptionsAfterTheStateWin) {
  const VolumeInfo info = NiftiLikeScan();
  const Saved saved = WorkedOnView(info);
  ViewerOptions options;
  options.mode = RenderMode::Maximum;
  options.camera.view = AnatomicalView::Superior;
  options.transferFile = "mine.json";
  ApplyStateText(saved.text, "v.json", {"--mode", "--view", "--crop", "--layout"}, options);
  EXPECT_EQ(options.mode, RenderMode::Maximum);
  EXPECT_EQ(options.camera.view, AnatomicalView::Superior);
  EXPECT_FALSE(options.restored->rotation) << "the saved turn would undo --view";
  EXPECT_FALSE(options.restored->pan);
  EXPECT_TRUE(options.restored->zoom);
  EXPECT_FALSE(options.crop);
  EXPECT_EQ(options.layout, Layout::Volume3d);
  EXPECT_TRUE(options.restored->transferMap.empty()) << "--tf replaces the saved table";
  EXPECT_TRUE(options.preset.empty());
}

TEST(StateFile, UnknownFieldsAreNamedAndWrongOnesRefused) {
  const VolumeInfo info = NiftiLikeScan();
  const Saved saved = WorkedOnView(info);
  nlohmann::json newer = nlohmann::json::parse(saved.text);
  newer["lens"] = "fisheye";
  newer["camera"]["roll"] = 3;
  newer["reading"]["raw"] = {{"sizes", {4, 4, 4}}, {"type", "int16"}, {"bigEndian", true}, {"headerBytes", 8},
                             {"compression", "gzip"}};
  ViewerOptions options;
  const std::vector<std::string> unknown = ApplyStateText(newer.dump(), "v.json", {}, options);
  EXPECT_EQ(unknown, (std::vector<std::string>{"reading.raw.compression", "camera.roll", "lens"}));
  EXPECT_EQ(options.raw->headerBytes, 8u);

  const auto refusal = [&](const nlohmann::json& document) {
    ViewerOptions ignored;
    try {
      ApplyStateText(document.dump(), "v.json", {}, ignored);
    } catch (const StateFileError& error) {
      return std::string(error.what());
    }
    return std::string("accepted");
  };
  // Each field broken in turn, the rest as saved.
  const std::pair<std::function<void(nlohmann::json&)>, std::string> broken[] = {
      {[](nlohmann::json& j) { j["camera"]["zoom"] = "near"; }, "camera.zoom is not a number"},
      {[](nlohmann::json& j) { j["mode"] = "xray"; }, "mode is 'xray', expected composite, mip, minip, average or iso"},
      {[](nlohmann::json& j) { j["window"] = {5, 5}; }, "window does not run from low to high"},
      {[](nlohmann::json& j) { j.erase("volume"); }, "volume is missing"},
      {[](nlohmann::json& j) { j["clip"] = {0, 0, 0, 4}; }, "clip has a zero normal"},
      {[](nlohmann::json& j) { j["transfer"]["map"] = {{"Points", {0, 1}}}; }, "transfer.map is not a colour map:"},
      {[](nlohmann::json& j) { j["slicePanes"]["axial"] = 3; }, "slicePanes.axial is not an object"},
  };
  for (const auto& [breakIt, reason] : broken) {
    nlohmann::json wrong = nlohmann::json::parse(saved.text);
    breakIt(wrong);
    const std::string got = refusal(wrong);  // a reason ending in ':' goes on with the parser's
    EXPECT_EQ(reason.back() == ':' ? got.substr(0, reason.size()) : got, reason);
  }
  EXPECT_EQ(refusal(nlohmann::json{{"RGBPoints", {0, 0, 0, 0}}}),
            "not a saved view (no \"format\": \"volview state\")");
  EXPECT_EQ(refusal(nlohmann::json{{"format", nlohmann::json::object()}}),
            "not a saved view (no \"format\": \"volview state\")");
  ViewerOptions ignored;
  EXPECT_THROW(ApplyStateText("{\"format\": ", "v.json", {}, ignored), StateFileError);
  EXPECT_THROW(ApplyStateText("{\"zoom\": 1e999}", "v.json", {}, ignored), StateFileError);
}

}  // namespace
