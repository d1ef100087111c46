#include "files/color_file.h"

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "tests/files/parameter_file_fixture.h"

namespace {

const std::string kOpenFailed = "エラー！(fio_read_color_file)カラーファイルを開けませんでした。\n";
const std::string kTooMany =
    "エラー！(fio_read_color_file)　カラーファイルの行数が１６を超えています。\n"
    "１６行以降は読み込まれませんでした。\n";

std::string lines_for(int cam, int count, int first_red) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(cam) + "," + std::to_string(first_red + i) + ",10,20\n";
    }
    return text;
}

class ColorFile : public ParameterFileTest {
protected:
    std::string read_table() {
        std::string printed;
        platform::ConsoleRedirect capture(&printed);
        files::fio_read_color_file(color_path(), &rec.colors);
        return printed;
    }
    void expect_vec(int cam, int i, float r, float g, float b) const {
        EXPECT_EQ(rec.colors.color_vec[cam][i][0], r) << "camera " << cam << " vector " << i;
        EXPECT_EQ(rec.colors.color_vec[cam][i][1], g) << "camera " << cam << " vector " << i;
        EXPECT_EQ(rec.colors.color_vec[cam][i][2], b) << "camera " << cam << " vector " << i;
    }
};

TEST_F(ColorFile, lines_go_to_their_camera_in_file_order) {
    write_colors("0,230,116,132\n1,200,90,110\n0, 1.5,2e1,-3\n");
    EXPECT_EQ(read_table(), "");
    ASSERT_EQ(rec.colors.color_num[0], 2);
    ASSERT_EQ(rec.colors.color_num[1], 1);
    expect_vec(0, 0, 230, 116, 132);
    expect_vec(0, 1, 1.5f, 20, -3);
    expect_vec(1, 0, 200, 90, 110);
}

TEST_F(ColorFile, read_through_the_request_reader_the_vectors_become_unit_length) {
    write_colors("0,230,116,132\n1,2,0,0\n1,0,0,0\n");
    for (files::ParamSources selector :
         {files::ParamSources::color_and_request, files::ParamSources::color_only}) {
        SetUp();
        read(selector);
        const float len = std::sqrt(230.0f * 230.0f + 116.0f * 116.0f + 132.0f * 132.0f);
        expect_vec(0, 0, 230.0f / len, 116.0f / len, 132.0f / len);
        expect_vec(1, 0, 1, 0, 0);
        // A zero row has no direction: it becomes not-a-number and so matches no pixel.
        EXPECT_TRUE(std::isnan(rec.colors.color_vec[1][1][0]));
        EXPECT_TRUE(std::isnan(rec.colors.color_vec[1][1][1]));
        EXPECT_TRUE(std::isnan(rec.colors.color_vec[1][1][2]));
    }
}

TEST_F(ColorFile, reading_stops_at_the_sixteenth_vector_of_a_camera) {
    write_colors(lines_for(1, 3, 100) + lines_for(0, 16, 0) + lines_for(1, 2, 200) + lines_for(0, 1, 50));
    EXPECT_EQ(read_table(), kTooMany);
    EXPECT_EQ(rec.colors.color_num[0], 16);
    EXPECT_EQ(rec.colors.color_num[1], 3);  // the right camera's later lines are not read
    expect_vec(0, 15, 15, 10, 20);
    expect_vec(1, 2, 102, 10, 20);

    // The messages come with the sixteenth vector even when nothing follows it.
    SetUp();
    write_colors(lines_for(0, 16, 0));
    EXPECT_EQ(read_table(), kTooMany);
    EXPECT_EQ(rec.colors.color_num[0], 16);

    SetUp();
    write_colors(lines_for(0, 15, 0) + lines_for(1, 15, 100));
    EXPECT_EQ(read_table(), "");
    EXPECT_EQ(rec.colors.color_num[0], 15);
    EXPECT_EQ(rec.colors.color_num[1], 15);
    expect_vec(1, 14, 114, 10, 20);
}

TEST_F(ColorFile, lines_without_exactly_four_fields_are_skipped_silently) {
    write_colors("0,230,116\n0,230,116,132,5\n0,1,2,3,\n\n# comment\n0,9,8,7\n" + std::string(63, ',') +
                 "\n");
    const std::string printed = read_table();
    // Only the line of 63 commas speaks, and the splitter reports it.
    EXPECT_EQ(printed, "エラー！配列宣言を越えました（devide_into_field）\n");
    ASSERT_EQ(rec.colors.color_num[0], 1);
    EXPECT_EQ(rec.colors.color_num[1], 0);
    expect_vec(0, 0, 9, 8, 7);
}

TEST_F(ColorFile, camera_numbers_other_than_0_and_1_are_skipped_with_a_message) {
    write_colors("2,1,2,3\n-1,4,5,6\n1,7,8,9\nx,1,1,1\n");
    const std::string printed = read_table();
    EXPECT_NE(printed.find("エラー！(fio_read_color_file)カメラ番号2は"), std::string::npos) << printed;
    EXPECT_NE(printed.find("エラー！(fio_read_color_file)カメラ番号-1は"), std::string::npos) << printed;
    // "x" reads as camera 0, as the number conversion of the file format says.
    EXPECT_EQ(rec.colors.color_num[0], 1);
    EXPECT_EQ(rec.colors.color_num[1], 1);
    expect_vec(1, 0, 7, 8, 9);
    expect_vec(0, 0, 1, 1, 1);
}

TEST_F(ColorFile, an_empty_file_clears_the_table_a_missing_one_keeps_it) {
    write_colors("0,3,0,4\n1,0,5,0\n");
    read(files::ParamSources::color_only);
    ASSERT_EQ(rec.colors.color_num[0], 1);

    test_support::write_file(color_path(), "");
    EXPECT_EQ(read_table(), "");
    EXPECT_EQ(rec.colors.color_num[0], 0);
    EXPECT_EQ(rec.colors.color_num[1], 0);

    write_colors("0,3,0,4\n1,0,5,0\n");
    read_table();  // raw (3, 0, 4) without scaling
    std::remove(color_path().c_str());
    // The failed open keeps the table; the vectors already there are scaled all the same.
    EXPECT_EQ(read(files::ParamSources::color_only), kOpenFailed + "  " + color_path() + ": no such file\n");
    ASSERT_EQ(rec.colors.color_num[0], 1);
    ASSERT_EQ(rec.colors.color_num[1], 1);
    expect_vec(0, 0, 0.6f, 0, 0.8f);
    expect_vec(1, 0, 0, 1, 0);
}

TEST_F(ColorFile, cr_lf_files_and_a_last_line_without_line_feed) {
    write_colors("0,230,116,132\r\n1,200,90,110\r\n0,1,2,3");
    EXPECT_EQ(read_table(), "");
    EXPECT_EQ(rec.colors.color_num[0], 2);
    EXPECT_EQ(rec.colors.color_num[1], 1);
    expect_vec(0, 1, 1, 2, 3);
    expect_vec(1, 0, 200, 90, 110);
}

TEST_F(ColorFile, long_lines_are_read_in_pieces_of_63) {
    // 64 characters: the first piece holds "0,1,2," and blanks up to the 63rd character.
    const std::string head = "0,1,2," + std::string(56, ' ') + "7";  // 63 characters
    write_colors(head + "9\n" + std::string(200, 'z') + "\n1,4,5,6\n");
    EXPECT_EQ(read_table(), "");
    ASSERT_EQ(rec.colors.color_num[0], 1);
    expect_vec(0, 0, 1, 2, 7);  // the 64th character "9" is a piece of its own, skipped
    ASSERT_EQ(rec.colors.color_num[1], 1);
    expect_vec(1, 0, 4, 5, 6);
}

int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(ColorFile, of_each_kind_of_bad_line_ten_are_named_and_the_rest_counted) {
    std::string text;
    for (int i = 0; i < 25; ++i) text += "2,1,2,3\n";
    for (int i = 0; i < 12; ++i) text += std::string(40, ',') + "\n";
    text += "0,9,8,7\n 7,1,1,1\n";
    write_colors(text);
    const std::string printed = read_table();
    EXPECT_EQ(count_of(printed, "カメラ番号2は"), 10) << printed;
    EXPECT_EQ(count_of(printed, "カメラ番号 7は"), 0) << "the eleventh of its kind";
    EXPECT_EQ(count_of(printed, "配列宣言を越えました"), 10);
    EXPECT_NE(printed.find("……同じエラーの行がほかに 16 行あります：" + color_path() + "\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("……同じエラーの行がほかに 2 行あります：" + color_path() + "\n"),
              std::string::npos)
        << printed;
    EXPECT_EQ(count_of(printed, "\n"), 22);
    ASSERT_EQ(rec.colors.color_num[0], 1);
    expect_vec(0, 0, 9, 8, 7);

    // The count is per file: the next read starts afresh.
    write_colors("2,1,2,3\n");
    EXPECT_EQ(count_of(read_table(), "カメラ番号2は"), 1);
}

TEST_F(ColorFile, a_50_mb_table_of_bad_lines_prints_a_dozen_lines_at_most) {
    std::string text;
    const std::string line = "2,230,116,132\n";
    text.reserve((50 << 20) + line.size());
    while (text.size() < (50u << 20)) text += line;
    write_colors(text);
    const std::string printed = read_table();
    EXPECT_LE(count_of(printed, "\n"), 12) << printed.substr(0, 2000);
    EXPECT_NE(printed.find(std::to_string(text.size() / line.size() - 10) + " 行あります"), std::string::npos)
        << printed;
}

TEST_F(ColorFile, what_is_not_a_regular_file_is_named_and_the_table_kept) {
    write_colors("0,3,0,4\n");
    read_table();
    std::remove(color_path().c_str());
    ASSERT_EQ(mkfifo(color_path().c_str(), 0644), 0);  // would block an open that waits for a writer
    EXPECT_EQ(read_table(), kOpenFailed + "  " + color_path() + ": not a regular file (a FIFO)\n");
    std::remove(color_path().c_str());
    std::filesystem::create_symlink("/dev/zero", color_path());  // would never end
    EXPECT_EQ(read_table(),
              kOpenFailed + "  " + color_path() + ": not a regular file (a character device)\n");
    std::remove(color_path().c_str());
    std::filesystem::create_directory(color_path());
    EXPECT_EQ(read_table(), kOpenFailed + "  " + color_path() + ": not a regular file (a directory)\n");
    ASSERT_EQ(rec.colors.color_num[0], 1);
    expect_vec(0, 0, 3, 0, 4);
}

}  // namespace
