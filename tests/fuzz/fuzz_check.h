// The fuzz targets' promises hold in every build type: a broken one stops the
// run where libFuzzer keeps the input.
#pragma once

inline void Check(bool promise) {
  if (!promise) __builtin_trap();
}
