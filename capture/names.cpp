#include "capture/names.h"

#include <algorithm>

namespace capture {

void copy_name(std::string_view name, char16_t* wide, char* narrow) {
    const size_t n = std::min(name.size(), kNameLimit);
    if (wide) {
        for (size_t i = 0; i < n; ++i) wide[i] = static_cast<char16_t>(static_cast<unsigned char>(name[i]));
        wide[n] = 0;
    }
    if (narrow) {
        std::copy_n(name.begin(), n, narrow);
        narrow[n] = '\0';
    }
}

}  // namespace capture
