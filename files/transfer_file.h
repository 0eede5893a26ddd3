// Transfer-function files: JSON colour maps of the common kind other volume
// tools read and write, a list of maps (or one map) each holding
//   "RGBPoints": [x, red, green, blue, ...]
//   "Points":    [x, opacity, midpoint, sharpness, ...]   (optional)
// with x in data units. The viewer writes its 256-entry table as 256 points
// spread evenly over the intensity window, so the first and last x are the
// window's low and high ends, and reading it back over the same window gives
// the same table bit for bit. Maps from elsewhere are resampled: table entry i
// takes the map's value at low + (high - low) * i / 255, linearly
// interpolated between points and held constant beyond the end points.
//
// A map holding "RelativeToWindow": true gives its x values as fractions of
// the intensity window instead (0 its low end, 1 its high end), for maps
// that fit any volume, such as the presets of data without physical units.
#pragma once

#include <stdexcept>
#include <string>

// Reason a map is refused, without the file name.
class TransferMapError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One line naming the file and the reason, e.g. "map.json: RGBPoints missing".
class TransferFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Resamples the first map of `text` into table (256 RGBA entries, 1024
// floats) over the window [low, high] (over 0..1 when the map is relative to
// the window). Red, green and blue come from
// RGBPoints; opacity from Points, and is left as it is when the map has none.
// Throws TransferMapError, leaving table untouched, when the text is not such
// a map or a value is not a finite number in -1..1 (colours and opacities;
// the viewer's start-up table dips slightly below 0).
void ParseTransferMap(const std::string& text, double low, double high, float* table);

// The table as a one-map JSON document over the window [low, high].
std::string FormatTransferMap(const float* table, double low, double high);

// The whole text of a colour-map file; throws TransferFileError when it is
// missing, not a regular file, too large or unreadable.
std::string ReadTransferText(const std::string& path);

// Reads and parses `path`; throws TransferFileError.
void ReadTransferFile(const std::string& path, double low, double high, float* table);

// Throws TransferFileError when `path` could not be written later: its
// folder is missing or not writable. Checked at start-up, so a mistyped
// --save-tf is not found out only after the first edit.
void CheckTransferFileWritable(const std::string& path);

// Replaces `path` with the formatted table through a temporary file beside
// it, so an interrupted write never leaves half a map; throws
// TransferFileError.
void WriteTransferFile(const std::string& path, const float* table, double low, double high);
