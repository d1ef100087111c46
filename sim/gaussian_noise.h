#pragma once
// Normal random numbers from a Mersenne twister and our own transform, so a seed gives the same
// sequence with every standard library.

#include <cstdint>
#include <initializer_list>
#include <random>

namespace sim {

class GaussianNoise {
public:
    // The generator is seeded through std::seed_seq from the given words.
    explicit GaussianNoise(std::initializer_list<uint32_t> seed_words);

    // Next sample of the standard normal distribution (mean 0, deviation 1).
    double next();
    // Next raw 32-bit word of the underlying generator.
    uint32_t next_word() { return engine_(); }

private:
    std::mt19937 engine_;
    double spare_ = 0;
    bool has_spare_ = false;
};

}  // namespace sim
