// Third-party readers (ITK, GDCM, libtiff, niftilib) run in a forked child
// process: a crash or an abort inside them becomes one line, their own
// messages on stdout and stderr are kept from the terminal, and the voxels
// come back through shared memory without a copy.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "files/volume_file.h"
#include "files/voxel_buffer.h"

// What the work in the child may do besides throwing VolumeFileError.
class ReaderChannel {
public:
  virtual ~ReaderChannel() = default;
  // Names the reader for a crash line: "NRRD" gives "the NRRD reader crashed".
  virtual void Reader(const std::string& name) = 0;
  // A progress line, handed to the parent's VolumeProgress.
  virtual void Progress(const std::string& line) = 0;
  // Memory for the voxels, shared with the parent; at most one call.
  virtual uint8_t* Voxels(uint64_t bytes) = 0;
  // Everything else the parent needs, returned whole once the work is done.
  virtual void Result(const std::string& bytes) = 0;
  // Caps the child's data at what it holds now plus `bytes` (a header must
  // not make a reader allocate gigabytes), or lifts the cap. A reader that
  // exceeds it sees std::bad_alloc or aborts. No cap under sanitizers,
  // whose shadow memory counts as data.
  virtual void LimitMemory(uint64_t bytes) = 0;
  virtual void UnlimitMemory() = 0;
};

struct ReaderOutcome {
  std::string result;    // as passed to Result
  VoxelBuffer voxels;    // as placed by Voxels; null if it was never called
  uint64_t voxelBytes = 0;
  std::string said;      // what the reader printed, in case a warning is wanted
};

// A reader that for this long neither sends a message, reads or writes a
// byte, nor touches new memory is spinning or deadlocked: it is stopped.
// Decoding a large file reads or fills memory all along, far more often.
constexpr std::chrono::seconds kReaderStallLimit{30};

// Runs `work` in a child process and waits for it. Throws VolumeFileError:
// the child's own error, "<name>: the <reader> reader crashed on this file
// (<signal>)" when it dies by a signal, or "... stopped responding on this
// file (no progress in N s)" when it stalls for `stallLimit`. `name` starts
// every line.
ReaderOutcome RunReaderInChild(const std::string& name, const std::function<void(ReaderChannel&)>& work,
                               const VolumeProgress& progress,
                               std::chrono::milliseconds stallLimit = kReaderStallLimit);
