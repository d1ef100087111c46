#include "tools/report_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using files::ReportedObject;

const ReportedObject kExample{150, 100, 190, 92, 1251.5, -27.6, 84.8, 169.7, 84.8};
const ReportedObject kSecond{12, 230, 29, 222, 4130.0, 1958.3, -1539.6, 447.9, 224.0};

TEST(report_output, table_has_one_row_per_object_and_the_count) {
    const std::string table = tools::format_report_table({kExample, kSecond});
    EXPECT_EQ(table,
              "  #  left cog    right cog           x          y          z          H          W\n"
              "  1  150, 100    190, 92        1251.5      -27.6       84.8      169.7       84.8\n"
              "  2  12, 230     29, 222        4130.0     1958.3    -1539.6      447.9      224.0\n"
              "2 cones\n");
    EXPECT_EQ(tools::format_report_table({}).substr(tools::format_report_table({}).find('\n') + 1),
              "0 cones\n");
}

TEST(report_output, json_lines_keep_the_reported_values) {
    EXPECT_EQ(
        tools::format_report_json({kExample, kSecond}),
        "{\"left_cog\":[150,100],\"right_cog\":[190,92],\"x\":1251.5,\"y\":-27.6,\"z\":84.8,\"H\":169.7,"
        "\"W\":84.8}\n"
        "{\"left_cog\":[12,230],\"right_cog\":[29,222],\"x\":4130,\"y\":1958.3,\"z\":-1539.6,\"H\":447.9,"
        "\"W\":224}\n");
    EXPECT_EQ(tools::format_report_json({}), "");
}

TEST(report_output, numbers_of_any_length_are_printed_whole) {
    ReportedObject huge = kExample;
    huge.x = 1e300;
    char expected[400];
    std::snprintf(expected, sizeof expected, "%.1f", huge.x);
    ASSERT_GT(std::string(expected).size(), 300u);
    EXPECT_NE(tools::format_report_table({huge}).find(expected), std::string::npos);
}

}  // namespace
