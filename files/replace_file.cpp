#include "files/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::string Reason(const char* doing) { return std::string(doing) + ": " + std::strerror(errno); }

}  // namespace

std::string LinkTarget(const std::string& path) {
  std::filesystem::path target = path;
  std::error_code error;
  for (int links = 0; links < 40 && std::filesystem::is_symlink(target, error); ++links) {
    const std::filesystem::path next = std::filesystem::read_symlink(target, error);
    if (error) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target.string();
}

void ReplaceFile(const std::string& path, const std::string& text) {
  const std::filesystem::path target = LinkTarget(path);
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    throw ReplaceFileError(S_ISDIR(existing.st_mode) ? "is a folder" : "not a regular file");
  }
  // Renaming over a file needs only its folder: a file its owner made
  // read-only stays protected as a plain write would leave it.
  if (exists && access(target.c_str(), W_OK) != 0) throw ReplaceFileError(Reason("cannot write"));
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw ReplaceFileError(Reason("cannot write"));
  const auto fail = [&](const char* doing) {
    const std::string reason = Reason(doing);
    close(fd);
    unlink(name.data());
    throw ReplaceFileError(reason);
  };
  // mkstemp makes it 0600; a new file gets what the umask allows, an old one keeps its mode.
  mode_t mode = existing.st_mode & 07777;
  if (!exists) {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  if (fchmod(fd, mode) != 0) fail("cannot write");
  for (size_t done = 0; done < text.size();) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) fail("cannot write");
    done += static_cast<size_t>(wrote);
  }
  if (fsync(fd) != 0) fail("cannot write");
  if (close(fd) != 0) {
    const std::string reason = Reason("cannot write");
    unlink(name.data());
    throw ReplaceFileError(reason);
  }
  if (rename(name.data(), target.c_str()) != 0) {
    const std::string reason = Reason("cannot write");
    unlink(name.data());
    throw ReplaceFileError(reason);
  }
}
