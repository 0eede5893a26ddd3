// Slices and their grey pictures against values worked out from the voxel
// formula. The fields are linear, so linear sampling must give the field
// itself; positions are multiples of 1/16, so float arithmetic is exact and
// every comparison is too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "files/voxel_dispatch.h"
#include "render/slice_image.h"

namespace {

using Point = std::array<double, 3>;

struct Field {
  double scale, offset;
  double operator()(const Point& p) const { return scale * (3 * p[0] + 5 * p[1] + 7 * p[2]) + offset; }
};

Volume FieldVolume(const std::array<int64_t, 3>& sizes, VoxelType type, const Field& field) {
  VolumeInfo info;
  info.sizes = sizes;
  const size_t count = static_cast<size_t>(sizes[0] * sizes[1] * sizes[2]);
  VoxelBuffer voxels(new uint8_t[count * VoxelTypeBytes(type)]);
  DispatchVoxelType(type, [&](auto* tag) {
    using T = std::remove_const_t<std::remove_pointer_t<decltype(tag)>>;
    T* values = reinterpret_cast<T*>(voxels.get());
    for (int64_t z = 0; z < sizes[2]; ++z)
      for (int64_t y = 0; y < sizes[1]; ++y)
        for (int64_t x = 0; x < sizes[0]; ++x) *values++ = static_cast<T>(field({double(x), double(y), double(z)}));
  });
  return Volume(info, type, std::move(voxels));
}

double Clamp(double p, int64_t n) { return std::clamp(p, 0.0, double(n - 1)); }

}  // namespace

// Every axis of a volume whose sides differ (swapped axes show) and of one a
// voxel thick, both samplings, positions between planes, on a half and past
// both ends, and voxel types with fractions and negatives.
TEST(ExtractSlice, HoldsTheFieldAtThePositionOnEveryAxis) {
  const std::pair<VoxelType, Field> types[] = {{VoxelType::UInt8, {1, 0}},
                                               {VoxelType::Int16, {1, -40}},
                                               {VoxelType::Float32, {0.5, -10.25}},
                                               {VoxelType::Float64, {0.25, 3.125}}};
  SliceValues slice;
  for (const std::array<int64_t, 3>& sizes : {std::array<int64_t, 3>{5, 4, 3}, std::array<int64_t, 3>{4, 3, 1}}) {
    for (const auto& [type, field] : types) {
      const Volume volume = FieldVolume(sizes, type, field);
      // Each axis with its in-plane axes, u then v.
      const std::pair<SliceAxis, std::array<int, 2>> axes[] = {
          {SliceAxis::Sagittal, {1, 2}}, {SliceAxis::Coronal, {0, 2}}, {SliceAxis::Axial, {0, 1}}};
      for (const auto& [axis, inPlane] : axes) {
        const int normal = static_cast<int>(axis);
        const auto [u, v] = inPlane;
        EXPECT_EQ(InPlaneAxes(axis), inPlane);
        const int64_t n = sizes[normal];
        for (Sampling sampling : {Sampling::Linear, Sampling::Nearest}) {
          for (double position : {-2.0, 0.0, 1.25, 1.5, double(n - 1), n + 3.0}) {
            SCOPED_TRACE(testing::Message() << VoxelTypeName(type) << " sizes " << sizes[0] << "x" << sizes[1] << "x"
                                            << sizes[2] << " axis " << normal << " position " << position
                                            << (sampling == Sampling::Linear ? " linear" : " nearest"));
            ExtractSlice(volume, axis, position, sampling, slice);
            Point p{};
            p[normal] = sampling == Sampling::Linear ? Clamp(position, n) : Clamp(std::floor(position + 0.5), n);
            std::vector<float> expected;
            for (p[v] = 0; p[v] < sizes[v]; ++p[v])
              for (p[u] = 0; p[u] < sizes[u]; ++p[u]) expected.push_back(static_cast<float>(field(p)));
            EXPECT_EQ(slice.axis, axis);
            EXPECT_EQ(std::make_pair(slice.width, slice.height), std::make_pair(sizes[u], sizes[v]));
            EXPECT_EQ(slice.values, expected);
          }
        }
      }
    }
  }
  const float* storage = slice.values.data();
  ExtractSlice(FieldVolume({4, 3, 1}, VoxelType::Int16, {1, 0}), SliceAxis::Axial, 0, Sampling::Linear, slice);
  EXPECT_EQ(slice.values.data(), storage);
}

// Pictures of slices holding 2u + 7v, one grey level per unit, at zooms,
// offsets and mirrorings whose pixels land on both edges of the slice and
// on halves between voxels (round half up), and of a slice one row high.
TEST(RenderSlice, PixelsShowTheirPointOfTheSliceOrTheBackground) {
  struct View {
    PixelMapping mapping;
    int width, height;
  };
  const View views[] = {
      {{-1.4375, 0.375, -1.4375, 0.375}, 22, 14},  // zoomed in, pixels at -0.5 and at 5.5 and 2.5
      {{6.4375, -0.375, 3.4375, -0.375}, 22, 14},  // the same mirrored
      {{7, -1, -1, 0.5}, 9, 10},                   // mirrored across, pixel centres on voxel edges
      {{-0.75, 1.5, -1.25, 2}, 6, 4},              // zoomed out
  };
  const IntensityWindow window{-10, 245};
  const uint8_t background = 250;
  for (const auto& [w, h] : {std::pair<int64_t, int64_t>{6, 3}, std::pair<int64_t, int64_t>{5, 1}}) {
    SliceValues slice{SliceAxis::Coronal, w, h, {}};
    for (int64_t v = 0; v < h; ++v)
      for (int64_t u = 0; u < w; ++u) slice.values.push_back(float(2 * u + 7 * v));
    for (const View& view : views) {
      for (Sampling sampling : {Sampling::Linear, Sampling::Nearest}) {
        SCOPED_TRACE(testing::Message() << "slice " << w << "x" << h << " u0 " << view.mapping.u0
                                        << (sampling == Sampling::Linear ? " linear" : " nearest"));
        std::vector<uint8_t> expected;
        for (int y = 0; y < view.height; ++y) {
          for (int x = 0; x < view.width; ++x) {
            const double u = view.mapping.u0 + (x + 0.5) * view.mapping.du;
            const double v = view.mapping.v0 + (y + 0.5) * view.mapping.dv;
            if (u < -0.5 || u >= w - 0.5 || v < -0.5 || v >= h - 0.5) {
              expected.push_back(background);
              continue;
            }
            const double value = sampling == Sampling::Linear ? 2 * Clamp(u, w) + 7 * Clamp(v, h)
                                                              : 2 * std::floor(u + 0.5) + 7 * std::floor(v + 0.5);
            expected.push_back(static_cast<uint8_t>(std::floor(value + 10 + 0.5)));
          }
        }
        std::vector<uint8_t> picture(expected.size(), 0xcd);
        RenderSlice(slice, view.mapping, view.width, view.height, sampling, window, background, picture.data());
        EXPECT_EQ(picture, expected);
      }
    }
  }
}

// Five grey levels per unit: low and below are black, high and above white,
// halves round up; an empty or inverted window is a threshold at low.
TEST(RenderSlice, WindowMapsLowToBlackAndHighToWhiteRoundingHalfUp) {
  const SliceValues slice{SliceAxis::Axial, 8, 1, {-5, 10, 10.25, 10.5, 10.75, 60.5, 61, 100}};
  const std::pair<IntensityWindow, std::vector<uint8_t>> cases[] = {
      {{10, 61}, {0, 0, 1, 3, 4, 253, 255, 255}},
      {{10, 10}, {0, 0, 255, 255, 255, 255, 255, 255}},
      {{61, 10}, {0, 0, 0, 0, 0, 0, 0, 255}},
  };
  for (const auto& [window, expected] : cases) {
    std::vector<uint8_t> picture(8);
    RenderSlice(slice, {-0.5, 1, -0.5, 1}, 8, 1, Sampling::Nearest, window, 0, picture.data());
    EXPECT_EQ(picture, expected) << "window " << window.low << ".." << window.high;
  }
}
