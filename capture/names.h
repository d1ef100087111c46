#pragma once
// Names as the library keeps them: 8-bit copies of the platform's 16-bit texts, each character
// narrowed to its low byte; device names cut to fit their 255-character fields.

#include <cstddef>
#include <string>
#include <string_view>

namespace capture {

// Device names are cut to this many characters, leaving room for the terminator.
inline constexpr size_t kNameLimit = 253;

// Copies at most kNameLimit characters of a device name and terminates: into wide as they are,
// into narrow narrowed. Either may be null.
void copy_name(std::u16string_view name, char16_t* wide, char* narrow);

// The whole text narrowed, for messages.
std::string narrow_text(std::u16string_view text);

}  // namespace capture
