#include "files/location_report.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "platform/text_encoding.h"

namespace files {
namespace {

// The labels of the four lines of an object, as the tool writes them (here in UTF-8).
constexpr std::string_view kLeftLabel = "左イメージcog x_y";
constexpr std::string_view kRightLabel = "右イメージcog x_y";
constexpr std::string_view kPositionLabel = "対象の位置情報　　x_y_z";
constexpr std::string_view kSizeLabel = "対象のサイズ情報　H_W";

std::string_view trim_blanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool to_number(std::string_view text, int& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size();
}

bool to_number(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out, std::chars_format::fixed);
    return ec == std::errc() && ptr == text.data() + text.size() && std::isfinite(out);
}

// "LABEL, v1, v2[, v3]": exactly N comma-separated numbers after the label.
template <typename T, size_t N>
bool parse_line(std::string_view line, std::string_view label, T (&values)[N]) {
    if (line.substr(0, label.size()) != label) return false;
    line.remove_prefix(label.size());
    for (size_t i = 0; i < N; ++i) {
        if (line.empty() || line.front() != ',') return false;
        line.remove_prefix(1);
        const size_t comma = line.find(',');
        const std::string_view field = line.substr(0, comma);
        if (!to_number(trim_blanks(field), values[i])) return false;
        line.remove_prefix(field.size());
    }
    return line.empty();
}

template <typename T, size_t N>
bool parse_line_at(const std::vector<std::string_view>& lines, size_t n, std::string_view label,
                   T (&values)[N]) {
    return n < lines.size() && parse_line(lines[n], label, values);
}

// printf into a string of any length: a position of 1e300 is 300 digits long.
std::string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

}  // namespace

std::string report_object_text(const ReportedObject& o) {
    const auto label = [](std::string_view l) { return static_cast<int>(l.size()); };
    return formatted("%.*s, %4d, %4d\n", label(kLeftLabel), kLeftLabel.data(), o.left_cog_x, o.left_cog_y) +
           formatted("%.*s, %4d, %4d\n", label(kRightLabel), kRightLabel.data(), o.right_cog_x,
                     o.right_cog_y) +
           formatted("%.*s, %.1f, %.1f, %.1f\n", label(kPositionLabel), kPositionLabel.data(), o.x, o.y,
                     o.z) +
           formatted("%.*s, %.1f, %.1f\n", label(kSizeLabel), kSizeLabel.data(), o.h, o.w);
}

bool parse_report(std::string_view cp932_bytes, std::vector<ReportedObject>& objects, std::string& error) {
    objects.clear();
    const std::string text = platform::cp932_to_utf8(cp932_bytes);
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }

    // Each object is four lines; the first that does not fit is named in the message.
    std::vector<ReportedObject> found;
    for (size_t i = 0; i < lines.size(); i += 4) {
        int left[2], right[2];
        double position[3], size[2];
        size_t bad = 4;
        if (!parse_line_at(lines, i, kLeftLabel, left)) {
            bad = 0;
        } else if (!parse_line_at(lines, i + 1, kRightLabel, right)) {
            bad = 1;
        } else if (!parse_line_at(lines, i + 2, kPositionLabel, position)) {
            bad = 2;
        } else if (!parse_line_at(lines, i + 3, kSizeLabel, size)) {
            bad = 3;
        }
        if (bad < 4) {
            static constexpr const char* kWhat[4] = {"the left image line", "the right image line",
                                                     "the position line", "the size line"};
            static constexpr std::string_view kLabel[4] = {kLeftLabel, kRightLabel, kPositionLabel,
                                                           kSizeLabel};
            const size_t n = i + bad;
            error = "line " + std::to_string(n + 1) + ": expected " + kWhat[bad] + " (\"" +
                    std::string(kLabel[bad]) + ", ...\")" + (n < lines.size() ? "" : ", but the report ends");
            return false;
        }
        found.push_back(
            {left[0], left[1], right[0], right[1], position[0], position[1], position[2], size[0], size[1]});
    }
    objects = std::move(found);
    return true;
}

}  // namespace files
