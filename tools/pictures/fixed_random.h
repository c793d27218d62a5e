// The grain of the ground and the lit windows come from a generator with a
// fixed seed, so that every run draws the same pictures. Numbers are
// reduced with plain arithmetic instead of the library's distributions,
// whose results may change from one library version to the next.
#pragma once

#include <cstdint>
#include <random>

class FixedRandom {
public:
    explicit FixedRandom(uint32_t seed) : engine_(seed) {}

    // 0 to n - 1.
    int below(int n) { return int(engine_() % uint32_t(n)); }
    bool one_in(int n) { return below(n) == 0; }

private:
    std::mt19937 engine_;
};
