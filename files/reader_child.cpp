#include "files/reader_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VOLVIEW_HAS_SANITIZER 1
#endif
#endif
#ifndef VOLVIEW_HAS_SANITIZER
#define VOLVIEW_HAS_SANITIZER 0
#endif

namespace {

// Messages from child to parent on a pipe: a type byte, a length, the text.
enum Message : char { kReader = 'R', kProgress = 'P', kResult = 'O', kError = 'E' };

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t size) {
  char* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = read(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void Send(int fd, Message type, const std::string& text) {
  const uint32_t length = static_cast<uint32_t>(text.size());
  if (!WriteAll(fd, &type, 1) || !WriteAll(fd, &length, sizeof length) ||
      !WriteAll(fd, text.data(), text.size())) {
    _exit(3);
  }
}

class ChildChannel : public ReaderChannel {
public:
  ChildChannel(int pipe, int memory) : pipe_(pipe), memory_(memory) {}
  void Reader(const std::string& name) override { Send(pipe_, kReader, name); }
  void Progress(const std::string& line) override { Send(pipe_, kProgress, line); }
  void Result(const std::string& bytes) override { Send(pipe_, kResult, bytes); }
  uint8_t* Voxels(uint64_t bytes) override {
    if (bytes == 0 || ftruncate(memory_, static_cast<off_t>(bytes)) != 0) throw std::bad_alloc();
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, memory_, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    return static_cast<uint8_t*>(mapped);
  }

  void LimitMemory(uint64_t bytes) override {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !VOLVIEW_HAS_SANITIZER
    struct rlimit limit {};
    getrlimit(RLIMIT_DATA, &limit);
    const uint64_t cap = DataBytesNow() + bytes;
    if (limit.rlim_max == RLIM_INFINITY || cap < limit.rlim_max) {
      limit.rlim_cur = cap;
      setrlimit(RLIMIT_DATA, &limit);
    }
#else
    (void)bytes;
#endif
  }
  void UnlimitMemory() override {
    struct rlimit limit {};
    getrlimit(RLIMIT_DATA, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_DATA, &limit);
  }

private:
  // VmData of this process.
  static uint64_t DataBytesNow() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    unsigned long long kib = 0;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
      if (std::sscanf(line, "VmData: %llu kB", &kib) == 1) break;
    }
    if (status != nullptr) std::fclose(status);
    return kib * 1024;
  }

  int pipe_;
  int memory_;
};

[[noreturn]] void RunChild(const std::function<void(ReaderChannel&)>& work, int pipe, int memory,
                           int said, const std::string& name) {
  // A crash must leave no core file behind, only the parent's line.
  struct rlimit noCore {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  // A crash ends the child by its signal, which the parent names, even where
  // a handler of the program (a sanitizer's, say) would turn it into an exit.
  for (const int fatal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(fatal, SIG_DFL);
  // Whatever the libraries print is kept for the parent, not the terminal.
  dup2(said, STDOUT_FILENO);
  dup2(said, STDERR_FILENO);
  setvbuf(stdout, nullptr, _IONBF, 0);
  ChildChannel channel(pipe, memory);
  try {
    work(channel);
  } catch (const VolumeFileError& error) {
    Send(pipe, kError, error.what());
    _exit(1);
  } catch (const std::bad_alloc&) {
    Send(pipe, kError, name + ": not enough memory");
    _exit(1);
  } catch (const std::exception& error) {
    Send(pipe, kError, name + ": " + error.what());
    _exit(1);
  } catch (...) {
    Send(pipe, kError, name + ": cannot be read");
    _exit(1);
  }
  std::fflush(nullptr);
  _exit(0);
}

std::string LastLine(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || status.st_size <= 0) return {};
  const off_t keep = 4096;
  const off_t from = status.st_size > keep ? status.st_size - keep : 0;
  std::string text(static_cast<size_t>(status.st_size - from), '\0');
  const ssize_t got = pread(fd, text.data(), text.size(), from);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  const size_t start = text.rfind('\n');
  if (start != std::string::npos) text = text.substr(start + 1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.erase(0, 1);
  if (text.size() > 200) text = text.substr(0, 200) + "...";
  return text;
}

// What a working reader changes: bytes it read and wrote, pages it holds.
// Its CPU time is left out: a reader spinning in a loop has plenty.
std::string Activity(pid_t child) {
  std::string activity;
  for (const std::string file : {"io", "statm"}) {
    std::FILE* stats = std::fopen(("/proc/" + std::to_string(child) + "/" + file).c_str(), "r");
    if (stats == nullptr) continue;
    char line[256];
    while (std::fgets(line, sizeof line, stats) != nullptr) {
      if (file == "statm" || std::strncmp(line, "rchar", 5) == 0 || std::strncmp(line, "wchar", 5) == 0) {
        activity += line;
      }
    }
    std::fclose(stats);
  }
  return activity;
}

// Waits until `fd` has something to read (true) or the child has made no
// progress for `stallLimit` (false).
bool AwaitMessage(int fd, pid_t child, std::chrono::milliseconds stallLimit) {
  using Clock = std::chrono::steady_clock;
  std::string seen = Activity(child);
  Clock::time_point lastProgress = Clock::now();
  const int tick = static_cast<int>(std::min<int64_t>(1000, stallLimit.count() / 4 + 1));
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    const int n = poll(&ready, 1, tick);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return true;  // let the read report it
    const std::string now = Activity(child);
    if (now != seen) {
      seen = now;
      lastProgress = Clock::now();
    } else if (Clock::now() - lastProgress >= stallLimit) {
      return false;
    }
  }
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

ReaderOutcome RunReaderInChild(const std::string& name, const std::function<void(ReaderChannel&)>& work,
                               const VolumeProgress& progress, std::chrono::milliseconds stallLimit) {
  Fd memory, said, readEnd, writeEnd;
  memory.fd = memfd_create("volview-voxels", MFD_CLOEXEC);
  said.fd = memfd_create("volview-reader-said", MFD_CLOEXEC);
  int ends[2];
  if (memory.fd < 0 || said.fd < 0 || pipe2(ends, O_CLOEXEC) != 0) {
    throw VolumeFileError(name + ": cannot start the reader: " + std::strerror(errno));
  }
  readEnd.fd = ends[0];
  writeEnd.fd = ends[1];
  std::fflush(nullptr);  // nothing buffered twice
  const pid_t child = fork();
  if (child < 0) throw VolumeFileError(name + ": cannot start the reader: " + std::strerror(errno));
  if (child == 0) {
    close(readEnd.fd);
    RunChild(work, writeEnd.fd, memory.fd, said.fd, name);
  }
  close(writeEnd.fd);
  writeEnd.fd = -1;

  std::string reader = "file", error;
  ReaderOutcome outcome;
  bool gotResult = false, stalled = false;
  for (;;) {
    if (!AwaitMessage(readEnd.fd, child, stallLimit)) {
      stalled = true;
      kill(child, SIGKILL);
      break;
    }
    char type = 0;
    uint32_t length = 0;
    if (!ReadAll(readEnd.fd, &type, 1) || !ReadAll(readEnd.fd, &length, sizeof length)) break;
    std::string text(length, '\0');
    if (!ReadAll(readEnd.fd, text.data(), length)) break;
    switch (type) {
      case kReader: reader = text; break;
      case kProgress:
        if (progress) progress(text);
        break;
      case kResult:
        outcome.result = std::move(text);
        gotResult = true;
        break;
      case kError: error = std::move(text); break;
      default: break;
    }
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.said = LastLine(said.fd);
  if (stalled) {
    char line[64];
    std::snprintf(line, sizeof line, "stopped responding on this file (no progress in %g s)",
                  std::chrono::duration<double>(stallLimit).count());
    throw VolumeFileError(name + ": the " + reader + " reader " + line);
  }
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    std::string line = name + ": the " + reader + " reader ";
    line += signal == SIGKILL ? "was killed on this file (out of memory?)"
                              : std::string("crashed on this file (") + strsignal(signal) + ")";
    if (!outcome.said.empty()) line += ": " + outcome.said;
    throw VolumeFileError(line);
  }
  if (!error.empty()) throw VolumeFileError(error);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !gotResult) {
    throw VolumeFileError(name + ": the " + reader + " reader stopped without a result");
  }
  struct stat placed {};
  if (fstat(memory.fd, &placed) == 0 && placed.st_size > 0) {
    const size_t bytes = static_cast<size_t>(placed.st_size);
    void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, memory.fd, 0);
    if (mapped == MAP_FAILED) throw VolumeFileError(name + ": not enough memory");
    outcome.voxels = VoxelBuffer(static_cast<uint8_t*>(mapped), VoxelFree(bytes));
    outcome.voxelBytes = bytes;
  }
  return outcome;
}
