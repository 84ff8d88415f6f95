#include "dsp/frequency_grid.h"

namespace krm {

int nearestGridIndex(double f) {
    for (int i = 0; i < kGridSize; ++i) {
        const double g = FrequencyGrid[static_cast<std::size_t>(i)];
        if (g >= f) {
            if (i > 0 && g - f > f - FrequencyGrid[static_cast<std::size_t>(i - 1)])
                return i - 1;
            return i;
        }
    }
    return kGridSize - 1; // above the grid, or not a number
}

} // namespace krm
