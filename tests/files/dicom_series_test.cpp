// One file of a DICOM series opens the series of its folder (and only that
// series when another shares the folder); --single-file opens the file
// alone; a series with a slice missing is refused, not shown with a gap.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "files/volume_file.h"

namespace fs = std::filesystem;

namespace {

const std::string kSamples = VOLVIEW_SAMPLES_DIR "/ct_dicom";
const std::string kOtherSeries = "/usr/lib/python3/dist-packages/pydicom/data/test_files/MR_small.dcm";

std::string Folder(const std::string& name) {
  const std::string folder = testing::TempDir() + name;
  fs::remove_all(folder);
  fs::copy(kSamples, folder);
  return folder;
}

// The refusal of `request`, or "opened".
std::string Refusal(const VolumeRequest& request) {
  try {
    OpenVolume(request);
  } catch (const VolumeFileError& error) {
    return error.what();
  }
  return "opened";
}

}  // namespace

TEST(DicomSeries, OneFileOpensItsSeriesBesideAnotherSeriesAndSingleFileOpensItAlone) {
  const std::string folder = Folder("two_series");
  const bool other = fs::exists(kOtherSeries);
  if (other) fs::copy_file(kOtherSeries, folder + "/other.dcm");
  const Volume series = OpenVolume({folder + "/slice_010.dcm", {}, {}, 0});
  EXPECT_EQ(series.info().format, "DICOM series");
  EXPECT_EQ(series.info().sizes, (std::array<int64_t, 3>{128, 128, 64}));
  EXPECT_EQ(series.info().spacing[2], 3.0);
  EXPECT_NE(series.info().note.find("one of the 64 files of DICOM series "), std::string::npos);
  const Volume alone = OpenVolume({folder + "/slice_010.dcm", {}, {}, 0, true});
  EXPECT_EQ(alone.info().format, "DICOM");
  EXPECT_EQ(alone.info().sizes, (std::array<int64_t, 3>{128, 128, 1}));
  EXPECT_EQ(alone.info().fileType, VoxelType::Int16);
  if (other) {
    const Volume mr = OpenVolume({folder + "/other.dcm", {}, {}, 0});
    EXPECT_EQ(mr.info().format, "DICOM");
    EXPECT_EQ(mr.info().sizes, (std::array<int64_t, 3>{64, 64, 1}));
  }
}

TEST(DicomSeries, AMissingSliceIsRefusedInAFolderAndFromOneFile) {
  const std::string gap = Folder("gap");
  fs::remove(gap + "/slice_030.dcm");
  EXPECT_EQ(Refusal({gap + "/slice_000.dcm", {}, {}, 0}),
            gap + "/slice_000.dcm: the slices are unevenly spaced (a slice missing?)"
                  "; --single-file opens this file alone");
  EXPECT_NE(Refusal({gap, {}, {}, 0}), "opened");
}

TEST(DicomSeries, ASliceCutShortIsRefusedNotFilledWithZeros) {
  const std::string cut = Folder("cut");
  fs::resize_file(cut + "/slice_030.dcm", fs::file_size(cut + "/slice_030.dcm") - 1000);
  EXPECT_EQ(Refusal({cut, {}, {}, 0}),
            cut + ": slice " + cut + "/slice_030.dcm: file is cut short (pixel data holds 31768 of 32768 bytes)");
}
