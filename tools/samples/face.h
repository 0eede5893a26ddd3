// A nose and ears on the head phantom of the sample volumes, so that which
// way the head faces reads at first sight. (The phantom itself stays as it
// is: the viewer's own raw file is made from it.)
#pragma once

#include <cstdint>
#include <vector>

// phantom: size^3 densities as BuildHeadPhantom gives them; the nose points
// towards anterior (low y), the ears to the left and right (x).
void AddFace(std::vector<uint8_t>& phantom, int size);
