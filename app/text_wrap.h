// Breaks a message into lines no wider than the box can show, so that no
// part of it is lost however long its lines are.
#pragma once

#include <functional>
#include <string>
#include <vector>

using CharWidth = std::function<int(unsigned char)>;

// Splits at newlines (a trailing "\r" is dropped), then breaks each line that
// is wider than maxWidth after its last blank that fits, or, in a word wider
// than the box, after its last character that fits. A break blank is not kept.
std::vector<std::string> WrapText(const std::string& text, int maxWidth, const CharWidth& widthOf);
