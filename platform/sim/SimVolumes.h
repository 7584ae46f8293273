#pragma once

#include "platform/Volumes.h"

#include <vector>

namespace platform::sim {

// The simulated desktop's volumes (velmora-sim volume add), removable or fixed, in the order
// they were added. Nothing when the world does not answer within 2 seconds.
std::vector<Volume> SimVolumes();

} // namespace platform::sim
