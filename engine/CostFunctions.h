#pragma once

#include <cstdint>

// Colour distance of two pixels in [0, 1]; alpha is ignored.
double colourDistance(uint32_t p, uint32_t q);
// min(alpha(p), alpha(q)) * colour distance / sqrt(255): the gradient across a pair, by coverage.
double weightedDistance(uint32_t p, uint32_t q);
// Price of cutting between neighbours 1 and 2, with b = chunk and a = output pixels: the
// new/old difference at both, divided by the gradient across the pair in chunk and output.
double seamCost(uint32_t b1, uint32_t a1, uint32_t b2, uint32_t a2);
// seamCost with the two new/old colour distances already known (the same value, fewer roots).
double seamCostFromDistances(double newOld1, double newOld2, uint32_t b1, uint32_t a1, uint32_t b2, uint32_t a2);
