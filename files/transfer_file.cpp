#include "files/transfer_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <nlohmann/json.hpp>

#include "files/escaped_name.h"
#include "files/replace_file.h"

#include "transfer/initial_table.h"

namespace {

using nlohmann::json;

constexpr size_t kStride = 4;  // every point is four numbers
// A colour map is a list of a few maps of a few hundred points: deeper
// nesting is some other document, whose tree would cost far more memory
// than its text.
constexpr int kMaxNesting = 16;

// The data value table entry i stands for; the writer and the reader must
// compute it identically for the round trip to be exact.
double EntryValue(double low, double high, int i) {
  return low + (high - low) * i / (kTransferEntries - 1);
}

// The numbers under `key`, x first in every group of four, checked.
// `valueColumns` of each point must lie in 0..1, or down to -1 in files of
// earlier versions, which saved the start-up table's negative reds; the
// picture always showed those as 0, and so they are read.
std::vector<double> PointList(const json& map, const char* key, size_t valueColumns) {
  const json& list = map.at(key);
  if (!list.is_array() || list.empty() || list.size() % kStride != 0) {
    throw TransferMapError(std::string(key) + " is not a list of points of four numbers");
  }
  std::vector<double> numbers;
  numbers.reserve(list.size());
  for (const json& item : list) {
    if (!item.is_number()) throw TransferMapError(std::string(key) + " holds a non-number");
    const double v = item.get<double>();
    if (!std::isfinite(v)) throw TransferMapError(std::string(key) + " holds a non-finite number");
    numbers.push_back(v);
  }
  for (size_t p = 0; p < numbers.size(); p += kStride) {
    if (p > 0 && numbers[p] < numbers[p - kStride]) {
      throw TransferMapError(std::string(key) + " not in increasing order of data value");
    }
    for (size_t c = 1; c <= valueColumns; ++c) {
      double& value = numbers[p + c];
      if (value < -1.0 || value > 1.0) {
        throw TransferMapError(std::string(key) + " holds a value outside 0..1");
      }
      if (value < 0.0) value = 0.0;
    }
  }
  return numbers;
}

// Piecewise-linear value of `column` at data value s; constant beyond the
// ends. Exactly the point's own value when s equals its x.
double Sample(const std::vector<double>& points, size_t column, double s) {
  // First point whose x is above s.
  size_t lo = 0;
  size_t hi = points.size() / kStride;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (points[mid * kStride] > s) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  const size_t count = points.size() / kStride;
  if (lo == 0) return points[column];
  if (lo == count) return points[(count - 1) * kStride + column];
  const double* a = &points[(lo - 1) * kStride];
  const double* b = &points[lo * kStride];
  const double t = (s - a[0]) / (b[0] - a[0]);
  // The point itself, not a + 0 * (b - a): that would turn a -0 into +0,
  // so a saved map would not read back bit for bit.
  if (!(t > 0.0)) return a[column];  // also catches NaN from huge spans
  if (t >= 1.0) return b[column];
  return a[column] + (b[column] - a[column]) * t;
}

const json& FirstMap(const json& document) {
  if (document.is_object()) return document;
  if (document.is_array() && !document.empty() && document.front().is_object()) {
    return document.front();
  }
  throw TransferMapError("not a colour map (expected a JSON object or a list of them)");
}

std::string Number(double v) { return json(v).dump(); }

// What the picture makes of a table value: the upload clamps to 0..1.
double Shown(float v) { return v < 0.0f ? 0.0 : v > 1.0f ? 1.0 : v; }

void AppendPoints(std::string& out, const char* key, const float* table, double low, double high,
                  bool opacity) {
  out += "    \"";
  out += key;
  out += "\": [\n";
  for (int i = 0; i < kTransferEntries; ++i) {
    const float* entry = table + 4 * i;
    out += "      " + Number(EntryValue(low, high, i));
    if (opacity) {
      out += ", " + Number(Shown(entry[3])) + ", 0.5, 0.0";
    } else {
      out += ", " + Number(Shown(entry[0])) + ", " + Number(Shown(entry[1])) + ", " + Number(Shown(entry[2]));
    }
    out += i + 1 < kTransferEntries ? ",\n" : "\n";
  }
  out += "    ]";
}

}  // namespace

void ParseTransferMap(const std::string& text, double low, double high, float* table) {
  json document;
  try {
    document = json::parse(text, [](int depth, json::parse_event_t, json&) {
      if (depth > kMaxNesting) throw TransferMapError("nested deeper than a colour map");
      return true;
    });
  } catch (const json::parse_error& error) {
    throw TransferMapError("not valid JSON (at byte " + std::to_string(error.byte) + ")");
  } catch (const json::exception&) {  // numbers beyond double's range
    throw TransferMapError("not valid JSON (a number out of range)");
  }
  const json& map = FirstMap(document);
  if (map.contains("RelativeToWindow")) {
    const json& relative = map.at("RelativeToWindow");
    if (!relative.is_boolean()) throw TransferMapError("RelativeToWindow is not true or false");
    if (relative.get<bool>()) {
      low = 0;
      high = 1;
    }
  }
  if (!map.contains("RGBPoints")) throw TransferMapError("RGBPoints missing");
  const std::vector<double> colours = PointList(map, "RGBPoints", 3);
  std::vector<double> opacities;
  if (map.contains("Points")) opacities = PointList(map, "Points", 1);

  float result[kTransferEntries][4];
  for (int i = 0; i < kTransferEntries; ++i) {
    const double s = EntryValue(low, high, i);
    for (size_t c = 0; c < 3; ++c) result[i][c] = static_cast<float>(Sample(colours, c + 1, s));
    result[i][3] = opacities.empty() ? table[4 * i + 3] : static_cast<float>(Sample(opacities, 1, s));
  }
  std::memcpy(table, result, sizeof result);
}

std::string FormatTransferMap(const float* table, double low, double high) {
  std::string out = "[\n  {\n    \"Name\": \"volview\",\n    \"ColorSpace\": \"RGB\",\n";
  AppendPoints(out, "RGBPoints", table, low, high, false);
  out += ",\n";
  AppendPoints(out, "Points", table, low, high, true);
  out += "\n  }\n]\n";
  return out;
}

std::string ReadTransferText(const std::string& path, size_t maxBytes) {
  const std::string name = EscapedName(path);
  const std::string tooLarge = name + ": too large for a colour map (over " + std::to_string(maxBytes >> 20) + " MiB)";
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    throw TransferFileError(name + ": cannot read: " + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) throw TransferFileError(name + ": not a regular file");
  if (static_cast<uint64_t>(status.st_size) > maxBytes) throw TransferFileError(tooLarge);
  // Plain reads: a stream's read error is an exception of its own, and the
  // reason (EIO, EISDIR, ...) is what the line must say.
  // Non-blocking, so a FIFO put in the file's place after the check cannot hang the open.
  const int opened = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (opened < 0) throw TransferFileError(name + ": cannot read: " + std::strerror(errno));
  std::string text;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(opened, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      close(opened);
      throw TransferFileError(name + ": cannot read: " + std::strerror(error));
    }
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
    if (text.size() > maxBytes) {
      close(opened);
      throw TransferFileError(tooLarge);
    }
  }
  close(opened);
  return text;
}

void ReadTransferFile(const std::string& path, double low, double high, float* table) {
  const std::string text = ReadTransferText(path);
  try {
    ParseTransferMap(text, low, high, table);
  } catch (const TransferMapError& error) {
    throw TransferFileError(EscapedName(path) + ": " + error.what());
  }
}

void CheckTransferFileWritable(const std::string& given) {
  struct stat status {};
  if (stat(given.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    throw TransferFileError(EscapedName(given) + ": cannot write: " +
                            (S_ISDIR(status.st_mode) ? "is a folder" : "not a regular file"));
  }
  const std::string path = LinkTarget(given);
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  if (access(folder.c_str(), W_OK) != 0) {
    throw TransferFileError(EscapedName(given) + ": cannot write: " + std::strerror(errno));
  }
}

void WriteTransferFile(const std::string& path, const float* table, double low, double high) {
  // Through a symbolic link to its target, replaced whole from a temporary
  // of a fresh name: the link stays a link, and nothing planted beside the
  // file is followed or lost.
  try {
    ReplaceFile(path, FormatTransferMap(table, low, high));
  } catch (const ReplaceFileError& error) {
    const std::string why = error.what();
    throw TransferFileError(EscapedName(path) + (why.compare(0, 13, "cannot write:") == 0 ? ": " : ": cannot write: ") + why);
  }
}
