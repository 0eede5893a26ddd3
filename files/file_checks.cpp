#include "files/file_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "files/volume_file.h"

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

}  // namespace

void CheckReadable(const std::string& name, const std::string& path, bool folderAllowed) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) throw VolumeFileError(name + ": " + std::strerror(errno));
  if (!S_ISREG(status.st_mode) && !(folderAllowed && S_ISDIR(status.st_mode))) {
    throw VolumeFileError(name + ": " + KindOf(status.st_mode) + ", not a volume file");
  }
  if (access(path.c_str(), R_OK) != 0) {
    throw VolumeFileError(name + ": cannot read: " + std::strerror(errno));
  }
}

std::optional<std::string> UnreadableFileIn(const std::string& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string path = entry.path().string();
    if (entry.is_regular_file(error) && access(path.c_str(), R_OK) != 0) {
      return EscapedName(path) + ": cannot read: " + std::strerror(errno);
    }
  }
  return std::nullopt;
}

uint64_t CheckDataFile(const std::string& name, const std::string& header, const std::string& data) {
  struct stat status {}, own {};
  const std::string shown = EscapedName(data);
  if (stat(data.c_str(), &status) != 0) {
    throw VolumeFileError(name + ": data file " + shown + ": " + std::strerror(errno));
  }
  if (!S_ISREG(status.st_mode)) {
    throw VolumeFileError(name + ": data file " + shown + " is " + KindOf(status.st_mode));
  }
  if (stat(header.c_str(), &own) == 0 && own.st_dev == status.st_dev && own.st_ino == status.st_ino) {
    throw VolumeFileError(name + ": data file " + shown + " is the header itself");
  }
  if (access(data.c_str(), R_OK) != 0) {
    throw VolumeFileError(name + ": data file " + shown + ": cannot read: " + std::strerror(errno));
  }
  return static_cast<uint64_t>(status.st_size);
}

std::string BesideHeader(const std::string& header, const std::string& named) {
  if (!named.empty() && named[0] == '/') return named;
  const size_t slash = header.rfind('/');
  return slash == std::string::npos ? named : header.substr(0, slash + 1) + named;
}

uint64_t MemoryAvailable() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t kib = 0, total = 0;
  std::string unit;
  while (meminfo >> key >> kib >> unit) {
    if (key == "MemAvailable:") return kib * 1024;
    if (key == "MemTotal:") total = kib * 1024;
  }
  if (total != 0) return total;
  const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGE_SIZE);
  return pages > 0 && page > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page) : UINT64_MAX;
}

void CheckMemory(const std::string& name, uint64_t bytes, uint64_t available) {
  if (bytes <= available) return;
  char line[160];
  std::snprintf(line, sizeof line, ": too large for memory: needs %.1f GB, %.1f GB free", bytes / 1e9,
                available / 1e9);
  throw VolumeFileError(name + line);
}
