// The child-process reader: voxels and facts come back through shared
// memory, errors pass unchanged, and a planted crash or abort inside the
// "reader" becomes one clean line instead of taking the viewer down, and one
// that spins or hangs is stopped.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/reader_child.h"

namespace {

std::string Refusal(const std::function<void(ReaderChannel&)>& work,
                    std::chrono::milliseconds stallLimit = kReaderStallLimit) {
  try {
    RunReaderInChild("scan.nrrd", work, {}, stallLimit);
  } catch (const VolumeFileError& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace

TEST(ReaderChild, HandsBackVoxelsFactsAndProgress) {
  std::string lines;
  const ReaderOutcome outcome = RunReaderInChild(
      "scan.nrrd",
      [](ReaderChannel& channel) {
        channel.Reader("NRRD");
        channel.Progress("Reading scan.nrrd");
        uint8_t* voxels = channel.Voxels(100000);
        for (int i = 0; i < 100000; ++i) voxels[i] = static_cast<uint8_t>(i * 7);
        std::printf("chatter on stdout\n");
        std::fprintf(stderr, "chatter on stderr\n");
        channel.Result("facts");
      },
      [&lines](const std::string& line) { lines += line + "\n"; });
  EXPECT_EQ(outcome.result, "facts");
  EXPECT_EQ(lines, "Reading scan.nrrd\n");
  ASSERT_EQ(outcome.voxelBytes, 100000u);
  for (int i = 0; i < 100000; i += 999) ASSERT_EQ(outcome.voxels[i], static_cast<uint8_t>(i * 7)) << i;
  EXPECT_EQ(outcome.said, "chatter on stderr");
}

TEST(ReaderChild, PlantedSegfaultAndAbortGiveOneCleanLine) {
  testing::internal::CaptureStderr();
  const std::string segfault = Refusal([](ReaderChannel& channel) {
    channel.Reader("NRRD");
    raise(SIGSEGV);
  });
  const std::string aborted = Refusal([](ReaderChannel& channel) {
    channel.Reader("DICOM");
    std::fprintf(stderr, "Warning: one\ngdcm: assertion `bits' failed.\n");
    std::abort();
  });
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the child's words stay out of the terminal
  EXPECT_EQ(segfault, "scan.nrrd: the NRRD reader crashed on this file (Segmentation fault)");
  EXPECT_EQ(aborted, "scan.nrrd: the DICOM reader crashed on this file (Aborted): gdcm: assertion `bits' failed.");
}

TEST(ReaderChild, ErrorsPassUnchangedAndAnUnnamedReaderIsTheFileReader) {
  EXPECT_EQ(Refusal([](ReaderChannel&) { throw VolumeFileError("scan.nrrd: file is cut short"); }),
            "scan.nrrd: file is cut short");
  EXPECT_EQ(Refusal([](ReaderChannel&) { throw std::bad_alloc(); }), "scan.nrrd: not enough memory");
  EXPECT_EQ(Refusal([](ReaderChannel&) { _exit(0); }),
            "scan.nrrd: the file reader stopped without a result");
  EXPECT_EQ(Refusal([](ReaderChannel&) { raise(SIGFPE); }),
            "scan.nrrd: the file reader crashed on this file (Floating point exception)");
}

TEST(ReaderChild, AReaderThatSpinsOrHangsIsStoppedOneThatWorksSlowlyIsNot) {
  const std::chrono::seconds limit(1);
  const std::string stopped = "scan.nrrd: the NRRD reader stopped responding on this file (no progress in 1 s)";
  auto spin = [](ReaderChannel& channel) {
    channel.Reader("NRRD");
    for (volatile uint64_t turn = 0;; turn = turn + 1) {
    }
  };
  EXPECT_EQ(Refusal(spin, limit), stopped);
  EXPECT_EQ(Refusal([](ReaderChannel& channel) { channel.Reader("NRRD"), pause(); }, limit), stopped);
  // Reading a little every fifth of the limit, for several times the limit.
  auto slow = [](ReaderChannel& channel) {
    std::FILE* file = std::fopen("/proc/self/exe", "rb");
    char block[4096];
    for (int step = 0; step < 12 && std::fread(block, 1, sizeof block, file) > 0; ++step) usleep(200000);
    std::fclose(file);
    channel.Result("read");
  };
  EXPECT_EQ(Refusal(slow, limit), "no error");
}
