#pragma once
// Checks on console text the capture tests capture.

#include <string>
#include <vector>

namespace capture_test {

// Number of times `needle` occurs in `text`, not overlapping.
inline size_t occurrences(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

// True when the parts appear in text in this order (other text may lie between).
inline bool in_order(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const auto& part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += part.size();
    }
    return true;
}

}  // namespace capture_test
