// The fuzz targets' promises hold in every build type: a broken one stops the
// run where libFuzzer keeps the input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

inline void Check(bool promise) {
  if (!promise) __builtin_trap();
}

// The input as a file for readers that take a path, kept in memory so a
// run costs no disk.
class MemoryFile {
public:
  MemoryFile(const uint8_t* data, size_t size) : fd_(memfd_create("fuzz", MFD_CLOEXEC)) {
    Check(fd_ >= 0);
    for (size_t done = 0; done < size;) {
      const ssize_t wrote = write(fd_, data + done, size - done);
      Check(wrote > 0);
      done += static_cast<size_t>(wrote);
    }
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
  int fd_;
};
