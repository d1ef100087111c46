#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

using test_support::ChildProcess;
using test_support::TempDir;

const char* const kMenu =
    "\n"
    "*** 番号を選んで下さい ***\n"
    " 1:\n"
    " 2:\n"
    " 3:ＵＳＢカメラからイメージ取得＆表示（１台）（ＣＶ）\n"
    " 4:赤コーン位置情報送信（ステレオ撮影Ｃ５００用）\n"
    " 5:\n"
    " 6:エッジ抽出のテスト（ＣＶ）\n"
    " 7:PL_mentor3へ静止画に分解された動画を送る\n"
    "99:終了\n";

std::vector<std::string> args(const TempDir& dir) {
    return {"--headless", "--camera", "sim", "--encoding", "utf-8", "--work-dir", dir.path()};
}

int count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

TEST(menu, ninety_nine_prints_the_menu_once_and_exits_zero) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("99\n");
    ASSERT_EQ(p.wait_exit(), 0);
    const std::string out = p.output();
    ASSERT_GE(out.size(), std::string(kMenu).size());
    EXPECT_EQ(out.substr(out.size() - std::string(kMenu).size()), kMenu);
    EXPECT_EQ(count(out, "*** 番号を選んで下さい ***"), 1);
}

TEST(menu, empty_items_unknown_numbers_and_text_show_the_menu_again) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("1\n2\n5\n42\nhello\n-3\n99\n");
    ASSERT_EQ(p.wait_exit(), 0);
    EXPECT_EQ(count(p.output(), kMenu), 7);
}

TEST(menu, end_of_input_ends_with_status_zero) {
    TempDir dir;
    ChildProcess p(CONE_LOCATOR_BIN, args(dir));
    p.send("1\n");
    p.close_stdin();
    ASSERT_EQ(p.wait_exit(), 0);
    EXPECT_EQ(count(p.output(), kMenu), 2);
}

TEST(menu, cp932_console_and_bad_options) {
    TempDir dir;
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"--headless", "--encoding", "cp932", "--work-dir", dir.path()});
        p.send("99\n");
        ASSERT_EQ(p.wait_exit(), 0);
        EXPECT_NE(p.output().find("99:\x8F\x49\x97\xB9\n"), std::string::npos);  // 終了
    }
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"--camera", "firewire"});
        EXPECT_EQ(p.wait_exit(), 2);
        EXPECT_NE(p.error_output().find("unknown camera back end"), std::string::npos);
    }
    {
        ChildProcess p(CONE_LOCATOR_BIN, {"--help"});
        EXPECT_EQ(p.wait_exit(), 0);
        EXPECT_NE(p.output().find("--work-dir DIR"), std::string::npos);
    }
}

}  // namespace
