// Where the viewer's own files are: its shaders, logo, presets, the built-in
// raw volume and the samples. Looked for in the working directory first (a
// run from the build's run folder reads them there, as it always has), then
// beside the executable, then in the data folder of an install beside it
// (PREFIX/bin/volview reads PREFIX/share/volview), so the program runs from
// any folder, moved with its prefix or not.
#pragma once

#include <string>
#include <vector>

// The folders looked in, in order; "" stands for the working directory.
std::vector<std::string> DataFolders();

// `name` (relative) in the first folder that holds it; `name` itself when
// none does or it is absolute, so a message names it as it was given.
std::string DataFilePath(const std::string& name);
