#include "sim/scene.h"

#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace {

bool same_scene(const sim::Scene& a, const sim::Scene& b) {
    const auto rgb = [](const sim::Rgb& c) { return std::tuple(c.r, c.g, c.b); };
    if (a.cones.size() != b.cones.size()) return false;
    for (size_t i = 0; i < a.cones.size(); ++i) {
        const sim::Cone &p = a.cones[i], &q = b.cones[i];
        if (std::tuple(p.x, p.y, p.z, p.height, p.width, rgb(p.color)) !=
            std::tuple(q.x, q.y, q.z, q.height, q.width, rgb(q.color)))
            return false;
    }
    return std::tuple(rgb(a.background), a.clutter, a.seed, a.noise, a.shading, a.bands) ==
           std::tuple(rgb(b.background), b.clutter, b.seed, b.noise, b.shading, b.bands);
}

TEST(scene_file, keywords_comments_blank_lines_and_line_ends) {
    const char* text =
        "# two cones\r\n"
        "\n"
        "seed 4000000000\r\n"
        "  background\t10 20 30   # dark\n"
        "clutter 12\n"
        "noise 2.5\n"
        "shading on\n"
        "bands off\n"
        "cone 1500 -120.5 -40 100 70\n"
        "cone 900 1e2 0 80 60 200 90 100";
    sim::Scene s;
    std::string error;
    ASSERT_TRUE(sim::parse_scene(text, s, error)) << error;
    EXPECT_EQ(s.seed, 4000000000u);
    EXPECT_EQ(std::tuple(s.background.r, s.background.g, s.background.b), std::tuple(10, 20, 30));
    EXPECT_EQ(s.clutter, 12);
    EXPECT_EQ(s.noise, 2.5);
    EXPECT_TRUE(s.shading);
    EXPECT_FALSE(s.bands);
    ASSERT_EQ(s.cones.size(), 2u);
    EXPECT_EQ(s.cones[0].y, -120.5);
    EXPECT_EQ(s.cones[0].color.r, sim::Cone{}.color.r);  // no colour given: the usual cone colour
    EXPECT_EQ(s.cones[1].y, 100);
    EXPECT_EQ(std::tuple(s.cones[1].color.r, s.cones[1].color.g, s.cones[1].color.b),
              std::tuple(200, 90, 100));
}

TEST(scene_file, a_bad_line_is_named_with_its_number_and_reason) {
    const std::pair<const char*, const char*> cases[] = {
        {"seed 1\nfog 3\n", "line 2: unknown keyword 'fog'"},
        {"cone 1 2 3 4\n", "line 1: cone needs X Y Z HEIGHT WIDTH"},
        {"cone 1 2 3 4 5 6 7\n", "line 1: cone needs"},
        {"\n\ncone 1000 0 0 abc 70\n", "line 3: 'abc' is not a number"},
        {"cone 1000 0 0 inf 70\n", "not a finite number"},
        {"cone 0 0 0 100 70\n", "distance X of a cone must be greater than 0"},
        {"cone 1000 0 0 100 -70\n", "height and width of a cone must be greater than 0"},
        {"cone 1000 0 0 100 70 256 0 0\n", "a colour value must be a whole number from 0 to 255, not '256'"},
        {"background 1 2\n", "line 1: background needs R G B (got 2 values)"},
        {"seed -1\n", "the seed must be a whole number"},
        {"seed 4294967296\n", "the seed must be a whole number"},
        {"clutter 10001\n", "the clutter count must be a whole number from 0 to 10000"},
        {"clutter 2.5\n", "the clutter count"},
        {"noise -1\n", "noise deviation must lie between 0 and 255"},
        {"noise nan\n", "not a finite number"},
        {"shading yes\n", "expected on or off, not 'yes'"},
        {"bands\n", "bands needs on or off"},
    };
    for (const auto& [text, expected] : cases) {
        sim::Scene s = sim::default_scene();
        std::string error;
        EXPECT_FALSE(sim::parse_scene(text, s, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " gave: " << error;
        EXPECT_TRUE(same_scene(s, sim::default_scene())) << "left as it was";
    }
}

TEST(scene_file, format_parses_back_to_the_same_scene) {
    sim::Scene s = sim::default_scene();
    s.seed = 4294967295u;
    s.background = {0, 255, 7};
    s.clutter = 10000;
    s.noise = 0.1;
    s.shading = s.bands = true;
    s.cones.push_back(sim::Cone{1e-7 + 600, -0.1, 1.0 / 3, 123456.789, 2e-5, {1, 2, 3}});
    sim::Scene back;
    std::string error;
    ASSERT_TRUE(sim::parse_scene(sim::format_scene(s), back, error)) << error;
    EXPECT_TRUE(same_scene(s, back));
    EXPECT_EQ(sim::format_scene(back), sim::format_scene(s));
    ASSERT_TRUE(sim::parse_scene(sim::format_scene(sim::Scene{}), back, error)) << error;
    EXPECT_TRUE(same_scene(sim::Scene{}, back));
}

TEST(scene_file, load_names_the_file_in_its_messages) {
    test_support::TempDir dir;
    sim::Scene s;
    std::string error;
    EXPECT_FALSE(sim::load_scene(dir.file("missing.scene"), s, error));
    EXPECT_NE(error.find("missing.scene"), std::string::npos) << error;
    EXPECT_FALSE(sim::load_scene(dir.file(""), s, error)) << "a directory is no scene file";
    test_support::write_file(dir.file("bad.scene"), "seed 3\ncone 1 2\n");
    EXPECT_FALSE(sim::load_scene(dir.file("bad.scene"), s, error));
    EXPECT_NE(error.find(dir.file("bad.scene") + ": line 2: cone needs"), std::string::npos) << error;
    test_support::write_file(dir.file("good.scene"), sim::format_scene(sim::default_scene()));
    ASSERT_TRUE(sim::load_scene(dir.file("good.scene"), s, error)) << error;
    EXPECT_TRUE(same_scene(s, sim::default_scene()));
}

}  // namespace
