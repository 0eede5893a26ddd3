// The command line: GLUT's own options pass through to glutInit untouched,
// the rest describe the volume to open and what to do with it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "files/volume_file.h"
#include "files/volume_window.h"

struct ViewerOptions {
  std::vector<char*> glutArgs;  // argv[0] and GLUT's options, in their order
  bool geometryGiven = false;   // -geometry among them
  std::string volume;           // empty: the built-in Julia set, as always
  std::optional<RawLayout> raw;
  std::optional<IntensityWindow> window;
  std::optional<std::array<double, 3>> spacing;
  int maxSize = 256;
  int frame = 0;
  bool info = false;
  bool singleFile = false;  // --single-file: a DICOM file without its series
  std::string transferFile;
  std::string saveTransferFile;
  std::string screenshot;
};

// Fills options from argv. Returns the exit code when the program should
// stop at once: 0 after --help or --version, 2 after printing the usage for
// a wrong option; nullopt to go on.
std::optional<int> ParseCommandLine(int argc, char** argv, ViewerOptions& options);
