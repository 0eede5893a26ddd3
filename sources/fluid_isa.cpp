#include "sources/fluid_isa.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace fluid {
namespace {

// VOLVIEW_FLUID_ISA=base|avx2 caps the level for the whole process, so a
// machine with AVX-512 can run (and time) what an AVX2 machine would.
Isa CapFromEnvironment() {
  const char* cap = std::getenv("VOLVIEW_FLUID_ISA");
  if (cap == nullptr) return Isa::kAvx512;
  if (std::strcmp(cap, "base") == 0) return Isa::kBase;
  if (std::strcmp(cap, "avx2") == 0) return Isa::kAvx2;
  return Isa::kAvx512;
}

Isa ProcessorIsa() {
  if (__builtin_cpu_supports("avx512f")) return Isa::kAvx512;
  if (__builtin_cpu_supports("avx2")) return Isa::kAvx2;
  return Isa::kBase;
}

std::atomic<Isa>& Active() {
  static std::atomic<Isa> active{BestIsa()};
  return active;
}

}  // namespace

Isa BestIsa() {
  static const Isa best = std::min(ProcessorIsa(), CapFromEnvironment());
  return best;
}

Isa ActiveIsa() { return Active().load(std::memory_order_relaxed); }

void LimitIsa(Isa level) { Active().store(std::min(level, BestIsa()), std::memory_order_relaxed); }

const char* IsaName(Isa level) {
  switch (level) {
    case Isa::kAvx512: return "AVX-512";
    case Isa::kAvx2: return "AVX2";
    case Isa::kBase: break;
  }
  return "plain";
}

}  // namespace fluid
