#include "tools/report_output.h"

#include <charconv>

namespace tools {
namespace {

// Shortest text that reads back to the same double: 84.8 stays 84.8.
std::string json_number(double v) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string("null");
}

// One decimal, as the report writes them; any width, since a damaged report may carry numbers
// hundreds of digits long.
std::string fixed1(double v) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string right_aligned(const std::string& text, size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string left_aligned(const std::string& text, size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text;
}

std::string table_row(const std::string& number, const std::string& left, const std::string& right,
                      const std::string (&values)[5]) {
    std::string row =
        right_aligned(number, 3) + "  " + left_aligned(left, 10) + "  " + left_aligned(right, 10);
    for (const auto& v : values) row += "  " + right_aligned(v, 9);
    return row + "\n";
}

}  // namespace

std::string format_report_table(const std::vector<files::ReportedObject>& objects) {
    std::string out = table_row("#", "left cog", "right cog", {"x", "y", "z", "H", "W"});
    int row = 0;
    for (const auto& o : objects) {
        out += table_row(std::to_string(++row),
                         std::to_string(o.left_cog_x) + ", " + std::to_string(o.left_cog_y),
                         std::to_string(o.right_cog_x) + ", " + std::to_string(o.right_cog_y),
                         {fixed1(o.x), fixed1(o.y), fixed1(o.z), fixed1(o.h), fixed1(o.w)});
    }
    out += objects.size() == 1 ? "1 cone\n" : std::to_string(objects.size()) + " cones\n";
    return out;
}

std::string format_report_json(const std::vector<files::ReportedObject>& objects) {
    std::string out;
    for (const auto& o : objects) {
        out += "{\"left_cog\":[" + std::to_string(o.left_cog_x) + "," + std::to_string(o.left_cog_y) +
               "],\"right_cog\":[" + std::to_string(o.right_cog_x) + "," + std::to_string(o.right_cog_y) +
               "],\"x\":" + json_number(o.x) + ",\"y\":" + json_number(o.y) + ",\"z\":" + json_number(o.z) +
               ",\"H\":" + json_number(o.h) + ",\"W\":" + json_number(o.w) + "}\n";
    }
    return out;
}

}  // namespace tools
