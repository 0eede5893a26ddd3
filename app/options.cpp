#include "app/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "app/pane_layout.h"
#include "app/state_file.h"
#include "app/transfer_presets.h"
#include "files/data_path.h"
#include "files/escaped_name.h"

const char kUsageLine[] = "Usage: volview [GLUT options] [VOLUME] [options] (see --help)";

namespace {

constexpr char kVersion[] = "volview 1.1";

// freeglut's own options, and whether each takes a value.
struct GlutOption {
  const char* name;
  bool takesValue;
};
constexpr GlutOption kGlutOptions[] = {{"-display", true}, {"-geometry", true},
                                       {"-direct", false}, {"-indirect", false},
                                       {"-iconic", false}, {"-gldebug", false},
                                       {"-sync", false}};

const GlutOption* FindGlutOption(const char* arg) {
  for (const GlutOption& option : kGlutOptions) {
    if (std::strcmp(arg, option.name) == 0) return &option;
  }
  return nullptr;
}

class UsageFormatter : public CLI::Formatter {
public:
  std::string make_usage(const CLI::App*, std::string name) const override {
    return "Usage: " + name + " [GLUT options] [VOLUME] [options]\n";
  }
};

// Plain decimal notation: digits, a point, an exponent. What strtod takes
// beyond it (hexadecimal, "inf", "nan") is no number a user means here.
bool IsDecimal(const std::string& text) {
  static const std::regex kDecimal(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  return std::regex_match(text, kDecimal);
}

// For the options CLI11 converts itself, which would take 0x10 as 16.
const CLI::Validator kDecimalNumber(
    [](std::string& text) { return IsDecimal(text) ? std::string() : "'" + text + "' is not a number"; },
    "", "decimal");

std::vector<double> SplitNumbers(const std::string& text, char separator, const std::string& what,
                                 size_t count) {
  std::vector<double> numbers;
  std::istringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) {
    if (!IsDecimal(part)) throw CLI::ValidationError(what, "'" + part + "' is not a number");
    double value = 0;
    try {
      value = std::stod(part);
    } catch (const std::out_of_range&) {
      // Beyond a double either way, or subnormal: a number, but not one to use.
      value = HUGE_VAL;
    }
    if (!std::isfinite(value) || (value != 0 && std::fabs(value) < 1e-300)) {
      throw CLI::ValidationError(what, "'" + part + "' is out of range");
    }
    numbers.push_back(value);
  }
  if (numbers.size() != count || (!text.empty() && text.back() == separator)) {
    throw CLI::ValidationError(what, "expected " + std::to_string(count) + " numbers separated by '" +
                                         separator + "', got '" + text + "'");
  }
  return numbers;
}

std::array<int64_t, 3> ParseRawSizes(const std::string& text) {
  const std::vector<double> sizes = SplitNumbers(text, 'x', "--raw", 3);
  std::array<int64_t, 3> result{};
  for (size_t i = 0; i < 3; ++i) {
    if (sizes[i] < 1 || sizes[i] > 1e9 || sizes[i] != std::floor(sizes[i])) {
      throw CLI::ValidationError("--raw", "sizes must be whole numbers of at least 1, got '" + text + "'");
    }
    result[i] = static_cast<int64_t>(sizes[i]);
  }
  return result;
}

// "X0:X1,Y0:Y1,Z0:Z1", any end or whole field left empty.
CropRequest ParseCrop(const std::string& text) {
  CropRequest request;
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1) {
    fields.push_back(text.substr(start, comma - start));
  }
  fields.push_back(text.substr(start));
  if (fields.size() != 3) {
    throw CLI::ValidationError("--crop", "expected three ranges X0:X1,Y0:Y1,Z0:Z1, got '" + text + "'");
  }
  for (size_t k = 0; k < 3; ++k) {
    if (fields[k].empty()) continue;
    const size_t colon = fields[k].find(':');
    if (colon == std::string::npos || fields[k].find(':', colon + 1) != std::string::npos) {
      throw CLI::ValidationError("--crop", "a range is LO:HI, either end may be left out, got '" + fields[k] + "'");
    }
    const std::string low = fields[k].substr(0, colon), high = fields[k].substr(colon + 1);
    if (!low.empty()) request[k].low = SplitNumbers(low, ',', "--crop", 1)[0];
    if (!high.empty()) request[k].high = SplitNumbers(high, ',', "--crop", 1)[0];
    if (request[k].low && request[k].high && !(*request[k].low < *request[k].high)) {
      throw CLI::ValidationError("--crop", "LO must be below HI, got '" + fields[k] + "'");
    }
  }
  return request;
}

// An empty value ('' on the command line) is always a slip, never "the
// default": refusing it here keeps each option's own test simple.
void RefuseEmptyValues(const CLI::App& app) {
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& value : option->results()) {
      if (option->get_type_size() != 0 && value.empty()) {
        throw CLI::ValidationError(option->get_name(), "an empty value");
      }
    }
  }
}

// "black", "white", or R,G,B all from 0 to 1 or from 0 to 255.
std::array<float, 3> ParseBackground(const std::string& text) {
  if (text == "black") return {0, 0, 0};
  if (text == "white") return {1, 1, 1};
  const std::vector<double> rgb = SplitNumbers(text, ',', "--background", 3);
  const double top = std::max({rgb[0], rgb[1], rgb[2]});
  if (std::min({rgb[0], rgb[1], rgb[2]}) < 0 || top > 255) {
    throw CLI::ValidationError("--background", "colours are black, white or R,G,B from 0 to 1 or 0 to 255");
  }
  const double scale = top > 1 ? 255.0 : 1.0;
  return {static_cast<float>(rgb[0] / scale), static_cast<float>(rgb[1] / scale),
          static_cast<float>(rgb[2] / scale)};
}

std::array<double, 4> ParseClip(const std::string& text) {
  const std::vector<double> numbers = SplitNumbers(text, ',', "--clip", 4);
  if (numbers[0] == 0 && numbers[1] == 0 && numbers[2] == 0) {
    throw CLI::ValidationError("--clip", "the normal NX,NY,NZ must not be zero");
  }
  return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

std::array<bool, 3> ParsePlanes(const std::string& text) {
  std::array<bool, 3> planes{};
  std::istringstream stream(text);
  std::string name;
  bool any = false;
  while (std::getline(stream, name, ',')) {
    const std::optional<Layout> layout = ParseLayout(name);
    if (!layout || *layout == Layout::Volume3d || *layout == Layout::Quad) {
      throw CLI::ValidationError("--planes", "expected axial, coronal or sagittal, got '" + name + "'");
    }
    const SliceAxis axis = *layout == Layout::Axial     ? SliceAxis::Axial
                           : *layout == Layout::Coronal ? SliceAxis::Coronal
                                                        : SliceAxis::Sagittal;
    planes[static_cast<int>(axis)] = any = true;
  }
  if (!any || text.back() == ',') throw CLI::ValidationError("--planes", "expected a list such as axial,coronal");
  return planes;
}

IntensityWindow ParseWindow(const std::string& text, const std::string& what) {
  const std::vector<double> bounds = SplitNumbers(text, ':', what, 2);
  if (!(bounds[0] < bounds[1])) throw CLI::ValidationError(what, "LO must be below HI");
  return {bounds[0], bounds[1]};
}

std::array<double, 3> ParsePoint(const std::string& text, const std::string& what) {
  const std::vector<double> numbers = SplitNumbers(text, ',', what, 3);
  return {numbers[0], numbers[1], numbers[2]};
}

std::array<int64_t, 3> ParseVoxel(const std::string& text) {
  const std::array<double, 3> numbers = ParsePoint(text, "--cursor-voxel");
  std::array<int64_t, 3> voxel{};
  for (size_t i = 0; i < 3; ++i) {
    if (numbers[i] != std::floor(numbers[i]) || std::fabs(numbers[i]) > 1e12) {
      throw CLI::ValidationError("--cursor-voxel", "voxel indices are whole numbers, got '" + text + "'");
    }
    voxel[i] = static_cast<int64_t>(numbers[i]);
  }
  return voxel;
}

std::array<double, 3> ParseSpacing(const std::string& text) {
  const std::vector<double> spacing = SplitNumbers(text, ',', "--spacing", 3);
  for (double value : spacing) {
    if (!(value >= kLeastSpacing && value <= kGreatestSpacing)) {
      throw CLI::ValidationError("--spacing", "spacings lie between 1e-07 and 1e+07 mm");
    }
  }
  return {spacing[0], spacing[1], spacing[2]};
}

// 16384 is the largest viewport of Mesa's software GL and of most GPUs;
// a larger window would draw only part of itself (an all-black picture).
constexpr int kLargestWindowSide = 16384;

std::array<int, 2> CheckedWindowSize(double width, double height, const std::string& what,
                                     const std::string& text) {
  for (double size : {width, height}) {
    if (size < 16 || size > kLargestWindowSide || size != std::floor(size)) {
      throw CLI::ValidationError(what, "sizes must be whole numbers from 16 to 16384, got '" + text + "'");
    }
  }
  return {static_cast<int>(width), static_cast<int>(height)};
}

std::array<int, 2> ParseWindowSize(const std::string& text) {
  const std::vector<double> sizes = SplitNumbers(text, 'x', "--size", 2);
  return CheckedWindowSize(sizes[0], sizes[1], "--size", text);
}

// X's geometry: [=][WxH][{+-}X{+-}Y]; freeglut would ignore anything else.
std::optional<std::array<int, 2>> ParseGeometry(const char* given) {
  static const std::regex kGeometry(R"(=?(?:(\d{1,9})[xX](\d{1,9}))?(?:[+-]\d{1,9}[+-]\d{1,9})?)");
  std::cmatch match;
  if (given == nullptr || *given == '\0' || !std::regex_match(given, match, kGeometry)) {
    throw CLI::ValidationError("-geometry", "expected WxH+X+Y, got '" + std::string(given ? given : "") + "'");
  }
  if (!match[1].matched) return std::nullopt;
  return CheckedWindowSize(std::stod(match[1].str()), std::stod(match[2].str()), "-geometry", given);
}

// A number given as text, refused unless finite.
double ParseFinite(const std::string& text, const std::string& what) {
  return SplitNumbers(text, ',', what, 1)[0];
}

void CheckPresetName(const ViewerOptions& options) {
  if (options.volume.empty()) throw CLI::ValidationError("--preset", "needs a VOLUME (but for 'list')");
  if (!PresetInstalled(options.preset)) {
    throw CLI::ValidationError("--preset", "no preset '" + options.preset + "' in " + PresetFolderPath() +
                                               "/ (see --preset list)");
  }
}

// Where --state stands among our arguments (argc when absent), and the
// options named after it, which override the saved view.
size_t StateArgument(const std::vector<const char*>& ours, std::set<std::string>& after) {
  size_t at = ours.size();
  for (size_t i = 1; i < ours.size(); ++i) {
    const std::string arg = ours[i];
    if (at == ours.size()) {
      if (arg == "--state" || arg.rfind("--state=", 0) == 0) at = i;
    } else if (arg.rfind("--", 0) == 0) {
      after.insert(arg.substr(0, arg.find('=')));
    }
  }
  return at;
}

}  // namespace

std::array<int, 2> RequestedWindowSize(const ViewerOptions& options) {
  return options.size.value_or(options.geometrySize.value_or(std::array<int, 2>{500, 500}));
}

std::optional<int> ParseCommandLine(int argc, char** argv, ViewerOptions& options) {
  // GLUT's options go to glutInit, which is only called once a window is
  // wanted: --info and every error must work without a display.
  std::vector<const char*> ours{argv[0]};
  options.glutArgs = {argv[0]};
  std::optional<const char*> geometry;  // its value, null when none follows
  for (int i = 1; i < argc; ++i) {
    const GlutOption* glut = FindGlutOption(argv[i]);
    if (glut == nullptr) {
      ours.push_back(argv[i]);
      continue;
    }
    options.glutArgs.push_back(argv[i]);
    if (std::strcmp(glut->name, "-geometry") == 0) {
      options.geometryGiven = true;
      geometry = i + 1 < argc ? argv[i + 1] : nullptr;
    }
    if (glut->takesValue && i + 1 < argc) options.glutArgs.push_back(argv[++i]);
  }

  CLI::App app("Interactive viewer for 3D scalar volumes. Without VOLUME it shows its built-in "
               "Julia set.",
               "volview");
  app.formatter(std::make_shared<UsageFormatter>());
  app.set_version_flag("--version", kVersion);
  app.footer("GLUT options: -display DISPLAY, -geometry WxH+X+Y, -iconic, -direct, -indirect, "
             "-gldebug, -sync.");

  std::string rawSizes, type, window, spacing, view, projection, mode, iso, zoom, size;
  std::string layout, cursor, cursorVoxel, sliceWindow, crop, clip, caps, planes;
  bool bigEndian = false;
  uint64_t headerBytes = 0;
  CLI::Option* volume =
      app.add_option("VOLUME", options.volume,
                     "Volume file (NRRD, NIfTI, MetaImage, VTK, TIFF, ...) or DICOM series folder");
  // A saved view names its volume: the options about one need it or VOLUME.
  std::set<std::string> afterState;
  const bool stateGiven = StateArgument(ours, afterState) < ours.size();
  CLI::Option* stateOption =
      app.add_option("--state", options.stateFile,
                     "Open the view saved in FILE (its volume and all); options after it replace its own")
          ->type_name("FILE");
  CLI::Option* const volumeOrState = stateGiven ? stateOption : volume;
  CLI::Option* raw =
      app.add_option("--raw", rawSizes, "Read VOLUME as a headerless file of WxHxD voxels")
          ->type_name("WxHxD")
          ->needs(volumeOrState);
  CLI::Option* typeOption =
      app.add_option("--type", type, "Voxel type of a headerless file")
          ->check(CLI::IsMember({"uint8", "int8", "uint16", "int16", "uint32", "int32", "float32",
                                 "float64"}))
          ->needs(raw);
  raw->needs(typeOption);
  app.add_flag("--big-endian", bigEndian, "Headerless file's voxels are big-endian")->needs(raw);
  app.add_option("--header-bytes", headerBytes, "Bytes to skip before a headerless file's voxels")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check([](const std::string& value) {
        return value.find('-') != std::string::npos ? "must not be negative, got " + value : std::string();
      })
      ->needs(raw);
  app.add_option("--window", window, "Data values at the bottom and top of the transfer function "
                                     "(default: 0.5 and 99.5 percentiles)")
      ->type_name("LO:HI")
      ->needs(volumeOrState);
  app.add_option("--spacing", spacing, "Voxel spacing, replacing the file's")
      ->type_name("SX,SY,SZ")
      ->needs(volumeOrState);
  app.add_option("--max-size", options.maxSize,
                 "Longest side of the volume on show, in voxels (default 256)")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check(CLI::Range(1, 1 << 16))
      ->needs(volumeOrState);
  app.add_option("--frame", options.frame, "Frame of a 4D file (default 0)")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check(CLI::Range(0, 1 << 20))
      ->needs(volumeOrState);
  app.add_flag("--info", options.info, "Print what the file holds and exit")->needs(volumeOrState);
  app.add_flag("--single-file", options.singleFile,
               "Open a DICOM file alone, not the series of its folder it belongs to")
      ->needs(volumeOrState);
  app.add_option("--series", options.series,
                 "In a folder of several DICOM series, open series N (as --info lists them) or the one whose "
                 "SeriesInstanceUID starts with UID")
      ->type_name("N|UID")
      ->needs(volumeOrState);
  app.add_option("--tf", options.transferFile, "Load a transfer function (JSON colour map)")
      ->type_name("FILE");
  app.add_option("--save-tf", options.saveTransferFile,
                 "Write the transfer function to FILE after every edit")
      ->type_name("FILE");
  app.add_option("--screenshot", options.screenshot,
                 "Draw the picture, write it as PNG and exit")
      ->type_name("FILE.png");
  // Transfer-function presets: a named one instead of the one the data
  // suggests; "list" prints them and needs no volume. A --tf map replaces
  // the preset, so both together are refused.
  app.add_option("--preset", options.preset,
                 "Start from transfer-function preset NAME; 'list' prints the installed ones")
      ->type_name("NAME")
      ->excludes("--tf");

  app.add_option("--view", view, "Side the viewer stands on at start (default anterior)")
      ->check(CLI::IsMember({"anterior", "posterior", "left", "right", "superior", "inferior"}))
      ->needs(volumeOrState);
  app.add_option("--projection", projection, "perspective (default) or orthographic")
      ->check(CLI::IsMember({"perspective", "orthographic"}))
      ->needs(volumeOrState);
  app.add_option("--zoom", zoom, "Start zoom (default 1)")->type_name("F")->needs(volumeOrState);
  app.add_option("--mode", mode, "Render mode (default composite)")
      ->check(CLI::IsMember({"composite", "mip", "minip", "average", "iso"}))
      ->needs(volumeOrState);
  app.add_option("--iso", iso, "Iso-surface value in data units (default: Otsu's threshold of the windowed values)")
      ->type_name("VALUE")
      ->needs(volumeOrState);
  CLI::Option* screenshot = app.get_option("--screenshot");
  app.add_option("--turntable", options.turntable,
                 "Write N pictures turning once about the vertical axis, named after "
                 "--screenshot's FILE with _000, _001, ..., and exit")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check(CLI::Range(1, 3600))
      ->needs(volumeOrState)
      ->needs(screenshot);
  app.add_option("--size", size, "Window (and picture) size")->type_name("WxH");
  app.add_option("--slices", options.slices,
                 "Slices across the volume's longest side (default: one per voxel, 100 to 200; "
                 "keys z, s, a change it)")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check(CLI::Range(1, 10000))
      ->needs(volumeOrState);
  app.add_option("--benchmark", options.benchmark,
                 "Time N frames turning once at full detail, then N at interactive detail; "
                 "print the figures and exit")
      ->type_name("N")
      ->check(kDecimalNumber)
      ->check(CLI::Range(1, 10000))
      ->needs(volumeOrState);
  app.add_option("--interactive-ms", options.interactiveMs,
                 "Target time of a frame while the volume is turned or edited (default 66)")
      ->type_name("MS")
      ->check(kDecimalNumber)
      ->check(CLI::Range(5.0, 10000.0))
      ->needs(volumeOrState);
  app.add_flag("--back-to-front", options.backToFront,
               "Composite slices back to front, every pixel shaded to the end (slower; for comparison)")
      ->needs(volumeOrState);
  app.add_option("--early-stop", options.stopOpacity,
                 "Opacity in front of a pixel from which it is shaded no further (default 0.98; "
                 "1: only where nothing shows through)")
      ->type_name("OPACITY")
      ->check(kDecimalNumber)
      ->check(CLI::Range(0.5, 1.0))
      ->needs(volumeOrState)
      ->excludes("--back-to-front");

  app.add_option("--layout", layout,
                 "3d (default), axial, coronal, sagittal, or quad: the three slices beside the 3D view")
      ->check(CLI::IsMember({"3d", "axial", "coronal", "sagittal", "quad"}))
      ->needs(volumeOrState);
  CLI::Option* cursorOption =
      app.add_option("--cursor", cursor, "The point the slices go through, in RAS mm (default: the centre)")
          ->type_name("X,Y,Z")
          ->needs(volumeOrState);
  app.add_option("--cursor-voxel", cursorVoxel, "The point the slices go through, as the file's voxel indices")
      ->type_name("I,J,K")
      ->needs(volumeOrState)
      ->excludes(cursorOption);
  app.add_option("--slice-window", sliceWindow, "Data values shown black and white in the slices "
                                                "(default: the 3D window)")
      ->type_name("LO:HI")
      ->needs(volumeOrState);
  app.add_flag("--neurological", options.neurological,
               "Slices with the patient's left on the screen's left (default: on the right)")
      ->needs(volumeOrState);
  app.add_flag("--nearest", options.nearest, "Slices show whole voxels, not interpolated between them")
      ->needs(volumeOrState);

  // Given but empty is a bad value, not the option left out.
  CLI::Option* cropOption =
      app.add_option("--crop", crop, "Draw only the part of the volume within these RAS mm ranges; an end or "
                                     "a range left empty keeps the volume's edge (--crop 0:,, keeps the right half)")
      ->type_name("X0:X1,Y0:Y1,Z0:Z1")
      ->needs(volumeOrState);
  CLI::Option* clipOption =
      app.add_option("--clip", clip, "Cut away what lies where NX*x + NY*y + NZ*z < D (RAS mm)")
      ->type_name("NX,NY,NZ,D")
      ->needs(volumeOrState);
  app.add_option("--caps", caps, "Cut faces show the values on them (default on)")
      ->check(CLI::IsMember({"on", "off"}))
      ->needs(volumeOrState);
  CLI::Option* planesOption =
      app.add_option("--planes", planes, "Slices through the cursor shown in the 3D view: axial, coronal, sagittal")
      ->type_name("LIST")
      ->needs(volumeOrState);

  std::string background;
  app.add_flag("--clean", options.clean,
               "No frame rate, logo, orientation marker or status line, on screen and in pictures (key H)")
      ->needs(volumeOrState);
  app.add_option("--background", background, "Background of an opened volume: black, white or R,G,B")
      ->type_name("COLOUR")
      ->needs(volumeOrState);
  app.add_option("--save-state", options.saveStateFile,
                 "Write the view to FILE whenever it settles and at exit (key ctrl+s: at once)")
      ->type_name("FILE")
      ->needs(volumeOrState);
  app.add_flag("--verbose", options.verbose,
               "The whole OpenGL report (with a volume: one line of it unless given)");

  try {
    app.parse(static_cast<int>(ours.size()), ours.data());
    RefuseEmptyValues(app);
    if (geometry) options.geometrySize = ParseGeometry(*geometry);
    // "samples/ct.nrrd" works from any folder, as the README shows it.
    options.volume = DataFilePath(options.volume);
    if (!rawSizes.empty()) {
      RawLayout layout;
      layout.sizes = ParseRawSizes(rawSizes);
      layout.type = *ParseVoxelType(type);
      layout.bigEndian = bigEndian;
      layout.headerBytes = headerBytes;
      options.raw = layout;
    }
    if (!window.empty()) options.window = ParseWindow(window, "--window");
    if (!sliceWindow.empty()) options.sliceWindow = ParseWindow(sliceWindow, "--slice-window");
    if (!layout.empty()) options.layout = *ParseLayout(layout);
    if (!cursor.empty()) options.cursor = ParsePoint(cursor, "--cursor");
    if (!cursorVoxel.empty()) options.cursorVoxel = ParseVoxel(cursorVoxel);
    if (cropOption->count() > 0) options.crop = ParseCrop(crop);
    if (clipOption->count() > 0) options.clip = ParseClip(clip);
    options.caps = caps != "off";
    if (planesOption->count() > 0) options.planes = ParsePlanes(planes);
    if (!background.empty()) options.background = ParseBackground(background);
    if (!spacing.empty()) options.spacing = ParseSpacing(spacing);
    if (!view.empty()) options.camera.view = *ParseAnatomicalView(view);
    options.viewGiven = !view.empty();
    options.camera.orthographic = projection == "orthographic";
    if (!zoom.empty()) {
      options.camera.zoom = ParseFinite(zoom, "--zoom");
      if (!(options.camera.zoom >= 0.1 && options.camera.zoom <= 50)) {
        throw CLI::ValidationError("--zoom", "the zoom must lie between 0.1 and 50");
      }
    }
    if (!mode.empty()) options.mode = *ParseRenderMode(mode);
    if (!iso.empty()) options.iso = ParseFinite(iso, "--iso");
    if (!size.empty()) options.size = ParseWindowSize(size);
    if (stateGiven) ApplyStateFile(options.stateFile, afterState, options);
    if (options.preset == "list") {
      PrintPresetList();
      return 0;
    }
    if (!options.preset.empty()) CheckPresetName(options);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help() << std::flush;
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << kVersion << std::endl;
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << "volview: " << EscapedName(error.what()) << "\n" << app.help() << std::flush;
    return 2;
  } catch (const StateFileError& error) {
    std::cerr << "volview: " << error.what() << std::endl;
    return 1;
  }
  return std::nullopt;
}
