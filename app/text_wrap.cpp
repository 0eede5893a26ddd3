#include "app/text_wrap.h"

#include <sstream>

namespace {

void WrapLine(const std::string& line, int maxWidth, const CharWidth& widthOf,
              std::vector<std::string>& out) {
  size_t start = 0;
  while (true) {
    int width = 0;
    size_t end = start;
    size_t lastBlank = std::string::npos;
    while (end < line.size() && width + widthOf(static_cast<unsigned char>(line[end])) <= maxWidth) {
      if (line[end] == ' ') lastBlank = end;
      width += widthOf(static_cast<unsigned char>(line[end]));
      ++end;
    }
    if (end == line.size()) {
      out.push_back(line.substr(start));
      return;
    }
    if (line[end] == ' ') lastBlank = end;
    if (lastBlank != std::string::npos && lastBlank > start) {
      out.push_back(line.substr(start, lastBlank - start));
      start = lastBlank + 1;
    } else {
      end = end > start ? end : start + 1;  // always make progress
      out.push_back(line.substr(start, end - start));
      start = end;
    }
  }
}

}  // namespace

std::vector<std::string> WrapText(const std::string& text, int maxWidth, const CharWidth& widthOf) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    WrapLine(line, maxWidth, widthOf, lines);
  }
  return lines;
}
