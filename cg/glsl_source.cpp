#include "cg/glsl_source.h"

#include <cctype>

namespace cgrt {
namespace {

const char kRenamedMain[] = "cgEntryMain";

// Length of a leading "#version" line (with its newline), or 0 when the text
// has none before its first statement.
size_t VersionLineLength(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || text.compare(start, 8, "#version") != 0) return 0;
  const size_t end = text.find('\n', start);
  return end == std::string::npos ? text.size() : end + 1;
}

int CountLines(const std::string& text, size_t length) {
  int lines = 0;
  for (size_t i = 0; i < length; ++i) lines += text[i] == '\n';
  return lines;
}

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Moves back over blanks of the same line from text[at - 1]; returns the new end.
size_t SkipBlanksBack(const std::string& text, size_t at) {
  while (at > 0 && (text[at - 1] == ' ' || text[at - 1] == '\t')) --at;
  return at;
}

// Moves back over a word ending at text[at - 1]; returns its start.
size_t WordStartBack(const std::string& text, size_t at) {
  while (at > 0 && IsWordChar(text[at - 1])) --at;
  return at;
}

// Recognises "uniform samplerXX name : TEXUNITn" around the "TEXUNIT" found
// at keyword, all on one line. On success gives the sampler's name, its unit,
// and the range [cutFrom, cutTo) of the binding to remove.
bool ParseBinding(const std::string& text, size_t keyword, std::string& name, int& unit,
                  size_t& cutFrom, size_t& cutTo) {
  const size_t digits = keyword + 7;
  size_t end = digits;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  if (end == digits || end - digits > 2 || (end < text.size() && IsWordChar(text[end])))
    return false;
  if (keyword > 0 && IsWordChar(text[keyword - 1])) return false;

  size_t at = SkipBlanksBack(text, keyword);
  if (at == 0 || text[at - 1] != ':') return false;
  const size_t nameEnd = SkipBlanksBack(text, at - 1);
  const size_t nameStart = WordStartBack(text, nameEnd);
  if (nameStart == nameEnd) return false;
  at = SkipBlanksBack(text, nameStart);
  if (at == nameStart) return false;
  const size_t typeStart = WordStartBack(text, at);
  if (text.compare(typeStart, 7, "sampler") != 0) return false;
  at = SkipBlanksBack(text, typeStart);
  if (at == typeStart) return false;
  const size_t qualifierStart = WordStartBack(text, at);
  if (text.compare(qualifierStart, at - qualifierStart, "uniform") != 0) return false;

  name = text.substr(nameStart, nameEnd - nameStart);
  unit = std::stoi(text.substr(digits, end - digits));
  cutFrom = nameEnd;
  cutTo = end;
  return true;
}

// Collects the texture-unit bindings and returns the text without them;
// removing a binding moves no line.
std::string StripSamplerBindings(const std::string& text,
                                 std::vector<std::pair<std::string, int>>& samplerUnits) {
  std::string out;
  size_t copied = 0;
  for (size_t at = text.find("TEXUNIT"); at != std::string::npos;
       at = text.find("TEXUNIT", at + 1)) {
    std::string name;
    int unit = 0;
    size_t cutFrom = 0, cutTo = 0;
    if (!ParseBinding(text, at, name, unit, cutFrom, cutTo)) continue;
    samplerUnits.emplace_back(name, unit);
    out.append(text, copied, cutFrom - copied);
    copied = cutTo;
  }
  out.append(text, copied, std::string::npos);
  return out;
}

// True when word appears in the code as a whole word, comments left out.
bool CodeMentions(const std::string& text, const std::string& word) {
  for (size_t at = 0; at < text.size();) {
    if (text.compare(at, 2, "//") == 0) {
      at = text.find('\n', at);
    } else if (text.compare(at, 2, "/*") == 0) {
      at = text.find("*/", at + 2);
      if (at != std::string::npos) at += 2;
    } else if (IsWordChar(text[at])) {
      size_t end = at;
      while (end < text.size() && IsWordChar(text[end])) ++end;
      if (text.compare(at, end - at, word) == 0) return true;
      at = end;
    } else {
      ++at;
    }
  }
  return false;
}

}  // namespace

PreparedSource PrepareGlslSource(const std::string& text, Stage stage, const char* entry,
                                 bool positionInvariant, const std::vector<std::string>& defines) {
  PreparedSource prepared;
  const std::string body = StripSamplerBindings(text, prepared.samplerUnits);

  const std::string entryName = entry ? entry : "main";
  const bool fixPosition = positionInvariant && stage == Stage::Vertex;
  const bool wrap = fixPosition || entryName != "main";

  const size_t versionLength = VersionLineLength(body);
  std::string& out = prepared.source;
  out = versionLength ? body.substr(0, versionLength) : "#version 120\n";
  if (versionLength && out.back() != '\n') out += '\n';

  for (const std::string& define : defines) {
    const size_t equals = define.find('=');
    out += "#define " + define.substr(0, equals);
    if (equals != std::string::npos) out += ' ' + define.substr(equals + 1);
    out += '\n';
  }
  std::string called = entryName;
  if (wrap && entryName == "main") {
    out += "#define main ";
    out += kRenamedMain;
    out += '\n';
    called = kRenamedMain;
  }
  // GLSL 1.20 numbers the line after "#line n" as n + 1.
  out += "#line " + std::to_string(CountLines(body, versionLength)) + '\n';
  out.append(body, versionLength, std::string::npos);
  if (!wrap) return prepared;

  out += "\n#undef main\nvoid main()\n{\n  " + called + "();\n";
  if (fixPosition) {
    out += "  gl_Position = ftransform();\n";
    // User clip planes clip against gl_ClipVertex; without it they cut nothing
    // or cut in the wrong space.
    if (!CodeMentions(body, "gl_ClipVertex"))
      out += "  gl_ClipVertex = gl_ModelViewMatrix * gl_Vertex;\n";
  }
  out += "}\n";
  return prepared;
}

}  // namespace cgrt
