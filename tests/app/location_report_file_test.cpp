#include "app/location_report_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "files/location_report.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "recog/location_report.h"
#include "tests/support/child_process.h"

namespace {

using test_support::read_file;
using test_support::TempDir;

recog::AreaInfo box(int cog_x, int cog_y, int min_x, int min_y, int max_x, int max_y) {
    recog::AreaInfo a{};
    a.cog_x = cog_x;
    a.cog_y = cog_y;
    a.min_x = min_x;
    a.min_y = min_y;
    a.max_x = max_x;
    a.max_y = max_y;
    return a;
}

recog::AreaInfo centre(int cog_x, int cog_y) {
    return box(cog_x, cog_y, cog_x - 10, cog_y - 20, cog_x + 10, cog_y + 20);
}

struct Pairs {
    recog::ImageInfo info[2]{};
    std::array<recog::AreaInfo, 2 * recog::kMaxAreas> areas{};
    std::array<int, recog::kMaxAreas> match{};
    std::string console;
    bool report_ok = false;

    // Appends a left candidate matched to right entry j (-1: unmatched).
    void left(const recog::AreaInfo& a, int j) {
        match[info[0].area_num] = j;
        areas[info[0].area_num++] = a;
    }
    void right(const recog::AreaInfo& a) { areas[recog::kMaxAreas + info[1].area_num++] = a; }
    int run(const std::string& path) {
        platform::set_console_encoding(platform::ConsoleEncoding::utf8);
        platform::ConsoleRedirect capture(&console);
        return app::report_locations(info, areas.data(), nullptr, match.data(), path, &report_ok);
    }
};

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(report_locations, worked_example_on_the_console_and_in_cp932) {
    TempDir dir;
    Pairs p;
    p.right(box(190, 92, 180, 70, 200, 110));
    p.left(box(150, 100, 140, 80, 160, 120), 0);
    EXPECT_EQ(p.run(dir.file("report.txt")), 1);
    EXPECT_TRUE(p.report_ok);

    EXPECT_EQ(p.console,
              "＜＜ステレオマッチング結果＞＞\n"
              "左イメージ　　　　cog_x:  150, cog_y:  100\n"
              "右イメージ　　　　cog_x:  190, cog_y:   92\n"
              "対象の位置情報　　x:1251.5, y:-27.6, z:84.8\n"
              "対象のサイズ情報　H:169.7, W:84.8\n"
              "総対象数：1\n");
    // The controller reads Shift-JIS bytes.
    EXPECT_EQ(read_file(dir.file("report.txt")),
              "\x8d\xb6\x83"
              "C\x83\x81\x81[\x83Wcog x_y,  150,  100\n"
              "\x89"
              "E\x83"
              "C\x83\x81\x81[\x83Wcog x_y,  190,   92\n"
              "\x91\xce\x8f\xdb\x82\xcc\x88\xca\x92u\x8f\xee\x95\xf1\x81@\x81@x_y_z, 1251.5, -27.6, 84.8\n"
              "\x91\xce\x8f\xdb\x82\xcc\x83T\x83"
              "C\x83Y\x8f\xee\x95\xf1\x81@H_W, 169.7, 84.8\n");
}

TEST(report_locations, only_column_differences_from_8_to_213_are_reported) {
    TempDir dir;
    Pairs p;
    for (int right_x : {107, 108, 313, 314, 100, 60}) p.right(centre(right_x, 50));
    for (int j = 0; j < 6; ++j) p.left(centre(100, 60), j);  // differences 7, 8, 213, 214, 0, -40
    EXPECT_EQ(p.run(dir.file("report.txt")), 2);
    EXPECT_NE(p.console.find("x:41300.0, y:8330.0, z:8400.0"), std::string::npos) << p.console;
    EXPECT_NE(p.console.find("x:200.5, y:-29.2, z:40.8"), std::string::npos) << p.console;
    EXPECT_EQ(count_of(p.console, "対象の位置情報"), 2);
    EXPECT_EQ(count_of(p.console, "cog_x:  313"), 1);
    EXPECT_EQ(count_of(p.console, "cog_x:  314"), 0);

    // Equal corrected columns: the distance is minus infinity, not a huge positive number.
    recog::CornLocation loc{};
    EXPECT_FALSE(recog::corn_locate_pair(centre(100, 60), centre(107, 50), &loc));
    EXPECT_EQ(loc.x, -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(recog::corn_locate_pair(centre(100, 60), centre(108, 50), &loc));
    EXPECT_DOUBLE_EQ(loc.x, 41300.0);
}

TEST(report_locations, shared_right_candidate_and_thin_box_give_one_block_each) {
    TempDir dir;
    Pairs p;
    p.right(centre(200, 90));
    p.left(box(150, 100, 150, 80, 150, 120), 0);  // one column wide
    p.left(centre(20, 20), -1);
    p.left(box(170, 110, 160, 100, 180, 130), 0);
    EXPECT_EQ(p.run(dir.file("report.txt")), 2);

    const std::string report = read_file(dir.file("report.txt"));
    // Four lines per object, nothing else, in the order of the left candidates.
    EXPECT_EQ(count_of(report, "\n"), 8);
    EXPECT_EQ(count_of(p.console, "\n"), 2 + 8);
    EXPECT_NE(p.console.find("総対象数：2\n"), std::string::npos);
    const size_t first = report.find(",  150,  100\n");
    const size_t second = report.find(",  170,  110\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_EQ(count_of(report, ",  200,   90\n"), 2);
    // 41300 / 43 = 960.5; the thin box has no width.
    EXPECT_NE(report.find("H_W, 130.2, 0.0\n"), std::string::npos) << report;
}

TEST(report_locations, every_call_replaces_the_report) {
    TempDir dir;
    const std::string path = dir.file("report.txt");
    test_support::write_file(path, "an older report that must go\n");
    Pairs none;
    none.left(centre(150, 100), -1);
    EXPECT_EQ(none.run(path), 0);
    EXPECT_EQ(read_file(path), "");
    EXPECT_EQ(none.console, "＜＜ステレオマッチング結果＞＞\n総対象数：0\n");
}

TEST(report_locations, unopenable_or_no_report_path_still_prints_and_counts) {
    TempDir dir;
    const std::string path = dir.file("missing/report.txt");
    Pairs p;
    p.right(box(190, 92, 180, 70, 200, 110));
    p.left(box(150, 100, 140, 80, 160, 120), 0);
    EXPECT_EQ(p.run(path), 1);
    EXPECT_FALSE(p.report_ok);
    const std::string error =
        "エラー！ファイル名：" + path + "を書き込み用に開けません．(corn_get_location)\n";
    EXPECT_EQ(p.console.rfind(error, 0), 0u) << p.console;
    EXPECT_NE(p.console.find("対象のサイズ情報　H:169.7, W:84.8\n総対象数：1\n"), std::string::npos);
    EXPECT_FALSE(platform::file_exists(path));

    // An empty path asks for the console alone: no file, no complaint.
    Pairs q = p;
    q.console.clear();
    EXPECT_EQ(q.run(""), 1);
    EXPECT_TRUE(q.report_ok);
    EXPECT_EQ(q.console.find("エラー"), std::string::npos);
    EXPECT_EQ(count_of(q.console, "\n"), 6);
}

TEST(report_locations, a_failed_write_is_reported) {
    Pairs p;
    p.right(box(190, 92, 180, 70, 200, 110));
    p.left(box(150, 100, 140, 80, 160, 120), 0);
    // Opens fine; every write fails with a full disk.
    EXPECT_EQ(p.run("/dev/full"), 1);
    EXPECT_FALSE(p.report_ok);
    EXPECT_NE(
        p.console.find(
            "エラー！ファイル名：/dev/fullに書き込めません（No space left on device）．(corn_get_location)\n"
            "総対象数：1\n"),
        std::string::npos)
        << p.console;
}

TEST(report_locations, the_controller_client_reads_every_object_written) {
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
        count = app::report_locations(info, areas.data(), nullptr, match.data(), dir.file("report.txt"));
    }
    ASSERT_EQ(count, 2);

    std::vector<files::ReportedObject> objects;
    std::string error;
    ASSERT_TRUE(files::parse_report(test_support::read_file(dir.file("report.txt")), objects, error))
        << error;
    ASSERT_EQ(objects.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        recog::CornLocation expected;
        ASSERT_TRUE(recog::corn_locate_pair(areas[i], areas[recog::kMaxAreas + i], &expected));
        const files::ReportedObject& o = objects[i];
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

recog::AreaInfo box_area(int cx, int cy, int x0, int y0, int x1, int y1, int pixnum) {
    recog::AreaInfo a = box(cx, cy, x0, y0, x1, y1);
    a.pixnum = pixnum;
    return a;
}

// The report keeps its whole-pixel centre fields; x, y, z, H and W are the sub-pixel ones.
TEST(subpixel_location, report_keeps_the_centre_fields) {
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    recog::ImageInfo info[2]{};
    info[0].area_num = info[1].area_num = 1;
    std::vector<recog::AreaInfo> areas(2 * recog::kMaxAreas);
    std::vector<recog::SubpixelArea> sub(2 * recog::kMaxAreas);
    areas[0] = box_area(150, 100, 140, 80, 160, 120, 500);
    areas[recog::kMaxAreas] = box_area(190, 92, 180, 72, 200, 112, 500);
    sub[0] = {150.0, 100.5, 21, 41, 480};
    sub[recog::kMaxAreas] = {190.5, 92.0, 21, 41, 480};
    const int match[recog::kMaxAreas] = {0};
    test_support::TempDir dir;
    std::string out;
    {
        platform::ConsoleRedirect redirect(&out);
        EXPECT_EQ(app::report_locations(info, areas.data(), sub.data(), match, dir.file("report.txt")), 1);
    }
    recog::CornLocation loc;
    recog::corn_locate_pair(sub[0], sub[recog::kMaxAreas], &loc);
    char line3[128], line4[128];
    std::snprintf(line3, sizeof line3, "x:%.1f, y:%.1f, z:%.1f\n", loc.x, loc.y, loc.z);
    std::snprintf(line4, sizeof line4, "H:%.1f, W:%.1f\n", loc.h, loc.w);
    EXPECT_NE(out.find("cog_x:  150, cog_y:  100\n"), std::string::npos) << out;
    EXPECT_NE(out.find("cog_x:  190, cog_y:   92\n"), std::string::npos) << out;
    EXPECT_NE(out.find(line3), std::string::npos) << out;
    EXPECT_NE(out.find(line4), std::string::npos) << out;
    EXPECT_EQ(std::string(line3), "x:1232.8, y:-28.2, z:81.5\n");
    const std::string report = test_support::read_file(dir.file("report.txt"));
    EXPECT_NE(report.find(", 1232.8, -28.2, 81.5\n"), std::string::npos);
    EXPECT_NE(report.find(",  150,  100\n"), std::string::npos);
}

}  // namespace
