#include "transfer/initial_table.h"

#include <cmath>

void FillInitialTransferTable(float* table) {
  for (int i = 0; i < kTransferEntries; ++i) {
    const double red = std::cos(0.1 * i);
    table[4 * i + 0] = static_cast<float>(red);
    table[4 * i + 1] = static_cast<float>(red * std::sin(0.01 * i));
    table[4 * i + 2] = static_cast<float>(std::sin(0.025 * i));
    table[4 * i + 3] = static_cast<float>(i * 0.00392156862745098);
  }
}
