#pragma once
// Device names as the library keeps them: cut to fit their 255-character fields, in 8-bit
// characters and widened to 16-bit ones.

#include <cstddef>
#include <string_view>

namespace capture {

// Device names are cut to this many characters, leaving room for the terminator.
inline constexpr size_t kNameLimit = 253;

// Copies at most kNameLimit characters of a device name and terminates: into narrow as they are,
// into wide a byte to each 16-bit character. Either may be null.
void copy_name(std::string_view name, char16_t* wide, char* narrow);

}  // namespace capture
