#include "files/field_values.h"

#include <climits>
#include <cstdlib>
#include <limits>

namespace files {

static_assert(std::numeric_limits<float>::is_iec559, "out-of-range values must round to infinity");

int field_to_int(const char* field) {
    const long long value = std::strtoll(field, nullptr, 10);  // saturates at the long long range
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float field_to_float(const char* field) { return static_cast<float>(std::strtod(field, nullptr)); }

}  // namespace files
