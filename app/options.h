// The command line: GLUT's own options pass through to glutInit untouched,
// the rest describe the volume to open and what to do with it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/restored_view.h"
#include "app/view_state.h"
#include "app/volume_cuts.h"
#include "files/volume_file.h"
#include "files/volume_window.h"
#include "render/render_mode.h"

struct ViewerOptions {
  std::vector<char*> glutArgs;  // argv[0] and GLUT's options, in their order
  bool geometryGiven = false;   // -geometry among them
  std::optional<std::array<int, 2>> geometrySize;  // its WxH, when it gives one
  std::string volume;           // empty: the built-in Julia set, as always
  std::optional<RawLayout> raw;
  std::optional<IntensityWindow> window;
  std::optional<std::array<double, 3>> spacing;
  int maxSize = 256;
  int frame = 0;
  bool info = false;
  bool singleFile = false;  // --single-file: a DICOM file without its series
  std::string series;       // --series: one of a folder's several DICOM series
  std::string transferFile;
  std::string saveTransferFile;
  std::string screenshot;
  // How an opened volume is first shown.
  CameraStart camera;
  bool viewGiven = false;  // --view; otherwise the volume's shape chooses
  RenderMode mode = RenderMode::Composite;
  std::optional<double> iso;  // data units; default: the window's middle
  int turntable = 0;          // pictures of one turn, written instead of one screenshot
  std::optional<std::array<int, 2>> size;  // window width and height
  std::optional<int> slices;  // an opened volume's slice count
  int benchmark = 0;          // frames of each kind to time, then exit
  double interactiveMs = 66.0;  // target time of a frame while the user interacts
  bool backToFront = false;     // composite slices back to front, every pixel to the end
  float stopOpacity = 0.98f;    // front to back: a pixel's work stops this opaque
  std::string preset;  // --preset NAME; empty: the one the volume's values suggest
  // The slice views.
  Layout layout = Layout::Volume3d;
  std::optional<std::array<double, 3>> cursor;        // RAS mm
  std::optional<std::array<int64_t, 3>> cursorVoxel;  // the file's own voxel indices
  std::optional<IntensityWindow> sliceWindow;         // default: the 3D window
  bool neurological = false;
  bool nearest = false;  // nearest-neighbour slices instead of linear
  // Looking inside in 3D.
  std::optional<CropRequest> crop;           // RAS mm
  std::optional<std::array<double, 4>> clip;  // normal (not zero) and distance, RAS mm
  bool caps = true;
  std::optional<std::array<bool, 3>> planes;  // by SliceAxis
  bool verbose = false;  // the whole OpenGL report, extensions and all
  bool clean = false;    // no frame rate, logo, orientation marker or status line
  std::optional<std::array<float, 3>> background;  // an opened volume's, RGB 0..1
  // Saved views.
  std::string stateFile;      // --state: read at start
  std::string saveStateFile;  // --save-state: written whenever the view settles
  std::optional<RestoredView> restored;  // what --state held beyond the options
};

// The window's size before it opens: --size, else -geometry's, else the
// default 500x500.
std::array<int, 2> RequestedWindowSize(const ViewerOptions& options);

// The first line of the usage, for errors found once the volume is read.
extern const char kUsageLine[];

// Fills options from argv. Returns the exit code when the program should
// stop at once: 0 after --help or --version, 2 after printing the usage for
// a wrong option; nullopt to go on.
std::optional<int> ParseCommandLine(int argc, char** argv, ViewerOptions& options);
