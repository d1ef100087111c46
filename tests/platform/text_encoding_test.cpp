#include <gtest/gtest.h>

#include "platform/console.h"
#include "platform/cp932_text_file.h"
#include "platform/text_encoding.h"
#include "tests/support/child_process.h"

namespace {

TEST(text_encoding, report_labels_become_shift_jis_bytes) {
    // 左 = 0x8DB6, ideographic space = 0x8140, full-width colon = 0x8146, degree sign = 0x818B.
    EXPECT_EQ(platform::utf8_to_cp932("左"), "\x8D\xB6");
    EXPECT_EQ(platform::utf8_to_cp932("　"), "\x81\x40");
    EXPECT_EQ(platform::utf8_to_cp932("："), "\x81\x46");
    EXPECT_EQ(platform::utf8_to_cp932("°"), "\x81\x8B");
    EXPECT_EQ(platform::utf8_to_cp932("x_y, 150\n"), "x_y, 150\n");
}

TEST(text_encoding, round_trip_and_unconvertible_characters) {
    const std::string text = "対象のサイズ情報　H_W, 169.7, 84.8\n";
    EXPECT_EQ(platform::cp932_to_utf8(platform::utf8_to_cp932(text)), text);
    // An emoji has no CP932 form; it is replaced, the rest survives.
    EXPECT_EQ(platform::utf8_to_cp932("a\xF0\x9F\x98\x80" "b"), "a?b");
    // A truncated double-byte sequence does not swallow the text after it.
    EXPECT_EQ(platform::cp932_to_utf8("\x8D"), "\xEF\xBF\xBD");
}

TEST(cp932_text_file, writes_converted_text_and_reports_failed_open) {
    test_support::TempDir dir;
    platform::Cp932TextFile file;
    ASSERT_TRUE(file.open(dir.file("r.txt")));
    file.printf("右イメージcog x_y, %4d, %4d\n", 190, 92);
    EXPECT_TRUE(file.close());
    EXPECT_EQ(test_support::read_file(dir.file("r.txt")),
              platform::utf8_to_cp932("右イメージcog x_y,  190,   92\n"));

    platform::Cp932TextFile bad;
    EXPECT_FALSE(bad.open(dir.file("missing/dir/r.txt")));
    bad.printf("ignored %d\n", 1);  // must not crash
    EXPECT_FALSE(bad.is_open());
}

TEST(console, redirect_captures_in_console_encoding_and_nests) {
    std::string outer, inner;
    {
        platform::ConsoleRedirect a(&outer);
        platform::set_console_encoding(platform::ConsoleEncoding::utf8);
        platform::console_printf("総対象数：%d\n", 2);
        {
            platform::ConsoleRedirect b(&inner);
            platform::set_console_encoding(platform::ConsoleEncoding::cp932);
            platform::console_printf("総対象数：%d\n", 3);
            platform::set_console_encoding(platform::ConsoleEncoding::utf8);
        }
        platform::ConsoleRedirect dropped(nullptr);
        platform::console_printf("lost\n");
    }
    EXPECT_EQ(outer, "総対象数：2\n");
    EXPECT_EQ(inner, platform::utf8_to_cp932("総対象数：3\n"));
}

TEST(console, encoding_names) {
    platform::ConsoleEncoding e;
    EXPECT_TRUE(platform::parse_console_encoding("UTF-8", e));
    EXPECT_EQ(e, platform::ConsoleEncoding::utf8);
    EXPECT_TRUE(platform::parse_console_encoding("cp932", e));
    EXPECT_EQ(e, platform::ConsoleEncoding::cp932);
    EXPECT_FALSE(platform::parse_console_encoding("latin1", e));
}

}  // namespace
