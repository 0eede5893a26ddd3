// Where voxels lie: canonical indices to RAS mm and back, to the file's own
// indices, the extent of the voxel centres and its --info line, on
// VolumeInfos made as the readers make them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "files/volume_info.h"
#include "files/volume_space.h"

namespace {

using Index = std::array<int64_t, 3>;

// File axes along `direction` (columns, LPS); sizes and spacing along the canonical axes.
VolumeInfo Anatomical(const DirectionMatrix& direction, Index sizes, Point3 spacing, Point3 originLps) {
  VolumeInfo info;
  info.sizes = sizes;
  info.spacing = spacing;
  info.origin = originLps;
  info.direction = direction;
  info.mapping = MapToCanonical(direction);
  info.anatomical = true;
  return info;
}

void ExpectNear(const Point3& actual, const Point3& expected, const char* what) {
  for (int p = 0; p < 3; ++p) EXPECT_NEAR(actual[p], expected[p], 1e-9) << what << " component " << p;
}

}  // namespace

TEST(VolumeSpace, LpsStorageNegatesRightAndAnteriorAndFlippedAxesReadFromTheLastVoxel) {
  const VolumeInfo lps = Anatomical({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {4, 5, 6}, {1, 2, 3}, {10, 20, 30});
  ExpectNear(CanonicalToRas(lps, {1, 1, 1.5}), {-11, -22, 34.5}, "LPS");
  // NIfTI's usual storage: file axes toward R, A, S; file voxel 0 at RAS (10, 20, 0).
  const VolumeInfo ras = Anatomical({{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}, {4, 5, 6}, {1, 2, 1}, {-10, -20, 0});
  EXPECT_EQ(CanonicalToFileIndex(ras, {0, 0, 2}), (Index{3, 4, 2}));
  EXPECT_EQ(FileToCanonicalIndex(ras, {3, 4, 2}), (Index{0, 0, 2}));
  ExpectNear(CanonicalToRas(ras, {3, 4, 0}), {10, 20, 0}, "file voxel 0");
  const RasBox box = RasExtent(ras);
  ExpectNear(box.low, {10, 20, 0}, "low");
  ExpectNear(box.high, {13, 28, 5}, "high");
}

TEST(VolumeSpace, PermutedAxesTakeSizeSpacingAndFlipOfTheirFileAxis) {
  // Coronal slices as DICOM writes them: file axes toward L, I, P, file
  // sizes 4 x 6 x 5, spacing 1 x 3 x 2; file voxel 0 at the top, LPS (0, 0, 50).
  const VolumeInfo info = Anatomical({{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}, {4, 5, 6}, {1, 2, 3}, {0, 0, 50});
  EXPECT_EQ(CanonicalToFileIndex(info, {1, 2, 0}), (Index{1, 5, 2}));
  EXPECT_EQ(FileToCanonicalIndex(info, {1, 5, 2}), (Index{1, 2, 0}));
  ExpectNear(CanonicalToRas(info, {0, 0, 5}), {0, 0, 50}, "file voxel 0");
  ExpectNear(CanonicalToRas(info, {1, 2, 0}), {-1, -4, 35}, "lowest slice row");
  const RasBox box = RasExtent(info);
  ExpectNear(box.low, {-3, -8, 35}, "low");
  ExpectNear(box.high, {0, 0, 50}, "high");
}

TEST(VolumeSpace, ObliqueAndShearedFramesRoundTripAndKeepTheFileGeometry) {
  // File axes roughly A, I, R: turned 30 degrees about S, permuted and flipped.
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  VolumeInfo info = Anatomical({{{-s, 0, -c}, {-c, 0, s}, {0, -1, 0}}}, {7, 5, 3}, {0.5, 1.5, 2.5}, {12, -7, 40});
  ASSERT_EQ(info.mapping.fileAxis, (std::array<int, 3>{2, 0, 1}));
  // File voxel 0 at the origin; file voxel (0, 1, 0) one file spacing (2.5 mm) below.
  const Index first = FileToCanonicalIndex(info, {0, 0, 0}), below = FileToCanonicalIndex(info, {0, 1, 0});
  ExpectNear(CanonicalToRas(info, {double(first[0]), double(first[1]), double(first[2])}), {-12, 7, 40}, "voxel 0");
  ExpectNear(CanonicalToRas(info, {double(below[0]), double(below[1]), double(below[2])}), {-12, 7, 37.5}, "below");
  for (const Point3& index : {Point3{6, 4, 2}, Point3{2.5, -1, 7.25}}) {
    ExpectNear(RasToCanonical(info, CanonicalToRas(info, index)), index, "oblique round trip");
  }
  // A frame that is not orthonormal must be solved, not transposed.
  info.direction = {{{1, 0.3, 0}, {0, 1, 0.2}, {0.1, 0, 1}}};
  info.mapping = MapToCanonical(info.direction);
  ExpectNear(RasToCanonical(info, CanonicalToRas(info, {-4, 0.5, 9})), {-4, 0.5, 9}, "sheared round trip");
  // 3 x 3 voxel centres turned 45 degrees about S: the diagonals bound the extent.
  const double h = std::sqrt(0.5), r = std::sqrt(2.0);
  const RasBox box = RasExtent(Anatomical({{{h, -h, 0}, {h, h, 0}, {0, 0, 1}}}, {3, 3, 1}, {1, 1, 1}, {0, 0, 0}));
  ExpectNear(box.low, {-r, -2 * r, 0}, "turned low");
  ExpectNear(box.high, {r, 0, 0}, "turned high");
}

TEST(VolumeSpace, AResampledVolumeNamesTheFileVoxelNearestAndTheFileVoxelsExtent) {
  // The file: 3 x 4 x 5 voxels turned 30 degrees about S; shown on a grid along L, P, S at 1 mm.
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  VolumeInfo shown = Anatomical({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {6, 6, 9}, {1, 1, 1}, {-2, 0, 0});
  shown.resampledFrom = VoxelGrid{{3, 4, 5}, {1, 1, 2}, {0, 0, 0}, {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}}};
  for (const Index file : {Index{0, 0, 0}, Index{2, 3, 4}, Index{2, 1, 4}, Index{2, 0, 1}}) {
    EXPECT_EQ(CanonicalToFileIndex(shown, FileToCanonicalIndex(shown, file)), file);
  }
  // File voxel (2, 0, 0) lies at LPS (2c, 2s, 0), nearest shown voxel (2c + 2, 2s) = (3.7, 1).
  EXPECT_EQ(FileToCanonicalIndex(shown, {2, 0, 0}), (Index{4, 1, 0}));
  const RasBox extent = RasExtent(shown);
  ExpectNear(extent.low, {-2 * c, -(2 * s + 3 * c), 0}, "low");
  ExpectNear(extent.high, {3 * s, 0, 8}, "high");
}

TEST(VolumeSpace, WithoutAPatientFrameThePlainOriginAndSpacingAndInfoNeverSaysMinusZero) {
  VolumeInfo info;  // as a TIFF or VTK file gives it
  info.sizes = {4, 3, 2};
  info.spacing = {2, 1, 0.5};
  info.origin = {5, -3, 2};
  ExpectNear(RasToCanonical(info, {7, -1, 2.5}), {1, 2, 1}, "x/y/z");
  const IntensityWindow window{0, 1};
  EXPECT_NE(VolumeInfoText("a.tif", info, window).find("\nExtent (mm): x 5.0..11.0, y -3.0..-1.0, z 2.0..2.5\n"),
            std::string::npos);
  info.anatomical = true;
  info.origin = {0, 0, 0};
  EXPECT_NE(VolumeInfoText("a.nrrd", info, window).find("\nExtent (RAS mm): R -6.0..0.0, A -2.0..0.0, S 0.0..0.5\n"),
            std::string::npos);
}
