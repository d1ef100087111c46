#pragma once
// The objects of a report as the controller client prints them.

#include <string>
#include <vector>

#include "files/location_report.h"

namespace tools {

// A table: a header line, then one row per object (left cog, right cog, x, y, z, H, W), then a
// line with the count.
std::string format_report_table(const std::vector<files::ReportedObject>& objects);

// JSON lines: one object per line, {"left_cog":[x,y],"right_cog":[x,y],"x":..,"y":..,"z":..,"H":..,
// "W":..}; nothing for an empty report.
std::string format_report_json(const std::vector<files::ReportedObject>& objects);

}  // namespace tools
