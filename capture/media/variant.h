#pragma once
// The value a property bag reads: here always a 16-bit string, or nothing.

#include <string>

namespace media {

struct VARIANT {
    bool has_value = false;
    std::u16string bstr;
};

inline void VariantInit(VARIANT* v) { *v = VARIANT{}; }
inline void VariantClear(VARIANT* v) { *v = VARIANT{}; }

}  // namespace media
