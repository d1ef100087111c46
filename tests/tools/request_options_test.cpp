#include "tools/request_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using tools::OptionsResult;
using tools::RequestOptions;

// Parses the given arguments after a program name.
OptionsResult parse(std::vector<std::string> args, RequestOptions& options, std::string& error) {
    args.insert(args.begin(), "cone-request");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return tools::parse_request_options(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(request_options, only_the_given_keys_go_into_the_request_in_their_order) {
    RequestOptions o;
    std::string error;
    ASSERT_EQ(parse({"--max-pixnum", "2000", "--color-th", "0.25", "--left-cam-id", "1", "--param",
                     "min_dist=-3.5", "--min-pixnum", "+20", "--max-dist", "1e4"},
                    o, error),
              OptionsResult::ok)
        << error;
    EXPECT_EQ(files::format_request(o.params),
              "max_pixnum,2000\ncolor_th,0.25\nleft_cam_id,1\nmin_dist,-3.5\nmin_pixnum,+20\nmax_dist,1e4\n");

    RequestOptions none;
    ASSERT_EQ(parse({}, none, error), OptionsResult::ok);
    EXPECT_EQ(files::format_request(none.params), "");
    EXPECT_EQ(none.timeout_seconds, 10.0);
    EXPECT_FALSE(none.json);
    EXPECT_FALSE(none.force);
    EXPECT_FALSE(none.work_dir.has_value());
}

TEST(request_options, a_key_given_twice_is_written_once_with_the_later_value) {
    RequestOptions o;
    std::string error;
    ASSERT_EQ(parse({"--min-pixnum", "5", "--color-th", "0.3", "--param", "min_pixnum=7"}, o, error),
              OptionsResult::ok)
        << error;
    EXPECT_EQ(files::format_request(o.params), "min_pixnum,7\ncolor_th,0.3\n");
}

TEST(request_options, values_the_tool_would_misread_are_refused) {
    const std::vector<std::vector<std::string>> bad = {
        {"--max-pixnum", "12abc"},
        {"--max-pixnum", "1.5"},
        {"--max-pixnum", "99999999999"},
        {"--max-pixnum", ""},
        {"--left-cam-id", " 1"},
        {"--color-th", "inf"},
        {"--color-th", "nan"},
        {"--color-th", "0x1p3"},
        {"--color-th", "1e39"},
        {"--color-th", "0.2,3"},
        {"--color-th", "."},
        {"--min-dist", "1e99999"},
        {"--param", "foo=1"},
        {"--param", "max_pixnum"},
        {"--param", "Color_th=0.2"},
        {"--param", "max_pixnum=1\n2"},
        {"--max-dist", std::string(60, '1') + ".0"},
        {"--max-pixnum"},
        {"--frobnicate"},
    };
    for (const auto& args : bad) {
        RequestOptions o;
        std::string error;
        EXPECT_EQ(parse(args, o, error), OptionsResult::error)
            << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(o.params.empty());
    }
}

TEST(request_options, precise_asks_for_precision_one_and_other_modes_are_refused) {
    RequestOptions o;
    std::string error;
    ASSERT_EQ(parse({"--color-th", "0.2", "--precise"}, o, error), OptionsResult::ok) << error;
    EXPECT_EQ(files::format_request(o.params), "color_th,0.2\nprecision,1\n");
    RequestOptions off;
    ASSERT_EQ(parse({"--precise", "--param", "precision=0"}, off, error), OptionsResult::ok) << error;
    EXPECT_EQ(files::format_request(off.params), "precision,0\n");
    for (const char* v : {"2", "-1", "1.0", "yes"}) {
        RequestOptions r;
        EXPECT_EQ(parse({"--param", std::string("precision=") + v}, r, error), OptionsResult::error) << v;
    }
}

TEST(request_options, timeout_work_dir_and_flags) {
    RequestOptions o;
    std::string error;
    ASSERT_EQ(parse({"--timeout", "0.5", "--json", "--force", "--work-dir", "/tmp/w", "--encoding", "cp932"},
                    o, error),
              OptionsResult::ok)
        << error;
    EXPECT_EQ(o.timeout_seconds, 0.5);
    EXPECT_TRUE(o.json);
    EXPECT_TRUE(o.force);
    EXPECT_EQ(o.work_dir, "/tmp/w");
    EXPECT_EQ(o.encoding, platform::ConsoleEncoding::cp932);

    for (const char* t : {"0", "-1", "abc", "nan", "inf", "1e9", ""}) {
        RequestOptions r;
        EXPECT_EQ(parse({"--timeout", t}, r, error), OptionsResult::error) << t;
    }
    RequestOptions h;
    EXPECT_EQ(parse({"--max-pixnum", "5", "--help"}, h, error), OptionsResult::help);
}

}  // namespace
