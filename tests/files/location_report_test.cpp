#include "files/location_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/text_encoding.h"
#include "tests/support/child_process.h"

namespace {

using files::parse_report;
using files::ReportedObject;

// The four lines of the worked example (left 150,100 / right 190,92), byte for byte as CP932.
const std::string kExampleBytes =
    "\x8d\xb6\x83\x43\x83\x81\x81\x5b\x83\x57"
    "cog x_y,  150,  100\n"
    "\x89\x45\x83\x43\x83\x81\x81\x5b\x83\x57"
    "cog x_y,  190,   92\n"
    "\x91\xce\x8f\xdb\x82\xcc\x88\xca\x92\x75\x8f\xee\x95\xf1\x81\x40\x81\x40"
    "x_y_z, 1251.5, -27.6, 84.8\n"
    "\x91\xce\x8f\xdb\x82\xcc\x83\x54\x83\x43\x83\x59\x8f\xee\x95\xf1\x81\x40"
    "H_W, 169.7, 84.8\n";

std::string block(int lx, int ly, int rx, int ry, const char* position, const char* size) {
    return platform::utf8_to_cp932("左イメージcog x_y, " + std::to_string(lx) + ", " + std::to_string(ly) +
                                   "\n右イメージcog x_y, " + std::to_string(rx) + ", " + std::to_string(ry) +
                                   "\n対象の位置情報　　x_y_z, " + position + "\n対象のサイズ情報　H_W, " +
                                   size + "\n");
}

TEST(report_parser, reads_the_worked_example_from_cp932_bytes) {
    std::vector<ReportedObject> objects;
    std::string error;
    ASSERT_TRUE(parse_report(kExampleBytes, objects, error)) << error;
    ASSERT_EQ(objects.size(), 1u);
    const ReportedObject& o = objects[0];
    EXPECT_EQ(o.left_cog_x, 150);
    EXPECT_EQ(o.left_cog_y, 100);
    EXPECT_EQ(o.right_cog_x, 190);
    EXPECT_EQ(o.right_cog_y, 92);
    EXPECT_DOUBLE_EQ(o.x, 1251.5);
    EXPECT_DOUBLE_EQ(o.y, -27.6);
    EXPECT_DOUBLE_EQ(o.z, 84.8);
    EXPECT_DOUBLE_EQ(o.h, 169.7);
    EXPECT_DOUBLE_EQ(o.w, 84.8);
}

// What the report file is made of reads back as it was written, the worked example byte for byte.
TEST(report_parser, the_written_lines_read_back) {
    const ReportedObject example{150, 100, 190, 92, 1251.5, -27.6, 84.8, 169.7, 84.8};
    EXPECT_EQ(platform::utf8_to_cp932(files::report_object_text(example)), kExampleBytes);

    const std::vector<ReportedObject> written{example,
                                              {0, 0, 319, 239, 4130.0, 1958.3, -1539.6, 447.9, 0.0},
                                              {-3, 7, 12, -1, 1e12, -0.5, 0.0, 0.1, 2.5}};
    std::string bytes;
    for (const ReportedObject& o : written) bytes += platform::utf8_to_cp932(files::report_object_text(o));
    std::vector<ReportedObject> read;
    std::string error;
    ASSERT_TRUE(parse_report(bytes, read, error)) << error;
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].left_cog_x, written[i].left_cog_x);
        EXPECT_EQ(read[i].left_cog_y, written[i].left_cog_y);
        EXPECT_EQ(read[i].right_cog_x, written[i].right_cog_x);
        EXPECT_EQ(read[i].right_cog_y, written[i].right_cog_y);
        EXPECT_DOUBLE_EQ(read[i].x, written[i].x);
        EXPECT_DOUBLE_EQ(read[i].y, written[i].y);
        EXPECT_DOUBLE_EQ(read[i].z, written[i].z);
        EXPECT_DOUBLE_EQ(read[i].h, written[i].h);
        EXPECT_DOUBLE_EQ(read[i].w, written[i].w);
    }
}

TEST(report_parser, empty_report_and_other_line_ends) {
    std::vector<ReportedObject> objects{ReportedObject{}};
    std::string error;
    ASSERT_TRUE(parse_report("", objects, error)) << error;
    EXPECT_TRUE(objects.empty());

    // A report written on Windows (CR LF), and one whose last line end is missing.
    std::string crlf;
    for (char c : kExampleBytes) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(parse_report(crlf + crlf, objects, error)) << error;
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_DOUBLE_EQ(objects[1].w, 84.8);

    ASSERT_TRUE(parse_report(kExampleBytes.substr(0, kExampleBytes.size() - 1), objects, error)) << error;
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_DOUBLE_EQ(objects[0].w, 84.8);
}

TEST(report_parser, damaged_reports_name_the_first_bad_line) {
    const std::string good = block(1, 2, 30, 4, "1.0, 2.0, 3.0", "4.0, 5.0");
    const std::string utf8_labels = platform::cp932_to_utf8(kExampleBytes);
    struct Case {
        const char* what;
        std::string bytes;
        const char* line;
    };
    const Case cases[] = {
        {"cut off after three lines",
         good + good.substr(0, good.rfind(platform::utf8_to_cp932("対象のサイズ"))), "line 8:"},
        {"labels in UTF-8 instead of CP932", utf8_labels, "line 1:"},
        {"a centre that is not a number", std::string(good).replace(good.find("30"), 2, "3x"), "line 2:"},
        {"a position with two values", good + block(1, 2, 3, 4, "1.0, 2.0", "4.0, 5.0"), "line 7:"},
        {"a size with a third value", block(1, 2, 3, 4, "1.0, 2.0, 3.0", "4.0, 5.0, 6.0"), "line 4:"},
        {"a position that is not finite", block(1, 2, 3, 4, "nan, 2.0, 3.0", "4.0, 5.0"), "line 3:"},
        {"an empty line between objects", good + "\n" + good, "line 5:"},
        {"lines in the wrong order", good.substr(good.find('\n') + 1) + good.substr(0, good.find('\n') + 1),
         "line 1:"},
        {"binary garbage", std::string("\x00\xff\x81\x40junk", 7), "line 1:"},
    };
    for (const auto& c : cases) {
        std::vector<ReportedObject> objects{ReportedObject{}};
        std::string error;
        EXPECT_FALSE(parse_report(c.bytes, objects, error)) << c.what;
        EXPECT_TRUE(objects.empty()) << c.what;
        EXPECT_EQ(error.rfind(c.line, 0), 0u) << c.what << ": " << error;
    }
}

}  // namespace
