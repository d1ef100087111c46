#include "capture/names.h"

#include <algorithm>

namespace capture {

void copy_name(std::u16string_view name, char16_t* wide, char* narrow) {
    const size_t n = std::min(name.size(), kNameLimit);
    if (wide) {
        std::copy_n(name.begin(), n, wide);
        wide[n] = 0;
    }
    if (narrow) {
        for (size_t i = 0; i < n; ++i) narrow[i] = static_cast<char>(name[i] & 0xFF);
        narrow[n] = '\0';
    }
}

std::string narrow_text(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (char16_t c : text) narrow += static_cast<char>(c & 0xFF);
    return narrow;
}

}  // namespace capture
