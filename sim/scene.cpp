#include "sim/scene.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/input_file.h"

namespace sim {

Scene default_scene() {
    // Standing on the ground 40 units below the rig, on both sides, far enough apart that no two
    // silhouettes come within a few pixels of each other in the left, right or single view.
    Scene scene;
    const Cone shape{};
    for (const auto& [x, y] : {std::pair{700.0, -150.0}, {1200.0, 250.0}, {2000.0, -60.0}, {3000.0, 350.0}}) {
        Cone cone = shape;
        cone.x = x;
        cone.y = y;
        cone.z = -40;
        cone.height = 100;
        cone.width = 70;
        scene.cones.push_back(cone);
    }
    return scene;
}

namespace {

// A scene lists a few cones; a file far larger is not a scene.
constexpr size_t kSceneFileLimit = size_t{1} << 20;

std::string quoted(std::string_view word) { return "'" + std::string(word) + "'"; }

bool parse_number(std::string_view word, double& value, std::string& reason) {
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        reason = quoted(word) + " is not a number";
        return false;
    }
    if (!std::isfinite(value)) {
        reason = quoted(word) + " is not a finite number";
        return false;
    }
    return true;
}

// A whole number in lo..hi.
bool parse_whole(std::string_view word, int64_t lo, int64_t hi, const char* what, int64_t& value,
                 std::string& reason) {
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lo || value > hi) {
        reason = std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " +
                 std::to_string(hi) + ", not " + quoted(word);
        return false;
    }
    return true;
}

bool parse_rgb(const std::vector<std::string_view>& words, size_t first, Rgb& rgb, std::string& reason) {
    int64_t c[3];
    for (int i = 0; i < 3; ++i) {
        if (!parse_whole(words[first + i], 0, 255, "a colour value", c[i], reason)) return false;
    }
    rgb = Rgb{static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]), static_cast<uint8_t>(c[2])};
    return true;
}

bool parse_switch(std::string_view word, bool& value, std::string& reason) {
    if (word == "on" || word == "off") {
        value = word == "on";
        return true;
    }
    reason = "expected on or off, not " + quoted(word);
    return false;
}

bool expect_count(const std::vector<std::string_view>& words, size_t n, const char* usage,
                  std::string& reason) {
    if (words.size() == n + 1) return true;
    reason = std::string(usage) + " (got " + std::to_string(words.size() - 1) + " values)";
    return false;
}

bool parse_cone(const std::vector<std::string_view>& words, Cone& cone, std::string& reason) {
    if (words.size() != 6 && words.size() != 9) {
        reason = "cone needs X Y Z HEIGHT WIDTH and optionally R G B (got " +
                 std::to_string(words.size() - 1) + " values)";
        return false;
    }
    double v[5];
    for (int i = 0; i < 5; ++i) {
        if (!parse_number(words[1 + i], v[i], reason)) return false;
    }
    if (v[0] <= 0) {
        reason = "the distance X of a cone must be greater than 0";
        return false;
    }
    if (v[3] <= 0 || v[4] <= 0) {
        reason = "the height and width of a cone must be greater than 0";
        return false;
    }
    cone = Cone{};
    cone.x = v[0];
    cone.y = v[1];
    cone.z = v[2];
    cone.height = v[3];
    cone.width = v[4];
    if (words.size() == 9) return parse_rgb(words, 6, cone.color, reason);
    return true;
}

// One non-empty line (comment already removed) into the scene being built.
bool parse_line(const std::vector<std::string_view>& words, Scene& scene, std::string& reason) {
    const std::string_view key = words[0];
    if (key == "cone") {
        Cone cone;
        if (!parse_cone(words, cone, reason)) return false;
        scene.cones.push_back(cone);
        return true;
    }
    if (key == "seed") {
        int64_t v;
        if (!expect_count(words, 1, "seed needs one value", reason) ||
            !parse_whole(words[1], 0, std::numeric_limits<uint32_t>::max(), "the seed", v, reason))
            return false;
        scene.seed = static_cast<uint32_t>(v);
        return true;
    }
    if (key == "background") {
        return expect_count(words, 3, "background needs R G B", reason) &&
               parse_rgb(words, 1, scene.background, reason);
    }
    if (key == "clutter") {
        int64_t v;
        if (!expect_count(words, 1, "clutter needs one value", reason) ||
            !parse_whole(words[1], 0, kMaxClutter, "the clutter count", v, reason))
            return false;
        scene.clutter = static_cast<int>(v);
        return true;
    }
    if (key == "noise") {
        double v;
        if (!expect_count(words, 1, "noise needs one value", reason) || !parse_number(words[1], v, reason))
            return false;
        if (v < 0 || v > 255) {
            reason = "the noise deviation must lie between 0 and 255";
            return false;
        }
        scene.noise = v;
        return true;
    }
    if (key == "shading") {
        return expect_count(words, 1, "shading needs on or off", reason) &&
               parse_switch(words[1], scene.shading, reason);
    }
    if (key == "bands") {
        return expect_count(words, 1, "bands needs on or off", reason) &&
               parse_switch(words[1], scene.bands, reason);
    }
    reason = "unknown keyword " + quoted(key);
    return false;
}

std::vector<std::string_view> split_words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Shortest text that reads back to the same double.
std::string number_text(double v) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

std::string rgb_text(const Rgb& c) {
    return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b);
}

}  // namespace

bool parse_scene(std::string_view text, Scene& out, std::string& error) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte order mark from an editor
    Scene scene;
    int line_number = 0;
    while (!text.empty() || line_number == 0) {
        ++line_number;
        const size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto words = split_words(line);
        if (words.empty()) continue;
        std::string reason;
        if (!parse_line(words, scene, reason)) {
            error = "line " + std::to_string(line_number) + ": " + reason;
            return false;
        }
    }
    out = std::move(scene);
    return true;
}

bool load_scene(const std::string& path, Scene& out, std::string& error) {
    std::string text;
    platform::InputError problem;
    if (!platform::read_input_file(path, kSceneFileLimit, text, problem)) {
        error = "cannot read the scene file " + platform::input_problem_text(path, problem);
        return false;
    }
    if (!parse_scene(text, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string format_scene(const Scene& scene) {
    std::string s = "# scene of the simulated cameras\n";
    s += "seed " + std::to_string(scene.seed) + "\n";
    s += "background " + rgb_text(scene.background) + "\n";
    s += "clutter " + std::to_string(scene.clutter) + "\n";
    s += "noise " + number_text(scene.noise) + "\n";
    s += std::string("shading ") + (scene.shading ? "on" : "off") + "\n";
    s += std::string("bands ") + (scene.bands ? "on" : "off") + "\n";
    s += "# cone X Y Z HEIGHT WIDTH R G B\n";
    for (const Cone& c : scene.cones) {
        s += "cone " + number_text(c.x) + " " + number_text(c.y) + " " + number_text(c.z) + " " +
             number_text(c.height) + " " + number_text(c.width) + " " + rgb_text(c.color) + "\n";
    }
    return s;
}

Cone cone_of_height(double x, double y, double z, double pixels) {
    Cone c;
    c.x = x;
    c.y = y;
    c.z = z;
    c.height = pixels * x / kStereoFocal;
    c.width = 0.7 * c.height;
    return c;
}

}  // namespace sim
