#pragma once

#include <cstdint>

// A point of the two-dimensional Halton sequence; both coordinates normally in [0, 1).
struct HaltonPoint {
    double x = 0.0;
    double y = 0.0;
};

// Digit tables for the radical inverses of an index in two bases (5 and 11 for placement).
// Built once; never changes afterwards.
class HaltonTable {
public:
    static constexpr int kMaxDigits = 32;

    // Tables for bases base1 and base2. Bases below 2 give a table without digits, whose
    // points are all (0, 0).
    HaltonTable(uint32_t base1 = 5, uint32_t base2 = 11);

    // Radical inverses of i in both bases, from `count` digits; the last digit also folds in
    // everything above it, so indices from base1^count on may give x slightly above 1.
    HaltonPoint haltonPoint(uint32_t i) const;

    // Number of digits used: the powers of both bases stay below 2^32 - 1 up to this exponent.
    int count() const { return count_; }

private:
    uint32_t powers1_[kMaxDigits] = {};
    uint32_t powers2_[kMaxDigits] = {};
    double inverse1_[kMaxDigits] = {};
    double inverse2_[kMaxDigits] = {};
    int count_ = 0;
};
