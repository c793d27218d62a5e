#include "play/random_source.h"

#include <cmath>
#include <random>

namespace {
std::mt19937 generator;
}

void seed_random(uint32_t seed) { generator.seed(seed); }

float next_random()
{
    // 24 random bits scaled by 2^-24: every value a float holds exactly
    // and at most 1 - 2^-24, never 1 (std::generate_canonical<float> can
    // return 1.0, which would give a 27th letter).
    return float(generator() >> 8) * 0x1p-24f;
}

int16_t random_below(int n, int base)
{
    // In double, r * n is exact, so the result never reaches base + n.
    return int16_t(std::floor(double(next_random()) * n) + base);
}
