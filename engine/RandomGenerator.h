#pragma once

#include <cstdint>

// The engine's rand(): a linear congruential generator with results 0..32767.
// One instance per session, passed to whoever draws numbers, so sessions never share a stream.
class RandomGenerator {
public:
    static constexpr int max = 32767;

    explicit RandomGenerator(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t s) { state_ = s; }
    // Next value in 0..32767.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return int((state_ >> 16) & 0x7FFF);
    }

private:
    uint32_t state_;
};
