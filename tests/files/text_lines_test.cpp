#include "files/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

// Every piece read with the 64-character buffer of the parameter readers.
std::vector<std::string> read_pieces(const std::string& content) {
    test_support::TempDir tmp;
    test_support::write_file(tmp.file("f.dat"), content);
    std::string text;
    platform::InputError error;
    EXPECT_TRUE(files::read_text_file(tmp.file("f.dat"), text, error)) << error.reason;
    std::vector<std::string> pieces;
    files::TextLines lines(text);
    char work[64];
    while (lines.next(work, sizeof work)) pieces.emplace_back(work);
    return pieces;
}

using Pieces = std::vector<std::string>;

TEST(text_lines, cr_before_lf_is_dropped_other_crs_stay) {
    EXPECT_EQ(read_pieces("ab\r\ncd\r\n"), (Pieces{"ab\n", "cd\n"}));
    EXPECT_EQ(read_pieces("a\rb\n\r\r\nend\r"), (Pieces{"a\rb\n", "\r\n", "end\r"}));
    EXPECT_EQ(read_pieces("last line"), (Pieces{"last line"}));
    EXPECT_EQ(read_pieces(""), Pieces{});
    EXPECT_EQ(read_pieces("\n\n"), (Pieces{"\n", "\n"}));
}

TEST(text_lines, long_lines_come_in_pieces_of_63) {
    const std::string s63(63, 'x');
    EXPECT_EQ(read_pieces(s63 + "\n"), (Pieces{s63, "\n"}));
    EXPECT_EQ(read_pieces(s63 + "y\n"), (Pieces{s63, "y\n"}));
    // The CR LF pair counts as one character, as in a text-mode stream.
    EXPECT_EQ(read_pieces(std::string(62, 'x') + "\r\nz"), (Pieces{std::string(62, 'x') + "\n", "z"}));
    const std::string s200(200, 'q');
    EXPECT_EQ(read_pieces(s200 + "\n"),
              (Pieces{s200.substr(0, 63), s200.substr(63, 63), s200.substr(126, 63), s200.substr(189) + "\n"}));
}

TEST(text_lines, nul_bytes_are_read_like_fgets) {
    // The NUL ends the C string, so the text after it is invisible to the splitter.
    const Pieces pieces = read_pieces(std::string("ab\0cd\nef\n", 9));
    EXPECT_EQ(pieces, (Pieces{"ab", "ef\n"}));
}

TEST(read_text_file, missing_file_and_directory_are_not_read) {
    test_support::TempDir tmp;
    std::string text = "old";
    platform::InputError error;
    EXPECT_FALSE(files::read_text_file(tmp.file("missing.dat"), text, error));
    EXPECT_EQ(error.problem, platform::InputProblem::missing);
    EXPECT_FALSE(files::read_text_file(tmp.path(), text, error));
    EXPECT_EQ(error.problem, platform::InputProblem::not_regular);
}

}  // namespace
