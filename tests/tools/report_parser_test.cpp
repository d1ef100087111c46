#include "tools/report_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/text_encoding.h"
#include "recog/location_report.h"
#include "tests/support/child_process.h"

namespace {

using tools::parse_report;
using tools::ReportedObject;

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

TEST(report_parser, reads_every_object_the_location_report_writes) {
    // Three left candidates: two reported (one far off to the side), one too near to be.
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};
    auto set = [](recog::AreaInfo& a, int x, int y) {
        a.cog_x = x;
        a.cog_y = y;
        a.min_x = x - 7;
        a.max_x = x + 9;
        a.min_y = y - 30;
        a.max_y = y + 2;
    };
    set(areas[0], 150, 100);
    set(areas[1], 12, 230);
    set(areas[2], 300, 5);
    set(areas[recog::kMaxAreas + 0], 190, 92);
    set(areas[recog::kMaxAreas + 1], 29, 222);
    set(areas[recog::kMaxAreas + 2], 30, 3);  // x would be negative: not reported
    match = {0, 1, 2};
    info[0].area_num = 3;
    info[1].area_num = 3;

    test_support::TempDir dir;
    int count = 0;
    {
        platform::ConsoleRedirect quiet(nullptr);
        count = recog::corn_get_location(info, areas.data(), match.data(), dir.file("report.txt"));
    }
    ASSERT_EQ(count, 2);

    std::vector<ReportedObject> objects;
    std::string error;
    ASSERT_TRUE(parse_report(test_support::read_file(dir.file("report.txt")), objects, error)) << error;
    ASSERT_EQ(objects.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        recog::CornLocation expected;
        ASSERT_TRUE(recog::corn_locate_pair(areas[i], areas[recog::kMaxAreas + i], &expected));
        const ReportedObject& o = objects[i];
        EXPECT_EQ(o.left_cog_x, areas[i].cog_x);
        EXPECT_EQ(o.left_cog_y, areas[i].cog_y);
        EXPECT_EQ(o.right_cog_x, areas[recog::kMaxAreas + i].cog_x);
        EXPECT_EQ(o.right_cog_y, areas[recog::kMaxAreas + i].cog_y);
        // The report keeps one decimal.
        EXPECT_NEAR(o.x, expected.x, 0.05);
        EXPECT_NEAR(o.y, expected.y, 0.05);
        EXPECT_NEAR(o.z, expected.z, 0.05);
        EXPECT_NEAR(o.h, expected.h, 0.05);
        EXPECT_NEAR(o.w, expected.w, 0.05);
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
