#pragma once
// Conversions between the UTF-8 text of the code and the CP932 (Shift-JIS) bytes of the protocol
// files and Japanese consoles.

#include <string>
#include <string_view>

namespace platform {

// Characters that CP932 cannot hold become '?'.
std::string utf8_to_cp932(std::string_view utf8);
// Byte sequences that are not CP932 become U+FFFD.
std::string cp932_to_utf8(std::string_view cp932);

}  // namespace platform
