#include "sources/fluid_isa.h"

#include <algorithm>
#include <atomic>

namespace fluid {
namespace {

std::atomic<Isa>& Active() {
  static std::atomic<Isa> active{BestIsa()};
  return active;
}

}  // namespace

Isa BestIsa() {
  if (__builtin_cpu_supports("avx512f")) return Isa::kAvx512;
  if (__builtin_cpu_supports("avx2")) return Isa::kAvx2;
  return Isa::kBase;
}

Isa ActiveIsa() { return Active().load(std::memory_order_relaxed); }

void LimitIsa(Isa level) { Active().store(std::min(level, BestIsa()), std::memory_order_relaxed); }

}  // namespace fluid
