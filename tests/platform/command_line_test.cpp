#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace {

using platform::CliOutcome;

// A program like the tool: two options anywhere, two commands, one of them with its own option.
struct Fixture {
    std::string dir;
    bool quiet = false;
    std::string picture;
    platform::CliProgram program;

    Fixture() {
        program.name = "tool";
        program.version = "1.2.3";
        program.usage = "[OPTIONS]";
        program.options = {
            {"--work-dir", "DIR", "work directory",
             [this](const std::string& v, std::string&) {
                 dir = v;
                 return true;
             },
             "a directory"},
            {"--quiet", "", "say less",
             [this](const std::string&, std::string&) {
                 quiet = true;
                 return true;
             }},
        };
        platform::CliCommand serve{"serve", "serve", "serves", "Serves until stopped.\n", {}};
        platform::CliCommand locate{"locate", "locate --left FILE", "locates", "Locates.\n", {}};
        locate.options = {{"--left", "FILE", "the left picture",
                           [this](const std::string& v, std::string& error) {
                               if (v == "bad") {
                                   error = "'bad' is no picture";
                                   return false;
                               }
                               picture = v;
                               return true;
                           },
                           "a file name"}};
        program.commands = {serve, locate};
    }

    platform::CliParse parse(const std::vector<std::string>& words) {
        return platform::parse_command_line(program, words);
    }
};

TEST(command_line, options_before_or_after_the_command_with_or_without_equals) {
    for (const std::vector<std::string>& words : {
             std::vector<std::string>{"--work-dir", "/w", "serve", "--quiet"},
             {"serve", "--work-dir=/w", "--quiet"},
             {"--quiet", "serve", "--work-dir", "/w"},
         }) {
        Fixture f;
        const platform::CliParse p = f.parse(words);
        ASSERT_EQ(p.outcome, CliOutcome::run) << p.error;
        ASSERT_NE(p.command, nullptr);
        EXPECT_EQ(p.command->name, "serve");
        EXPECT_EQ(f.dir, "/w");
        EXPECT_TRUE(f.quiet);
    }
    Fixture f;
    // A value may start with a dash or hold an equals sign; after "--" nothing is an option.
    ASSERT_EQ(f.parse({"locate", "--left", "-a=b.bmp"}).outcome, CliOutcome::run);
    EXPECT_EQ(f.picture, "-a=b.bmp");
    ASSERT_EQ(f.parse({"--", "serve"}).outcome, CliOutcome::run);
    EXPECT_EQ(f.parse({"serve", "--", "--quiet"}).error,
              "tool serve: unexpected argument '--quiet'; see tool serve --help");

    const platform::CliParse none = f.parse({});
    EXPECT_EQ(none.outcome, CliOutcome::run);
    EXPECT_EQ(none.command, nullptr);
}

TEST(command_line, every_mistake_is_one_line_naming_it_with_a_suggestion_and_help) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"srve"}, "tool: unknown command 'srve' (did you mean serve?); see tool --help"},
        {{"servee"}, "tool: unknown command 'servee' (did you mean serve?); see tool --help"},
        {{"frobnicate"}, "tool: unknown command 'frobnicate'; see tool --help"},
        {{"serve", "now"}, "tool serve: unexpected argument 'now'; see tool serve --help"},
        {{"--wrok-dir", "/w"},
         "tool: unknown argument '--wrok-dir' (did you mean --work-dir?); see tool --help"},
        {{"--work", "/w"}, "tool: unknown argument '--work' (did you mean --work-dir?); see tool --help"},
        {{"serve", "--lft=a"}, "tool serve: unknown argument '--lft'; see tool serve --help"},
        {{"locate", "--lft=a"},
         "tool locate: unknown argument '--lft' (did you mean --left?); see tool locate --help"},
        {{"--left", "a", "locate"}, "tool: unknown argument '--left' (an option of locate); see tool --help"},
        {{"-x"}, "tool: unknown argument '-x'; see tool --help"},
        {{"--quiet=yes"}, "tool: option --quiet takes no value; see tool --help"},
        {{"--work-dir"}, "tool: --work-dir needs a directory; see tool --help"},
        {{"--work-dir="}, "tool: --work-dir needs a directory; see tool --help"},
        {{"locate", "--left", ""}, "tool locate: --left needs a file name; see tool locate --help"},
        {{"locate", "--left", "bad"}, "tool locate: 'bad' is no picture; see tool locate --help"},
    };
    for (const auto& [words, line] : cases) {
        Fixture f;
        const platform::CliParse p = f.parse(words);
        EXPECT_EQ(p.outcome, CliOutcome::error) << words[0];
        EXPECT_EQ(p.error, line);
    }
}

TEST(command_line, help_wins_and_names_the_command_version_otherwise) {
    Fixture f;
    platform::CliParse p = f.parse({"locate", "--bogus", "--help"});
    EXPECT_EQ(p.outcome, CliOutcome::help);
    ASSERT_NE(p.command, nullptr);
    EXPECT_EQ(p.command->name, "locate");
    p = f.parse({"-h"});
    EXPECT_EQ(p.outcome, CliOutcome::help);
    EXPECT_EQ(p.command, nullptr);
    EXPECT_EQ(f.parse({"serve", "--version"}).outcome, CliOutcome::version);
    EXPECT_EQ(f.parse({"--version", "--help"}).outcome, CliOutcome::help);
}

TEST(command_line, help_lists_commands_and_options_and_each_command_its_own) {
    Fixture f;
    const std::string all = platform::cli_help_text(f.program, nullptr);
    EXPECT_EQ(
        all.rfind(
            "Usage: tool [OPTIONS]\n       tool [OPTIONS] serve\n       tool [OPTIONS] locate --left FILE\n",
            0),
        0u)
        << all;
    for (const char* line :
         {"\n  serve                 serves\n", "\n  --work-dir DIR        work directory\n",
          "\n  --quiet               say less\n", "\n  --version             the version\n"}) {
        EXPECT_NE(all.find(line), std::string::npos) << line << all;
    }
    EXPECT_EQ(all.find("--left"), all.find("--left FILE"));  // only in the usage line

    const std::string locate = platform::cli_help_text(f.program, &f.program.commands[1]);
    EXPECT_EQ(locate.rfind("Usage: tool [OPTIONS] locate --left FILE\n\nLocates.\n", 0), 0u) << locate;
    EXPECT_NE(locate.find("\n  --left FILE           the left picture\n"), std::string::npos) << locate;
}

TEST(edit_distance, counts_inserts_deletes_replacements_and_swaps) {
    EXPECT_EQ(platform::edit_distance("", ""), 0u);
    EXPECT_EQ(platform::edit_distance("serve", "serve"), 0u);
    EXPECT_EQ(platform::edit_distance("srve", "serve"), 1u);
    EXPECT_EQ(platform::edit_distance("servee", "serve"), 1u);
    EXPECT_EQ(platform::edit_distance("sevre", "serve"), 1u);
    EXPECT_EQ(platform::edit_distance("locate", "serve"), 5u);
    EXPECT_EQ(platform::edit_distance("", "abc"), 3u);
}

TEST(nearest_name, suggests_close_or_unique_prefix_names_only) {
    const std::vector<std::string_view> names{"serve", "locate", "--work-dir", "--camera", "--cameras-list"};
    EXPECT_EQ(platform::nearest_name("srve", names), "serve");
    EXPECT_EQ(platform::nearest_name("lcoate", names), "locate");
    EXPECT_EQ(platform::nearest_name("--camra", names), "--camera");
    EXPECT_EQ(platform::nearest_name("--work", names), "--work-dir");
    EXPECT_EQ(platform::nearest_name("--cam", names), "");  // the start of two names
    EXPECT_EQ(platform::nearest_name("xyz", names), "");
    EXPECT_EQ(platform::nearest_name("--frobnicate", names), "");
}

}  // namespace
