#include "files/field_splitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/console.h"

namespace {

const char kOverflowMessage[] = "エラー！配列宣言を越えました（devide_into_field）\n";

// The field array between two guard areas, to see any write outside it.
struct GuardedFields {
    unsigned char before[64];
    files::FieldArray fields;
    unsigned char after[64];

    GuardedFields() {
        std::memset(before, 0xA5, sizeof before);
        std::memset(fields, 'X', sizeof fields);
        std::memset(after, 0xA5, sizeof after);
    }
    bool guards_intact() const {
        for (unsigned char b : before) {
            if (b != 0xA5) return false;
        }
        for (unsigned char b : after) {
            if (b != 0xA5) return false;
        }
        return true;
    }
};

struct SplitResult {
    int count;
    std::string printed;
};

SplitResult split(const std::string& line, GuardedFields& g, const char* separators = ",") {
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    std::string printed;
    int count;
    {
        platform::ConsoleRedirect capture(&printed);
        count = files::devide_into_field(line.c_str(), separators, g.fields);
    }
    return {count, printed};
}

TEST(devide_into_field, line_feed_and_trailing_separator_stay_in_the_last_field) {
    GuardedFields g;
    SplitResult r = split("color_th,0.25\n", g);
    EXPECT_EQ(r.count, 2);
    EXPECT_STREQ(g.fields[0], "color_th");
    EXPECT_STREQ(g.fields[1], "0.25\n");

    r = split("a,b,", g);
    EXPECT_EQ(r.count, 2);
    EXPECT_STREQ(g.fields[0], "a");
    EXPECT_STREQ(g.fields[1], "b,");

    r = split(",", g);
    EXPECT_EQ(r.count, 1);
    EXPECT_STREQ(g.fields[0], ",");
    EXPECT_TRUE(r.printed.empty());
}

TEST(devide_into_field, empty_fields_blanks_and_several_separators) {
    GuardedFields g;
    SplitResult r = split("a,,b", g);
    EXPECT_EQ(r.count, 3);
    EXPECT_STREQ(g.fields[0], "a");
    EXPECT_STREQ(g.fields[1], "");
    EXPECT_STREQ(g.fields[2], "b");

    r = split("min_pixnum , 120", g);
    EXPECT_EQ(r.count, 2);
    EXPECT_STREQ(g.fields[0], "min_pixnum ");
    EXPECT_STREQ(g.fields[1], " 120");

    r = split("a;b,c d", g, ";, ");
    EXPECT_EQ(r.count, 4);
    EXPECT_STREQ(g.fields[0], "a");
    EXPECT_STREQ(g.fields[1], "b");
    EXPECT_STREQ(g.fields[2], "c");
    EXPECT_STREQ(g.fields[3], "d");

    EXPECT_EQ(split("", g).count, 0);
    EXPECT_EQ(split("no separator here", g).count, 1);
    EXPECT_STREQ(g.fields[0], "no separator here");
}

TEST(devide_into_field, thirty_two_fields_fit_and_the_thirty_third_is_refused) {
    GuardedFields g;
    // 31 commas and a line feed: 31 empty fields and one holding the line feed.
    SplitResult r = split(std::string(31, ',') + "\n", g);
    EXPECT_EQ(r.count, 32);
    EXPECT_STREQ(g.fields[31], "\n");
    EXPECT_TRUE(r.printed.empty());

    // 32 commas: the last one stays in field 32.
    r = split(std::string(32, ','), g);
    EXPECT_EQ(r.count, 32);
    EXPECT_STREQ(g.fields[31], ",");
    EXPECT_TRUE(r.printed.empty());

    r = split(std::string(32, ',') + "\n", g);
    EXPECT_EQ(r.count, files::kTooManyFields);
    EXPECT_EQ(r.printed, kOverflowMessage);

    r = split(std::string(63, ','), g);
    EXPECT_EQ(r.count, files::kTooManyFields);
    EXPECT_EQ(r.printed, kOverflowMessage);  // once per line
    EXPECT_TRUE(g.guards_intact());
}

TEST(devide_into_field, long_fields_are_cut_to_their_slot) {
    GuardedFields g;
    const std::string a200(200, 'a');
    SplitResult r = split(a200 + "," + a200, g);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(std::string(g.fields[0]), std::string(files::kFieldSize - 1, 'a'));
    EXPECT_EQ(std::string(g.fields[1]), std::string(files::kFieldSize - 1, 'a'));
    EXPECT_TRUE(g.guards_intact());

    // A 63-character line fits whole, separator at the end included.
    r = split(std::string(62, 'b') + ",", g);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(std::string(g.fields[0]), std::string(62, 'b') + ",");
}

}  // namespace
