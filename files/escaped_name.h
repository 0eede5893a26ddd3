// Names as printed: a file name is the user's text, and a newline or an
// escape sequence in it must neither split a one-line message nor reach the
// terminal raw.
#pragma once

#include <string>

// `text` with control characters escaped (\n, \t, \r, \xNN); everything else,
// UTF-8 included, as it is.
std::string EscapedName(const std::string& text);
