// Runs a range of independent work items on both cores: the upper half on a
// second thread, the lower half on the caller's.
#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

// fn(begin, end) must only touch items in [begin, end). Small jobs stay on
// one thread: starting a thread costs more than they take.
template <typename Fn>
void SplitWork(int32_t count, bool worthSplitting, Fn fn) {
  if (!worthSplitting || count < 2) {
    fn(0, count);
    return;
  }
  const int32_t split = count / 2;
  std::thread upper;
  try {
    upper = std::thread([&fn, split, count] { fn(split, count); });
  } catch (const std::system_error&) {
    fn(split, count);  // no thread to be had
  }
  fn(0, split);
  if (upper.joinable()) upper.join();
}
