// Writing the colour table: what the reader reads back, and how the old file is replaced.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "files/color_file.h"
#include "files/request_file.h"
#include "platform/console.h"
#include "tests/support/child_process.h"

namespace {

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

files::ColorTable read_back(const std::string& path, std::string* printed = nullptr) {
    files::ColorTable t{};
    std::string out;
    platform::ConsoleRedirect capture(&out);
    files::fio_read_color_file(path, &t);
    if (printed) *printed = out;
    return t;
}

void expect_same_table(const files::ColorTable& a, const files::ColorTable& b) {
    for (int cam = 0; cam < 2; ++cam) {
        ASSERT_EQ(a.color_num[cam], b.color_num[cam]) << "camera " << cam;
        EXPECT_EQ(std::memcmp(a.color_vec[cam], b.color_vec[cam], a.color_num[cam] * sizeof(float[3])), 0)
            << "camera " << cam;
    }
}

TEST(fio_write_color_file, the_reader_gets_the_same_floats_and_unit_vectors_back) {
    TempDir dir;
    const std::string path = dir.file("rk9t_color.dat");
    std::mt19937 rng(7);
    std::uniform_int_distribution<uint32_t> bits;
    // Typical file values first, then floats of every magnitude and sign.
    const float typical[][3] = {
        {230, 116, 132}, {255, 150.2f, 64.3f}, {0.1f, 0.2f, 0.3f}, {1e-7f, 3.4e38f, 1}};
    for (int round = 0; round < 40; ++round) {
        files::ColorTable t{};
        for (int cam = 0; cam < 2; ++cam) {
            t.color_num[cam] = 15;
            for (int i = 0; i < 15; ++i) {
                for (int a = 0; a < 3; ++a) {
                    float v;
                    do {
                        const uint32_t b = bits(rng);
                        std::memcpy(&v, &b, sizeof v);
                    } while (!std::isfinite(v));
                    t.color_vec[cam][i][a] = round == 0 && i < 4 ? typical[i][a] : v;
                }
            }
        }
        std::string error;
        ASSERT_TRUE(files::fio_write_color_file(path, t, "", error)) << error;
        std::string printed;
        const files::ColorTable back = read_back(path, &printed);
        EXPECT_EQ(printed, "") << "round " << round;
        expect_same_table(back, t);

        files::ColorTable unit_written = t, unit_read = back;
        files::normalize_color_vectors(&unit_written);
        files::normalize_color_vectors(&unit_read);
        expect_same_table(unit_read, unit_written);
        if (HasFailure()) return;
    }
}

TEST(color_file_text, one_line_per_colour_in_the_files_own_form) {
    files::ColorTable t{};
    t.color_num[0] = 2;
    t.color_num[1] = 1;
    const float v[3][3] = {{255, 150.2f, 64.3f}, {230, 116, 132}, {0.5f, 0, 1e-3f}};
    std::memcpy(t.color_vec[0][0], v[0], sizeof v[0]);
    std::memcpy(t.color_vec[0][1], v[1], sizeof v[1]);
    std::memcpy(t.color_vec[1][0], v[2], sizeof v[2]);
    EXPECT_EQ(files::color_file_text(t), "0,255,150.2,64.3\n0,230,116,132\n1,0.5,0,0.001\n");
}

TEST(color_file_text, a_camera_with_sixteen_colours_goes_last_so_both_read_back) {
    TempDir dir;
    files::ColorTable t{};
    t.color_num[0] = 16;
    t.color_num[1] = 2;
    for (int i = 0; i < 16; ++i) t.color_vec[0][i][0] = float(i + 1);
    t.color_vec[1][0][1] = 5;
    t.color_vec[1][1][2] = 6;
    std::string error;
    ASSERT_TRUE(files::fio_write_color_file(dir.file("c.dat"), t, "", error)) << error;
    EXPECT_EQ(read_file(dir.file("c.dat")).substr(0, 2), "1,");
    expect_same_table(read_back(dir.file("c.dat")), t);

    // Sixteen for both: no file gives that back, so none is written.
    write_file(dir.file("c.dat"), "0,1,2,3\n");
    t.color_num[1] = 16;
    EXPECT_FALSE(files::fio_write_color_file(dir.file("c.dat"), t, "", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read_file(dir.file("c.dat")), "0,1,2,3\n");
}

TEST(fio_write_color_file, the_old_table_is_kept_as_the_backup_and_nothing_else_is_left) {
    TempDir dir;
    const std::string path = dir.file("rk9t_color.dat"), backup = dir.file("rk9t_color.dat.bak");
    files::ColorTable t{};
    t.color_num[0] = t.color_num[1] = 1;
    t.color_vec[0][0][0] = t.color_vec[1][0][0] = 1;
    std::string error;

    // No old table: no backup either.
    ASSERT_TRUE(files::fio_write_color_file(path, t, backup, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(backup));

    write_file(path, "0,230,116,132\r\n# a note\n1,200,90,110\n");
    ASSERT_TRUE(files::fio_write_color_file(path, t, backup, error)) << error;
    EXPECT_EQ(read_file(backup), "0,230,116,132\r\n# a note\n1,200,90,110\n");  // byte for byte
    EXPECT_EQ(read_file(path), "0,1,0,0\n1,1,0,0\n");

    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
        EXPECT_TRUE(entry.path().filename() == "rk9t_color.dat" ||
                    entry.path().filename() == "rk9t_color.dat.bak")
            << entry.path();
    }
    EXPECT_EQ(files, 2);
}

TEST(fio_write_color_file, a_failure_leaves_the_old_table_in_place) {
    TempDir dir;
    const std::string path = dir.file("rk9t_color.dat");
    write_file(path, "0,230,116,132\n");
    files::ColorTable t{};
    t.color_num[0] = 1;
    std::string error;

    // The backup cannot take the place of a directory: the table is not touched.
    std::filesystem::create_directory(dir.file("rk9t_color.dat.bak"));
    std::filesystem::create_directory(dir.file("rk9t_color.dat.bak/inside"));
    EXPECT_FALSE(files::fio_write_color_file(path, t, dir.file("rk9t_color.dat.bak"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(read_file(path), "0,230,116,132\n");

    error.clear();
    EXPECT_FALSE(files::fio_write_color_file(dir.file("missing/rk9t_color.dat"), t, "", error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;

    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 2) << "a temporary file was left behind";
}

}  // namespace
