// Writing a file whole or not at all.
#pragma once

#include <stdexcept>
#include <string>

// Why a file could not be written, in one line without its name.
class ReplaceFileError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The file a path names once its symbolic links are followed, a link to a
// file not yet written included; a loop ends after 40 links, as the kernel's.
std::string LinkTarget(const std::string& path);

// Replaces the file `path` names (the target, through symbolic links) with
// `text`: written to a fresh temporary file beside it, flushed, then renamed
// over it, so a reader sees the old or the new file, never half of one. An
// existing file keeps its permissions, and one this process may not write
// is refused; the temporary is made with O_EXCL, so nothing planted beside
// the file is followed or overwritten.
void ReplaceFile(const std::string& path, const std::string& text);
