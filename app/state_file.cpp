// Sections: writing (FormatState), reading (Reader, ApplyStateText), files.
#include "app/state_file.h"

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/pane_layout.h"
#include "app/volume_cuts.h"
#include "files/file_checks.h"
#include "files/replace_file.h"
#include "files/transfer_file.h"
#include "files/volume_space.h"

namespace {

using nlohmann::json;
using nlohmann::ordered_json;
namespace fs = std::filesystem;

constexpr char kFormat[] = "volview state";
constexpr int kVersion = 1;
constexpr std::uintmax_t kMaxStateBytes = 16 << 20;  // a table and a few hundred numbers: far less
constexpr const char* kAxisNames[3] = {"sagittal", "coronal", "axial"};  // by SliceAxis

template <size_t N, typename T>
ordered_json List(const std::array<T, N>& values) {
  ordered_json list = ordered_json::array();
  for (const T& value : values) list.push_back(value);
  return list;
}

ordered_json PlaneNames(const std::array<bool, 3>& planes) {
  ordered_json names = ordered_json::array();
  // In the order --planes lists them.
  for (const SliceAxis axis : {SliceAxis::Axial, SliceAxis::Coronal, SliceAxis::Sagittal}) {
    if (planes[static_cast<int>(axis)]) names.push_back(kAxisNames[static_cast<int>(axis)]);
  }
  return names;
}

bool SameCrop(const CropBox& a, const CropBox& b) { return a.low == b.low && a.high == b.high; }

// The volume's path as the state file keeps it: relative to the file's
// folder when it lies below it.
std::string SavedVolumePath(const std::string& volume, const std::string& statePath) {
  const fs::path absolute = fs::absolute(volume).lexically_normal();
  const fs::path folder = fs::absolute(statePath).parent_path().lexically_normal();
  const fs::path relative = absolute.lexically_relative(folder);
  const bool below = !relative.empty() && *relative.begin() != "..";
  return (below ? relative : absolute).string();
}

ordered_json Reading(const ViewerOptions& options) {
  ordered_json reading;
  if (options.raw) {
    const RawLayout& raw = *options.raw;
    reading["raw"] = {{"sizes", List(raw.sizes)},
                      {"type", VoxelTypeName(raw.type)},
                      {"bigEndian", raw.bigEndian},
                      {"headerBytes", raw.headerBytes}};
  }
  reading["frame"] = options.frame;
  if (options.spacing) reading["spacing"] = List(*options.spacing);
  reading["maxSize"] = options.maxSize;
  reading["singleFile"] = options.singleFile;
  if (!options.series.empty()) reading["series"] = options.series;
  return reading;
}

ordered_json Camera(const CameraState& camera) {
  std::array<double, 9> rotation{};
  std::copy(camera.rotation.begin(), camera.rotation.end(), rotation.begin());
  return {{"view", AnatomicalViewName(camera.start.view)},
          {"startZoom", camera.start.zoom},
          {"startProjection", camera.start.orthographic ? "orthographic" : "perspective"},
          {"rotation", List(rotation)},
          {"zoom", camera.zoom},
          {"fit", camera.fitHalfSide},
          {"pivot", camera.pivot},
          {"pan", {camera.panX, camera.panY}},
          {"projection", camera.orthographic ? "orthographic" : "perspective"}};
}

ordered_json Transfer(const ViewSnapshot& snapshot) {
  if (snapshot.tableIsPreset) return {{"preset", snapshot.tableName}};
  const IntensityWindow& window = snapshot.state->window;
  return {{"name", snapshot.tableName},
          {"map", ordered_json::parse(FormatTransferMap(snapshot.table, window.low, window.high))}};
}

ordered_json SlicePanes(const std::array<SlicePaneView, 3>& panes) {
  ordered_json all;
  for (const SliceAxis axis : {SliceAxis::Axial, SliceAxis::Coronal, SliceAxis::Sagittal}) {
    const SlicePaneView& pane = panes[static_cast<int>(axis)];
    all[kAxisNames[static_cast<int>(axis)]] = {{"zoom", pane.zoom}, {"pan", {pane.panRight, pane.panDown}}};
  }
  return all;
}

// dump(2) puts every number of a list on a line of its own: short lists
// go on one line, long ones (the colour map's points) four to a line.
std::string CompactLists(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('[', at);
    if (open == std::string::npos) break;
    const size_t close = text.find_first_of("[]{", open + 1);
    if (close == std::string::npos || text[close] != ']') {
      out.append(text, at, open + 1 - at);
      at = open + 1;
      continue;
    }
    std::vector<std::string> items;
    size_t from = open + 1;
    while (from < close) {
      size_t end = text.find(',', from);
      if (end == std::string::npos || end > close) end = close;
      const size_t first = text.find_first_not_of(" \n", from);
      const size_t last = text.find_last_not_of(" \n", end - 1);
      if (first < end) items.push_back(text.substr(first, last + 1 - first));
      from = end + 1;
    }
    const size_t lineStart = text.rfind('\n', open) + 1;
    const std::string indent(text.find_first_not_of(' ', lineStart) - lineStart + 2, ' ');
    out.append(text, at, open + 1 - at);
    for (size_t i = 0; i < items.size(); ++i) {
      if (items.size() > 9 && i % 4 == 0) out += "\n" + indent;
      out += items[i];
      if (i + 1 < items.size()) out += items.size() > 9 && i % 4 == 3 ? "," : ", ";
    }
    if (items.size() > 9) out += "\n" + indent.substr(2);
    out += ']';
    at = close + 1;
  }
  out.append(text, at, std::string::npos);
  return out;
}

}  // namespace

// --- writing -------------------------------------------------------------

std::string FormatState(const ViewSnapshot& snapshot, const std::string& statePath) {
  const ViewerOptions& options = *snapshot.options;
  const VolumeInfo& info = *snapshot.info;
  const ViewState& state = *snapshot.state;
  ordered_json file;
  file["format"] = kFormat;
  file["version"] = kVersion;
  file["volume"] = SavedVolumePath(options.volume, statePath);
  file["reading"] = Reading(options);
  file["size"] = List(snapshot.windowSize);
  file["camera"] = Camera(state.camera);
  file["mode"] = RenderModeName(state.mode);
  file["window"] = {state.window.low, state.window.high};
  file["iso"] = state.window.low + static_cast<double>(state.isoLevel) * (state.window.high - state.window.low);
  file["slices"] = state.sliceCount;
  file["transfer"] = Transfer(snapshot);
  file["light"] = List(snapshot.light);
  file["viewClip"] = {{"on", state.viewClip}, {"distance", state.clipDistance}};
  if (state.shownPart.side != WholeVolumeView(info).side || state.shownPart.centre != WholeVolumeView(info).centre) {
    file["shownPart"] = {{"centre", List(state.shownPart.centre)}, {"side", state.shownPart.side}};
  }
  file["layout"] = LayoutName(state.layout);
  file["cursor"] = List(CanonicalToRas(info, state.cursor));
  file["sliceWindow"] = {state.sliceWindow.low, state.sliceWindow.high};
  file["neurological"] = state.neurological;
  file["nearest"] = state.sampling == Sampling::Nearest;
  file["slicePanes"] = SlicePanes(state.slicePanes);
  if (state.ruler.shown) {
    file["ruler"] = {{"slice", kAxisNames[static_cast<int>(state.ruler.axis)]},
                     {"from", List(CanonicalToRas(info, state.ruler.from))},
                     {"to", List(CanonicalToRas(info, state.ruler.to))}};
  }
  if (!SameCrop(state.crop, WholeCrop(info))) {
    const CropRequest faces = CropToRas(info, state.crop);
    ordered_json crop = ordered_json::array();
    for (const RasRange& range : faces) crop.push_back({*range.low, *range.high});
    file["crop"] = crop;
  }
  file["cropBoxShown"] = state.cropHandles;
  if (state.clip.on) {
    file["clip"] = {state.clip.normal[0], state.clip.normal[1], state.clip.normal[2], state.clip.distance};
  }
  file["caps"] = state.caps;
  file["planes"] = PlaneNames(state.planes);
  file["clean"] = state.clean;
  if (snapshot.background) file["background"] = List(*snapshot.background);
  return CompactLists(file.dump(2)) + "\n";
}

// --- reading -------------------------------------------------------------

namespace {

// Typed access to one object of the file. Every key asked for is known;
// the others are added to `unknown` when the reader is done.
class Reader {
public:
  Reader(const json& object, std::string where, std::vector<std::string>& unknown)
      : object_(object), where_(std::move(where)), unknown_(unknown) {
    if (!object_.is_object()) Fail("is not an object");
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  ~Reader() {
    for (auto item = object_.begin(); item != object_.end(); ++item) {
      if (known_.count(item.key()) == 0) unknown_.push_back(Name(item.key().c_str()));
    }
  }

  bool Has(const char* key) {
    known_.insert(key);
    return object_.contains(key);
  }

  double Number(const char* key) {
    const json& value = At(key);
    if (!value.is_number() || !std::isfinite(value.get<double>())) Fail(key, "is not a number");
    return value.get<double>();
  }

  int64_t Integer(const char* key, int64_t low, int64_t high) {
    const json& value = At(key);
    if (!value.is_number_integer() && !value.is_number_unsigned()) Fail(key, "is not a whole number");
    const double number = value.get<double>();
    if (number < static_cast<double>(low) || number > static_cast<double>(high)) {
      Fail(key, "lies outside " + std::to_string(low) + ".." + std::to_string(high));
    }
    return value.get<int64_t>();
  }

  bool Bool(const char* key) {
    const json& value = At(key);
    if (!value.is_boolean()) Fail(key, "is not true or false");
    return value.get<bool>();
  }

  std::string String(const char* key) {
    const json& value = At(key);
    if (!value.is_string()) Fail(key, "is not a string");
    return value.get<std::string>();
  }

  template <size_t N>
  std::array<double, N> Numbers(const char* key) {
    const json& value = At(key);
    if (!value.is_array() || value.size() != N) Fail(key, "is not a list of " + std::to_string(N) + " numbers");
    std::array<double, N> numbers{};
    for (size_t i = 0; i < N; ++i) {
      if (!value[i].is_number() || !std::isfinite(value[i].get<double>())) {
        Fail(key, "is not a list of " + std::to_string(N) + " numbers");
      }
      numbers[i] = value[i].get<double>();
    }
    return numbers;
  }

  IntensityWindow Window(const char* key) {
    const std::array<double, 2> ends = Numbers<2>(key);
    if (!(ends[0] < ends[1])) Fail(key, "does not run from low to high");
    return {ends[0], ends[1]};
  }

  Reader Object(const char* key) { return Reader(At(key), Name(key), unknown_); }
  const json& Raw(const char* key) { return At(key); }

  [[noreturn]] void Fail(const char* key, const std::string& what) const { throw StateFileError(Name(key) + " " + what); }

private:
  const json& At(const char* key) {
    known_.insert(key);
    const auto found = object_.find(key);
    if (found == object_.end()) Fail(key, "is missing");
    return *found;
  }

  std::string Name(const char* key) const { return where_.empty() ? key : where_ + "." + key; }
  [[noreturn]] void Fail(const std::string& what) const { throw StateFileError(where_ + " " + what); }

  const json& object_;
  std::string where_;
  std::vector<std::string>& unknown_;
  std::set<std::string> known_;
};

// One enumerated name, through the parser of the option that takes it.
template <typename Parse>
auto Named(Reader& reader, const char* key, Parse parse, const char* expected) {
  const std::string name = reader.String(key);
  const auto value = parse(name);
  if (!value) reader.Fail(key, "is '" + name + "', expected " + expected);
  return *value;
}

std::optional<SliceAxis> ParseAxis(const std::string& name) {
  for (int a = 0; a < 3; ++a) {
    if (name == kAxisNames[a]) return static_cast<SliceAxis>(a);
  }
  return std::nullopt;
}

std::optional<bool> ParseOrthographic(const std::string& name) {
  if (name == "orthographic") return true;
  if (name == "perspective") return false;
  return std::nullopt;
}

void ReadVolume(Reader& file, const std::string& statePath, ViewerOptions& options) {
  const fs::path saved = file.String("volume");
  if (saved.empty()) file.Fail("volume", "is empty");
  options.volume = (saved.is_absolute() ? saved : fs::path(statePath).parent_path() / saved).string();
  Reader reading = file.Object("reading");
  if (reading.Has("raw")) {
    Reader raw = reading.Object("raw");
    RawLayout layout;
    const json& sizes = raw.Raw("sizes");
    if (!sizes.is_array() || sizes.size() != 3) raw.Fail("sizes", "is not a list of 3 whole numbers");
    for (int a = 0; a < 3; ++a) {
      if (!sizes[a].is_number_integer() || sizes[a].get<int64_t>() < 1) {
        raw.Fail("sizes", "is not a list of 3 whole numbers");
      }
      layout.sizes[a] = sizes[a].get<int64_t>();
    }
    layout.type = Named(raw, "type", ParseVoxelType, "a voxel type such as int16");
    layout.bigEndian = raw.Bool("bigEndian");
    layout.headerBytes = static_cast<uint64_t>(raw.Integer("headerBytes", 0, INT64_MAX));
    options.raw = layout;
  }
  options.frame = static_cast<int>(reading.Integer("frame", 0, 1 << 20));
  if (reading.Has("spacing")) {
    const std::array<double, 3> spacing = reading.Numbers<3>("spacing");
    if (!(spacing[0] > 0 && spacing[1] > 0 && spacing[2] > 0)) reading.Fail("spacing", "is not positive");
    options.spacing = spacing;
  }
  options.maxSize = static_cast<int>(reading.Integer("maxSize", 1, 1 << 16));
  options.singleFile = reading.Bool("singleFile");
  if (reading.Has("series")) options.series = reading.String("series");
}

void ReadCamera(Reader& camera, const std::set<std::string>& given, ViewerOptions& options, RestoredView& restored) {
  const bool view = given.count("--view") > 0, zoom = given.count("--zoom") > 0;
  const bool projection = given.count("--projection") > 0;
  const AnatomicalView start = Named(camera, "view", ParseAnatomicalView, "a side such as anterior");
  const double startZoom = camera.Number("startZoom");
  const bool startOrthographic = Named(camera, "startProjection", ParseOrthographic, "perspective or orthographic");
  const std::array<double, 9> rotation = camera.Numbers<9>("rotation");
  const double now = camera.Number("zoom");
  const double fit = camera.Number("fit");
  const std::array<double, 3> pivot = camera.Numbers<3>("pivot");
  const std::array<double, 2> pan = camera.Numbers<2>("pan");
  const bool orthographic = Named(camera, "projection", ParseOrthographic, "perspective or orthographic");
  if (!(startZoom >= 0.1 && startZoom <= 50)) camera.Fail("startZoom", "lies outside 0.1..50");
  if (!(now > 0)) camera.Fail("zoom", "is not positive");
  if (!(fit > 0)) camera.Fail("fit", "is not positive");
  if (!view) {
    options.camera.view = start;
    options.viewGiven = true;
    Rotation turn{};
    std::copy(rotation.begin(), rotation.end(), turn.begin());
    restored.rotation = turn;
    restored.pan = pan;
    restored.fitHalfSide = fit;
    restored.pivot = pivot;
  }
  if (!zoom) {
    options.camera.zoom = startZoom;
    restored.zoom = now;
  }
  if (!projection) {
    options.camera.orthographic = startOrthographic;
    restored.orthographic = orthographic;
  }
}

void ReadTransfer(Reader& transfer, const IntensityWindow& window, ViewerOptions& options, RestoredView& restored) {
  if (transfer.Has("preset")) {
    options.preset = transfer.String("preset");
    return;
  }
  restored.transferName = transfer.String("name");
  restored.transferMap = transfer.Raw("map").dump();
  float table[256 * 4] = {};
  try {
    ParseTransferMap(restored.transferMap, window.low, window.high, table);
  } catch (const TransferMapError& error) {
    transfer.Fail("map", std::string("is not a colour map: ") + error.what());
  }
}

void ReadSlices(Reader& file, const std::set<std::string>& given, ViewerOptions& options, RestoredView& restored) {
  const auto unless = [&](const char* option) { return given.count(option) == 0; };
  const Layout layout = Named(file, "layout", ParseLayout, "3d, axial, coronal, sagittal or quad");
  if (unless("--layout")) options.layout = layout;
  const std::array<double, 3> cursor = file.Numbers<3>("cursor");
  if (unless("--cursor") && unless("--cursor-voxel")) options.cursor = cursor;
  const IntensityWindow sliceWindow = file.Window("sliceWindow");
  if (unless("--slice-window")) options.sliceWindow = sliceWindow;
  options.neurological = file.Bool("neurological") || options.neurological;
  options.nearest = file.Bool("nearest") || options.nearest;
  Reader panes = file.Object("slicePanes");
  for (int a = 0; a < 3; ++a) {
    Reader pane = panes.Object(kAxisNames[a]);
    const std::array<double, 2> pan = pane.Numbers<2>("pan");
    restored.slicePanes[a] = {pane.Number("zoom"), pan[0], pan[1]};
    if (!(restored.slicePanes[a].zoom > 0)) pane.Fail("zoom", "is not positive");
  }
  if (file.Has("ruler")) {
    Reader ruler = file.Object("ruler");
    restored.ruler = SavedRuler{Named(ruler, "slice", ParseAxis, "axial, coronal or sagittal"),
                                ruler.Numbers<3>("from"), ruler.Numbers<3>("to")};
  }
}

void ReadCuts(Reader& file, const std::set<std::string>& given, ViewerOptions& options, RestoredView& restored) {
  if (file.Has("crop")) {
    const json& ranges = file.Raw("crop");
    CropRequest crop;
    if (!ranges.is_array() || ranges.size() != 3) file.Fail("crop", "is not three ranges [low, high]");
    for (int k = 0; k < 3; ++k) {
      const json& range = ranges[k];
      if (!range.is_array() || range.size() != 2 || !range[0].is_number() || !range[1].is_number() ||
          !(range[0].get<double>() < range[1].get<double>())) {
        file.Fail("crop", "is not three ranges [low, high]");
      }
      crop[k] = {range[0].get<double>(), range[1].get<double>()};
    }
    if (given.count("--crop") == 0) options.crop = crop;
  }
  restored.cropHandles = file.Bool("cropBoxShown");
  if (file.Has("clip")) {
    const std::array<double, 4> clip = file.Numbers<4>("clip");
    if (clip[0] == 0 && clip[1] == 0 && clip[2] == 0) file.Fail("clip", "has a zero normal");
    if (given.count("--clip") == 0) options.clip = clip;
  }
  const bool caps = file.Bool("caps");
  if (given.count("--caps") == 0) options.caps = caps;
  const json& planes = file.Raw("planes");
  if (!planes.is_array()) file.Fail("planes", "is not a list of slice names");
  std::array<bool, 3> chosen{};
  for (const json& name : planes) {
    const std::optional<SliceAxis> axis = name.is_string() ? ParseAxis(name.get<std::string>()) : std::nullopt;
    if (!axis) file.Fail("planes", "is not a list of axial, coronal and sagittal");
    chosen[static_cast<int>(*axis)] = true;
  }
  if (given.count("--planes") == 0 && !planes.empty()) options.planes = chosen;
}

}  // namespace

std::vector<std::string> ApplyStateText(const std::string& text, const std::string& statePath,
                                        const std::set<std::string>& given, ViewerOptions& options) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error&) {
    throw StateFileError("not valid JSON");
  } catch (const json::exception&) {  // a number beyond double's range
    throw StateFileError("not valid JSON (a number out of range)");
  }
  const auto format = document.is_object() ? document.find("format") : document.end();
  if (format == document.end() || !format->is_string() || format->get<std::string>() != kFormat) {
    throw StateFileError(std::string("not a saved view (no \"format\": \"") + kFormat + "\")");
  }
  std::vector<std::string> unknown;
  {
  Reader file(document, "", unknown);
  file.String("format");
  file.Integer("version", 1, INT32_MAX);
  RestoredView restored;
  if (options.volume.empty()) {
    ReadVolume(file, statePath, options);
  } else {
    file.Has("volume");  // replaced by the command line's, with how it is read
    file.Has("reading");
  }
  const std::array<double, 2> size = file.Numbers<2>("size");
  if (!(size[0] >= 1 && size[1] >= 1 && size[0] <= 16384 && size[1] <= 16384)) file.Fail("size", "is not a window size");
  if (given.count("--size") == 0) {
    options.size = std::array<int, 2>{static_cast<int>(size[0]), static_cast<int>(size[1])};
  }
  Reader camera = file.Object("camera");
  ReadCamera(camera, given, options, restored);
  const RenderMode mode = Named(file, "mode", ParseRenderMode, "composite, mip, minip, average or iso");
  if (given.count("--mode") == 0) options.mode = mode;
  const IntensityWindow window = file.Window("window");
  if (given.count("--window") == 0) options.window = window;
  const double iso = file.Number("iso");
  if (given.count("--iso") == 0) options.iso = iso;
  const int slices = static_cast<int>(file.Integer("slices", 1, 100000));
  if (given.count("--slices") == 0) options.slices = slices;
  Reader transfer = file.Object("transfer");
  if (given.count("--tf") == 0 && given.count("--preset") == 0 && options.transferFile.empty()) {
    ReadTransfer(transfer, window, options, restored);
  } else {
    transfer.Has("preset");
    transfer.Has("name");
    transfer.Has("map");
  }
  const std::array<double, 3> light = file.Numbers<3>("light");
  restored.light = std::array<float, 3>{static_cast<float>(light[0]), static_cast<float>(light[1]),
                                        static_cast<float>(light[2])};
  Reader viewClip = file.Object("viewClip");
  restored.viewClip = viewClip.Bool("on");
  restored.clipDistance = static_cast<int32_t>(viewClip.Integer("distance", -100000, 100000));
  if (file.Has("shownPart")) {
    Reader shown = file.Object("shownPart");
    restored.shownPart = VolumeView{shown.Numbers<3>("centre"), shown.Number("side")};
    if (!(restored.shownPart->side > 0)) shown.Fail("side", "is not positive");
  }
  ReadSlices(file, given, options, restored);
  ReadCuts(file, given, options, restored);
  options.clean = file.Bool("clean") || options.clean;
  if (file.Has("background") && given.count("--background") == 0) {
    const std::array<double, 3> rgb = file.Numbers<3>("background");
    if (*std::min_element(rgb.begin(), rgb.end()) < 0 || *std::max_element(rgb.begin(), rgb.end()) > 1) {
      file.Fail("background", "is not red, green and blue from 0 to 1");
    }
    options.background = std::array<float, 3>{static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                                              static_cast<float>(rgb[2])};
  }
  options.restored = restored;
  }
  return unknown;
}

void ApplyRestoredView(const RestoredView& restored, const VolumeInfo& info, ViewState& state) {
  CameraState& camera = state.camera;
  if (restored.rotation) camera.rotation = *restored.rotation;
  if (restored.pan) {
    camera.panX = (*restored.pan)[0];
    camera.panY = (*restored.pan)[1];
  }
  if (restored.zoom) camera.zoom = *restored.zoom;
  if (restored.fitHalfSide) camera.fitHalfSide = *restored.fitHalfSide;
  if (restored.pivot) camera.pivot = *restored.pivot;
  if (restored.orthographic) camera.orthographic = *restored.orthographic;
  state.viewClip = restored.viewClip;
  state.clipDistance = restored.clipDistance;
  if (restored.shownPart) state.shownPart = *restored.shownPart;
  state.slicePanes = restored.slicePanes;
  state.cropHandles = restored.cropHandles;
  if (restored.ruler) {
    state.ruler = {true, restored.ruler->axis, RasToCanonical(info, restored.ruler->from),
                   RasToCanonical(info, restored.ruler->to)};
  }
}

// --- files ---------------------------------------------------------------

void ApplyStateFile(const std::string& path, const std::set<std::string>& given, ViewerOptions& options) {
  const std::string name = EscapedName(path);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw StateFileError(name + ": no such file");
  if (!fs::is_regular_file(status)) throw StateFileError(name + ": not a regular file");
  if (fs::file_size(path, error) > kMaxStateBytes) throw StateFileError(name + ": too large for a saved view");
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) throw StateFileError(name + ": cannot read it");
  try {
    const std::vector<std::string> unknown = ApplyStateText(text, path, given, options);
    if (!unknown.empty()) {
      std::string names;
      for (const std::string& field : unknown) names += (names.empty() ? "" : ", ") + field;
      std::fprintf(stderr, "volview: %s: fields unknown to this version, ignored: %s\n", name.c_str(),
                   EscapedName(names).c_str());
    }
  } catch (const StateFileError& problem) {
    throw StateFileError(name + ": " + problem.what());
  }
}

std::string StateFileProblem(const std::string& path) {
  std::error_code error;
  if (fs::is_directory(path, error)) return EscapedName(path) + ": cannot write: is a folder";
  const fs::path folder = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
  if (access(folder.c_str(), W_OK) != 0) return EscapedName(path) + ": cannot write: " + std::strerror(errno);
  return "";
}

void WriteStateFile(const std::string& path, const std::string& text) {
  try {
    ReplaceFile(path, text);
  } catch (const ReplaceFileError& error) {
    throw StateFileError(EscapedName(path) + ": " + error.what());
  }
}
