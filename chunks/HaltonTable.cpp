#include "chunks/HaltonTable.h"

namespace {

constexpr uint32_t kAllDigits = 0xFFFFFFFFu;

double radicalInverse(uint32_t i, const uint32_t* powers, const double* inverse, int count) {
    double sum = 0.0;
    for (int k = 0; k < count; ++k)
        sum += double((i % powers[k + 1]) / powers[k]) * inverse[k];
    return sum;
}

}  // namespace

HaltonTable::HaltonTable(uint32_t base1, uint32_t base2) {
    if (base1 < 2 || base2 < 2)
        return;
    powers1_[0] = powers2_[0] = 1;
    powers1_[1] = base1;
    powers2_[1] = base2;
    // Index kMaxDigits - 1 is the last slot, which must hold the all-digits modulus.
    count_ = kMaxDigits - 1;
    for (int k = 2; k < kMaxDigits - 1; ++k) {
        const double next1 = double(powers1_[k - 1]) * base1;
        const double next2 = double(powers2_[k - 1]) * base2;
        if (next1 >= 4294967295.0 || next2 >= 4294967295.0) {
            count_ = k;
            break;
        }
        powers1_[k] = uint32_t(next1);
        powers2_[k] = uint32_t(next2);
    }
    powers1_[count_] = powers2_[count_] = kAllDigits;
    for (int j = 0; j + 1 < count_; ++j) {
        inverse1_[j] = 1.0 / powers1_[j + 1];
        inverse2_[j] = 1.0 / powers2_[j + 1];
    }
    inverse1_[count_ - 1] = inverse1_[count_ - 2] / base1;
    inverse2_[count_ - 1] = inverse2_[count_ - 2] / base2;
}

HaltonPoint HaltonTable::haltonPoint(uint32_t i) const {
    return {radicalInverse(i, powers1_, inverse1_, count_), radicalInverse(i, powers2_, inverse2_, count_)};
}
