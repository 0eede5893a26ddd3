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

// A volume whose file axes point along `direction` (columns, LPS), with
// sizes and spacing along the canonical axes.
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

void ExpectNear(const Point3& actual, const Point3& expected, const std::string& what) {
  for (int p = 0; p < 3; ++p) EXPECT_NEAR(actual[p], expected[p], 1e-9) << what << " component " << p;
}

}  // namespace

TEST(VolumeSpace, LpsStorageNegatesRightAndAnteriorOnly) {
  const VolumeInfo info = Anatomical({{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}, {4, 5, 6}, {1, 2, 3}, {10, 20, 30});
  ExpectNear(CanonicalToRas(info, {0, 0, 0}), {-10, -20, 30}, "first voxel");
  ExpectNear(CanonicalToRas(info, {1, 1, 1.5}), {-11, -22, 34.5}, "between centres");
  EXPECT_EQ(CanonicalToFileIndex(info, {3, 1, 2}), (Index{3, 1, 2}));
  const RasBox box = RasExtent(info);
  ExpectNear(box.low, {-13, -28, 30}, "low");
  ExpectNear(box.high, {-10, -20, 45}, "high");
}

TEST(VolumeSpace, FlippedAxesReadTheFileFromItsLastVoxel) {
  // NIfTI's usual storage: file axes toward R, A, S; file voxel 0 at RAS (10, 20, 0).
  const VolumeInfo info = Anatomical({{{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}}, {4, 5, 6}, {1, 2, 1}, {-10, -20, 0});
  EXPECT_EQ(CanonicalToFileIndex(info, {0, 0, 2}), (Index{3, 4, 2}));
  EXPECT_EQ(FileToCanonicalIndex(info, {3, 4, 2}), (Index{0, 0, 2}));
  ExpectNear(CanonicalToRas(info, {3, 4, 0}), {10, 20, 0}, "file voxel 0");
  ExpectNear(CanonicalToRas(info, {0, 0, 0}), {13, 28, 0}, "rightmost, most anterior");
  const RasBox box = RasExtent(info);
  ExpectNear(box.low, {10, 20, 0}, "low");
  ExpectNear(box.high, {13, 28, 5}, "high");
}

TEST(VolumeSpace, PermutedAxesTakeSizeSpacingAndFlipOfTheirFileAxis) {
  // Coronal slices: file axes toward L, S, P; file sizes 4 x 6 x 5, spacing 1 x 3 x 2.
  const VolumeInfo lsp = Anatomical({{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}}, {4, 5, 6}, {1, 2, 3}, {0, 0, 0});
  EXPECT_EQ(CanonicalToFileIndex(lsp, {1, 2, 3}), (Index{1, 3, 2}));
  EXPECT_EQ(FileToCanonicalIndex(lsp, {1, 3, 2}), (Index{1, 2, 3}));
  ExpectNear(CanonicalToRas(lsp, {1, 2, 3}), {-1, -4, 9}, "L, S, P");

  // As DICOM writes coronal slices: rows toward L, columns toward I, slices
  // toward P; file sizes 4 x 6 x 5, file voxel 0 at the top, LPS (0, 0, 50).
  const VolumeInfo lip = Anatomical({{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}, {4, 5, 6}, {1, 2, 3}, {0, 0, 50});
  EXPECT_EQ(CanonicalToFileIndex(lip, {1, 2, 0}), (Index{1, 5, 2}));
  EXPECT_EQ(FileToCanonicalIndex(lip, {1, 5, 2}), (Index{1, 2, 0}));
  ExpectNear(CanonicalToRas(lip, {0, 0, 5}), {0, 0, 50}, "file voxel 0");
  ExpectNear(CanonicalToRas(lip, {1, 2, 0}), {-1, -4, 35}, "lowest slice row");
  const RasBox box = RasExtent(lip);
  ExpectNear(box.low, {-3, -8, 35}, "low");
  ExpectNear(box.high, {0, 0, 50}, "high");
}

TEST(VolumeSpace, ObliqueAndShearedFramesRoundTripAndKeepTheFileGeometry) {
  // File axes toward A, turned 30 degrees about S, and the others permuted
  // and flipped: file axes roughly A, I, R.
  const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
  const DirectionMatrix oblique = {{{-s, 0, -c}, {-c, 0, s}, {0, -1, 0}}};
  const VolumeInfo info = Anatomical(oblique, {7, 5, 3}, {0.5, 1.5, 2.5}, {12, -7, 40});
  ASSERT_EQ(info.mapping.fileAxis, (std::array<int, 3>{2, 0, 1}));
  // File voxel 0 lies at the origin; file voxel (0, 1, 0) one file spacing (2.5 mm) down.
  const Index first = FileToCanonicalIndex(info, {0, 0, 0});
  const Index below = FileToCanonicalIndex(info, {0, 1, 0});
  const auto at = [&](const Index& i) {
    return CanonicalToRas(info, {double(i[0]), double(i[1]), double(i[2])});
  };
  ExpectNear(at(first), {-12, 7, 40}, "file voxel 0");
  ExpectNear(at(below), {-12, 7, 37.5}, "one voxel down the file's second axis");
  for (const Point3& index : {Point3{0, 0, 0}, Point3{6, 4, 2}, Point3{2.5, -1, 7.25}}) {
    ExpectNear(RasToCanonical(info, CanonicalToRas(info, index)), index, "oblique round trip");
  }
  // A frame that is not orthonormal must be solved, not transposed.
  VolumeInfo sheared = info;
  sheared.direction = {{{1, 0.3, 0}, {0, 1, 0.2}, {0.1, 0, 1}}};
  sheared.mapping = MapToCanonical(sheared.direction);
  for (const Point3& index : {Point3{1, 2, 3}, Point3{-4, 0.5, 9}}) {
    ExpectNear(RasToCanonical(sheared, CanonicalToRas(sheared, index)), index, "sheared round trip");
  }
  // A 45 degree turn about S of 3 x 3 voxel centres: the diagonal is the extent.
  const double h = std::sqrt(0.5);
  const VolumeInfo turned = Anatomical({{{h, -h, 0}, {h, h, 0}, {0, 0, 1}}}, {3, 3, 1}, {1, 1, 1}, {0, 0, 0});
  const RasBox box = RasExtent(turned);
  ExpectNear(box.low, {-std::sqrt(2.0), -2 * std::sqrt(2.0), 0}, "turned low");
  ExpectNear(box.high, {std::sqrt(2.0), 0, 0}, "turned high");
}

TEST(VolumeSpace, WithoutAPatientFrameThePlainOriginAndSpacing) {
  VolumeInfo info;  // as a TIFF or VTK file gives it
  info.sizes = {4, 3, 2};
  info.spacing = {2, 1, 0.5};
  info.origin = {5, -3, 2};
  ExpectNear(CanonicalToRas(info, {1, 2, 1}), {7, -1, 2.5}, "x/y/z");
  ExpectNear(RasToCanonical(info, {7, -1, 2.5}), {1, 2, 1}, "back");
  const IntensityWindow window{0, 1};
  EXPECT_NE(VolumeInfoText("a.tif", info, window).find("\nExtent (mm): x 5.0..11.0, y -3.0..-1.0, z 2.0..2.5\n"),
            std::string::npos);
  // An origin of 0 negated must not read "-0.0".
  info.anatomical = true;
  info.origin = {0, 0, 0};
  EXPECT_NE(VolumeInfoText("a.nrrd", info, window).find("\nExtent (RAS mm): R -6.0..0.0, A -2.0..0.0, S 0.0..0.5\n"),
            std::string::npos)
      << VolumeInfoText("a.nrrd", info, window);
}
