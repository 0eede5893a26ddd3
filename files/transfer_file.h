// Transfer-function files: JSON colour maps of the common kind other volume
// tools read and write, a list of maps (or one map) each holding
//   "RGBPoints": [x, red, green, blue, ...]
//   "Points":    [x, opacity, midpoint, sharpness, ...]   (optional)
// with x in data units. The viewer writes its 256-entry table as 256 points
// spread evenly over the intensity window, so the first and last x are the
// window's low and high ends, and reading it back over the same window gives
// the same table bit for bit (within 0..1, as the picture shows it). Maps
// from elsewhere are resampled: table entry i takes the map's value at
// low + (high - low) * i / 255, linearly interpolated between points and
// held constant beyond the end points.
//
// A map holding "RelativeToWindow": true gives its x values as fractions of
// the intensity window instead (0 its low end, 1 its high end), for maps
// that fit any volume, such as the presets of data without physical units.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

// A map larger than this is some other file given by mistake: refused
// unread. Collections of a few hundred maps stay below 2 MiB, and parsing
// the largest accepted map costs well under a second.
constexpr size_t kMaxColourMapBytes = size_t{8} << 20;

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
// a map, is nested deeper than one, or a colour or opacity is not a finite
// number in 0..1 (down to -1 is read as 0: earlier versions saved such).
void ParseTransferMap(const std::string& text, double low, double high, float* table);

// The table as a one-map JSON document over the window [low, high], its
// values clamped to 0..1 as the picture shows them.
std::string FormatTransferMap(const float* table, double low, double high);

// The whole text of a colour-map file; throws TransferFileError when it is
// missing, not a regular file, larger than `maxBytes` or unreadable. Names
// in messages are escaped.
std::string ReadTransferText(const std::string& path, size_t maxBytes = kMaxColourMapBytes);

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
