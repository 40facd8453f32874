#include "engine/CostFunctions.h"

#include <algorithm>
#include <cmath>

namespace {

double squaredColourDifference(uint32_t p, uint32_t q) {
    const double dr = double(int((p >> 16) & 0xFF) - int((q >> 16) & 0xFF));
    const double dg = double(int((p >> 8) & 0xFF) - int((q >> 8) & 0xFF));
    const double db = double(int(p & 0xFF) - int(q & 0xFF));
    return dr * dr + dg * dg + db * db;
}

} // namespace

double colourDistance(uint32_t p, uint32_t q) { return std::sqrt(squaredColourDifference(p, q) / 195075.0); }

double weightedDistance(uint32_t p, uint32_t q) {
    const double alpha = double(std::min(p >> 24, q >> 24));
    return alpha * std::sqrt(squaredColourDifference(p, q) / 49744125.0);
}

double seamCost(uint32_t b1, uint32_t a1, uint32_t b2, uint32_t a2) {
    return seamCostFromDistances(colourDistance(b1, a1), colourDistance(b2, a2), b1, a1, b2, a2);
}

double seamCostFromDistances(double newOld1, double newOld2, uint32_t b1, uint32_t a1, uint32_t b2, uint32_t a2) {
    return (newOld1 + newOld2) / (weightedDistance(b1, b2) + weightedDistance(a1, a2) + 0.01);
}
