#include "sim/gaussian_noise.h"

#include <cmath>
#include <numbers>

namespace sim {

namespace {

std::mt19937 seeded_engine(std::initializer_list<uint32_t> seed_words) {
    std::seed_seq seq(seed_words.begin(), seed_words.end());
    return std::mt19937(seq);
}

// Uniform in the open interval (0, 1): never 0, so the logarithm below stays finite.
double open_unit(uint32_t word) { return (static_cast<double>(word) + 0.5) / 4294967296.0; }

}  // namespace

GaussianNoise::GaussianNoise(std::initializer_list<uint32_t> seed_words)
    : engine_(seeded_engine(seed_words)) {}

double GaussianNoise::next() {
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    // Box-Muller: two uniform words give two independent normal samples.
    const double radius = std::sqrt(-2.0 * std::log(open_unit(engine_())));
    const double angle = 2.0 * std::numbers::pi * open_unit(engine_());
    spare_ = radius * std::sin(angle);
    has_spare_ = true;
    return radius * std::cos(angle);
}

}  // namespace sim
