#include "files/request_file.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include "files/request_params.h"
#include "tests/files/parameter_file_fixture.h"

namespace {

const std::string kRequestOpenFailed = "エラー！(fio_read_recog_plm)リクエストファイルを開けませんでした。\n";
const std::string kColorOpenFailed = "エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n";

using RequestFile = ParameterFileTest;

TEST_F(RequestFile, every_key_sets_its_field_in_any_order) {
    write_request(
        "left_cam_id,0\nmax_dist,3000.5\nmin_pixnum,120\ncolor_th,0.25\nmax_pixnum,5000\nmin_dist,200\n");
    EXPECT_EQ(read(files::ParamSources::request_only), "");
    EXPECT_EQ(rec.left_cam_id, 0);
    EXPECT_EQ(rec.max_dist, 3000.5f);
    EXPECT_EQ(rec.min_pixnum, 120);
    EXPECT_EQ(rec.color_th, 0.25f);
    EXPECT_EQ(rec.max_pixnum, 5000);
    EXPECT_EQ(rec.min_dist, 200.0f);
}

TEST_F(RequestFile, lines_that_are_not_exactly_key_comma_value_change_nothing) {
    write_request(
        "min_pixnum , 120\n"  // the key field ends in a blank
        "color_th,0.25,\n"    // trailing comma: 3 fields
        "max_pixnum\n"        // no comma
        "Color_th,0.9\n"      // keys are case-sensitive
        " min_dist,1\n"       // blank before the key
        "unknown_key,5\n"
        "\n");
    EXPECT_EQ(read(files::ParamSources::request_only), "");
    EXPECT_EQ(rec.min_pixnum, 42);
    EXPECT_EQ(rec.color_th, 0.5f);
    EXPECT_EQ(rec.max_pixnum, 9001);
    EXPECT_EQ(rec.min_dist, 11.0f);
}

TEST_F(RequestFile, values_read_as_atoi_and_atof_read_them) {
    write_request(
        "max_pixnum,abc\nmin_pixnum,  77px\ncolor_th, "
        "1e-1\nmin_dist,-5.5x\nmax_dist,\nleft_cam_id,99999999999\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.max_pixnum, 0);
    EXPECT_EQ(rec.min_pixnum, 77);
    EXPECT_EQ(rec.color_th, 0.1f);
    EXPECT_EQ(rec.min_dist, -5.5f);
    EXPECT_EQ(rec.max_dist, 0.0f);           // the value field is just the line feed
    EXPECT_EQ(rec.left_cam_id, 2147483647);  // saturates instead of wrapping
}

TEST_F(RequestFile, later_lines_win_and_the_last_line_needs_no_line_feed) {
    write_request("min_pixnum,10\nmin_pixnum,30\nleft_cam_id,1");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.min_pixnum, 30);
    EXPECT_EQ(rec.left_cam_id, 1);

    write_request("max_pixnum,700\r\nleft_cam_id,0\r\ncolor_th,0.3\r\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.max_pixnum, 700);
    EXPECT_EQ(rec.left_cam_id, 0);
    EXPECT_EQ(rec.color_th, 0.3f);
    EXPECT_EQ(rec.min_pixnum, 30);  // absent keys keep the earlier request's value
}

TEST_F(RequestFile, long_lines_count_as_pieces_of_63_characters) {
    const std::string zeros63 = "min_pixnum," + std::string(49, '0') + "123";  // 63 characters
    ASSERT_EQ(zeros63.size(), 63u);
    write_request(zeros63 + "\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.min_pixnum, 123);

    // 64 characters: the last digit is a piece of its own.
    write_request("max_pixnum," + std::string(49, '0') + "4567\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.max_pixnum, 456);

    // 200 characters whose second piece is a parameter line of its own.
    const std::string piece2 = "left_cam_id,5" + std::string(50, ' ');
    write_request(std::string(63, 'x') + piece2 + std::string(74, 'y') + "\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.left_cam_id, 5);
}

TEST_F(RequestFile, a_line_of_too_many_fields_is_reported_and_skipped) {
    write_request(std::string(31, ',') + "\nmin_pixnum,1\n" + std::string(63, ',') + "\nmax_pixnum,2\n");
    EXPECT_EQ(read(files::ParamSources::request_only), "エラー！配列宣言を越えました（devide_into_field）\n");
    EXPECT_EQ(rec.min_pixnum, 1);
    EXPECT_EQ(rec.max_pixnum, 2);  // reading goes on after the bad line
}

// The precise mode belongs to the request that asks for it: a later request without the key (or
// one that cannot be read) is answered in the default mode, unlike the other keys.
TEST_F(RequestFile, precision_is_each_requests_own) {
    write_request("precision,1\nmin_pixnum,5\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.precision, files::Precision::subpixel);

    write_request("min_pixnum,6\n");
    read(files::ParamSources::request_only);
    EXPECT_EQ(rec.precision, files::Precision::whole_pixel);
    EXPECT_EQ(rec.min_pixnum, 6);

    for (const char* other : {"precision,0\n", "precision,2\n", "precision,-1\n", "precision,on\n",
                              "precision,1\nprecision,0\n"}) {
        write_request("precision,1\n");
        read(files::ParamSources::request_only);
        write_request(other);
        read(files::ParamSources::request_only);
        EXPECT_EQ(rec.precision, files::Precision::whole_pixel) << other;
    }

    write_request("precision,1\n");
    read(files::ParamSources::request_only);
    std::remove(request_path().c_str());
    EXPECT_EQ(read(files::ParamSources::request_only),
              kRequestOpenFailed + "  " + request_path() + ": no such file\n");
    EXPECT_EQ(rec.precision, files::Precision::whole_pixel);

    // Reading only the colour table leaves it alone.
    write_request("precision,1\n");
    read(files::ParamSources::request_only);
    read(files::ParamSources::color_only);
    EXPECT_EQ(rec.precision, files::Precision::subpixel);
    EXPECT_EQ(files::initial_recog_params().precision, files::Precision::whole_pixel);
}

TEST_F(RequestFile, a_missing_request_file_keeps_the_values) {
    EXPECT_EQ(read(files::ParamSources::request_only),
              kRequestOpenFailed + "  " + request_path() + ": no such file\n");
    EXPECT_EQ(rec.min_pixnum, 42);
    EXPECT_EQ(rec.color_th, 0.5f);
    EXPECT_EQ(rec.left_cam_id, 7);
}

TEST_F(RequestFile, a_request_that_is_no_regular_file_is_named_and_the_values_kept) {
    ASSERT_EQ(mkfifo(request_path().c_str(), 0644), 0);  // an open waiting for a writer would hang
    EXPECT_EQ(read(files::ParamSources::request_only),
              kRequestOpenFailed + "  " + request_path() + ": not a regular file (a FIFO)\n");
    EXPECT_EQ(rec.min_pixnum, 42);
    EXPECT_EQ(rec.left_cam_id, 7);
}

TEST_F(RequestFile, the_selector_picks_the_files) {
    write_colors("0,0,0,9\n");
    write_request("min_pixnum,5\n");

    EXPECT_EQ(read(files::ParamSources::color_only), "");
    EXPECT_EQ(rec.colors.color_num[0], 1);
    EXPECT_EQ(rec.min_pixnum, 42);

    SetUp();
    EXPECT_EQ(read(files::ParamSources::request_only), "");
    EXPECT_EQ(rec.colors.color_num[0], 0);
    EXPECT_EQ(rec.min_pixnum, 5);

    SetUp();
    EXPECT_EQ(read(files::ParamSources::color_and_request), "");
    EXPECT_EQ(rec.colors.color_num[0], 1);
    EXPECT_EQ(rec.colors.color_vec[0][0][2], 1.0f);
    EXPECT_EQ(rec.min_pixnum, 5);

    // Both missing: both messages, colour table first.
    std::remove(color_path().c_str());
    std::remove(request_path().c_str());
    EXPECT_EQ(read(files::ParamSources::color_and_request), kColorOpenFailed + "  " + color_path() +
                                                                ": no such file\n" + kRequestOpenFailed +
                                                                "  " + request_path() + ": no such file\n");
}

// What a controller's client writes (every key, checked, a key given twice) is what the tool reads.
TEST_F(RequestFile, a_written_request_reads_back) {
    std::vector<files::RequestParam> params;
    const std::vector<std::pair<std::string, std::string>> lines{
        {"max_pixnum", "9000"}, {"min_pixnum", "15"}, {"left_cam_id", "0"}, {"color_th", "0.125"},
        {"min_dist", "250.5"},  {"max_dist", "4e3"},  {"precision", "1"},   {"min_pixnum", "-3"}};
    for (const auto& [key, value] : lines) {
        std::string error;
        ASSERT_TRUE(files::check_request_param(key, value, error)) << key << ": " << error;
        files::set_request_param(params, key, value);
    }
    write_request(files::format_request(params));
    EXPECT_EQ(read(files::ParamSources::request_only), "");
    EXPECT_EQ(rec.max_pixnum, 9000);
    EXPECT_EQ(rec.min_pixnum, -3);  // the later value wins
    EXPECT_EQ(rec.left_cam_id, 0);
    EXPECT_EQ(rec.color_th, 0.125f);
    EXPECT_EQ(rec.min_dist, 250.5f);
    EXPECT_EQ(rec.max_dist, 4000.0f);
    EXPECT_EQ(rec.precision, files::Precision::subpixel);
}

TEST(initial_recog_params, usable_before_any_request) {
    const files::RecogParams p = files::initial_recog_params();
    EXPECT_EQ(p.left_cam_id, 1);
    EXPECT_EQ(p.colors.color_num[0], 0);
    EXPECT_EQ(p.colors.color_num[1], 0);
    EXPECT_GT(p.color_th, 0.0f);
    // The smallest region the morphology lets through (5 x 5) is a candidate.
    EXPECT_LT(p.min_pixnum, 25);
    EXPECT_LT(p.min_pixnum + 1, p.max_pixnum);
}

}  // namespace
