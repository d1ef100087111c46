// Random and mutated parameter files must never crash the readers or write outside the record.
// Run under the sanitizer build as well; the inputs come from a fixed seed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "files/color_file.h"
#include "files/field_splitter.h"
#include "files/request_file.h"
#include "platform/console.h"
#include "tests/support/child_process.h"

namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr float kUnused = -12345.0f;  // marks colour slots the reader has no reason to touch

struct GuardedRecord {
    unsigned char before[128];
    files::RecogParams rec;
    unsigned char after[128];
};

bool guards_intact(const GuardedRecord& g) {
    for (size_t i = 0; i < sizeof g.before; ++i) {
        if (g.before[i] != kGuard || g.after[i] != kGuard) return false;
    }
    return true;
}

const char* const kValidLines[] = {
    "0,230,116,132\n", "1,200,90,110\n", "color_th,0.25\n", "min_pixnum,120\n", "max_pixnum,9000\n",
    "left_cam_id,1\n", "min_dist,200\n",  "max_dist,4000\n", "0,0,0,0\n",        "1,1e39,-1e39,nan\n",
};

class FileMaker {
public:
    explicit FileMaker(uint32_t seed) : rng_(seed) {}

    std::string next() {
        switch (pick(6)) {
            case 0: return random_bytes(pick(3000));
            case 1: return std::string(pick(20000) + 64, static_cast<char>("a,\n\r\0"[pick(5)]));
            case 2: return many_commas();
            default: return mutated();
        }
    }

private:
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

    std::string random_bytes(size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(pick(256));
        return s;
    }

    std::string many_commas() {
        std::string s;
        for (size_t lines = pick(40); lines > 0; --lines) {
            s += std::string(pick(100), ',');
            if (pick(2)) s += std::string(kValidLines[pick(std::size(kValidLines))]);
            s += '\n';
        }
        return s;
    }

    // Valid lines (many of them, so the 16-vector stop is reached) with bytes flipped, inserted
    // and removed.
    std::string mutated() {
        std::string s;
        for (size_t lines = pick(120); lines > 0; --lines) s += kValidLines[pick(std::size(kValidLines))];
        for (size_t edits = pick(12); edits > 0; --edits) {
            const size_t at = s.empty() ? 0 : pick(s.size());
            switch (pick(4)) {
                case 0:
                    if (!s.empty()) s[at] = static_cast<char>(pick(256));
                    break;
                case 1: s.insert(at, 1, "\0,\r\n 9-.e"[pick(10)]); break;
                case 2: s.insert(at, std::string(pick(150), static_cast<char>("x,0"[pick(3)]))); break;
                default:
                    if (!s.empty()) s.erase(at, pick(10));
                    break;
            }
        }
        return s;
    }

    std::mt19937 rng_;
};

TEST(parameter_file_robustness, random_files_stay_inside_the_record) {
    platform::ConsoleRedirect quiet(nullptr);
    test_support::TempDir tmp;
    const std::string path = tmp.file("param.dat");
    FileMaker maker(20240611);
    int full_tables = 0, partial_tables = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string content = maker.next();
        // A fresh file each round: rewriting one in place makes the file system flush it each time.
        std::remove(path.c_str());
        test_support::write_file(path, content);

        GuardedRecord g;
        std::memset(&g, kGuard, sizeof g);
        for (auto& cam : g.rec.colors.color_vec) {
            for (auto& vec : cam) vec[0] = vec[1] = vec[2] = kUnused;
        }
        g.rec.colors.color_num[0] = g.rec.colors.color_num[1] = 0;
        // The same bytes as colour table and as request file.
        files::fio_read_recog_plm(&g.rec, path, path, files::ParamSources::color_and_request);

        ASSERT_TRUE(guards_intact(g)) << "round " << round;
        for (int cam = 0; cam < 2; ++cam) {
            const int n = g.rec.colors.color_num[cam];
            ASSERT_GE(n, 0) << "round " << round;
            ASSERT_LE(n, files::kMaxColors) << "round " << round;
            for (int i = n; i < files::kMaxColors; ++i) {
                ASSERT_EQ(g.rec.colors.color_vec[cam][i][0], kUnused) << "round " << round;
            }
            full_tables += n == files::kMaxColors;
            partial_tables += n > 0 && n < files::kMaxColors;
        }
    }
    // The inputs reach both the 16-vector stop and ordinary tables.
    EXPECT_GT(full_tables, 50);
    EXPECT_GT(partial_tables, 50);
}

// Joining the fields with the one separator gives the line back, for any line of up to 63
// characters and 32 fields; more fields are refused; nothing lands outside the field array.
TEST(parameter_file_robustness, split_fields_join_back_to_the_line) {
    platform::ConsoleRedirect quiet(nullptr);
    std::mt19937 rng(7);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    struct {
        unsigned char before[64];
        files::FieldArray fields;
        unsigned char after[64];
    } g;
    for (int round = 0; round < 20000; ++round) {
        std::string line(static_cast<size_t>(pick(round % 10 == 0 ? 400 : 64)), ' ');
        for (char& c : line) c = static_cast<char>(pick(3) == 0 ? ',' : 1 + pick(255));
        std::memset(&g, kGuard, sizeof g);
        const int count = files::devide_into_field(line.c_str(), ",", g.fields);

        for (size_t i = 0; i < sizeof g.before; ++i) {
            ASSERT_EQ(g.before[i], kGuard);
            ASSERT_EQ(g.after[i], kGuard);
        }
        const auto separators = static_cast<int>(std::count(line.begin(), line.end(), ','));
        const int expected_fields = line.empty() ? 0 : separators + (line.back() == ',' ? 0 : 1);
        if (expected_fields > files::kMaxFields) {
            ASSERT_EQ(count, files::kTooManyFields) << line;
            continue;
        }
        ASSERT_EQ(count, expected_fields) << line;
        if (line.size() > 63) continue;  // fields may have been cut to their slot
        std::string joined;
        for (int i = 0; i < count; ++i) {
            if (i > 0) joined += ',';
            joined += g.fields[i];
        }
        ASSERT_EQ(joined, line);
    }
}

}  // namespace
