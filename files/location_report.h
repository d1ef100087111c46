#pragma once
// The report file of a request: CP932 text, four lines per object found, no header, empty when
// nothing was found. Its lines are made and read here.

#include <string>
#include <string_view>
#include <vector>

namespace files {

// One object of the report: the two image centres (pixels) and the position and size in baseline
// units (x ahead, y to the left, z up; h height, w width).
struct ReportedObject {
    int left_cog_x = 0, left_cog_y = 0;
    int right_cog_x = 0, right_cog_y = 0;
    double x = 0, y = 0, z = 0;
    double h = 0, w = 0;
};

// The four lines of one object, in UTF-8 with "\n" line ends (the report file converts them).
std::string report_object_text(const ReportedObject& object);

// Parses the report's bytes (CP932; LF or CR LF line ends, the last one may be missing). False
// with a one-line message naming the first line that does not fit; `objects` is then left empty.
bool parse_report(std::string_view cp932_bytes, std::vector<ReportedObject>& objects, std::string& error);

}  // namespace files
