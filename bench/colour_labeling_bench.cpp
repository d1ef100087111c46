// Colour classification and labeling + area measures on the three frame kinds, each next to a
// reference made of OpenCV primitives on the same frame: benchmark names are
// "<stage>/<ours|reference>/<frame kind>", which bench/ratios pairs up. The colour test's other
// forms run as "colour/<form>/<frame kind>" beside them, and before the timing every form is
// compared with the plain computation on all 2^24 colours (--skip-colour-check leaves that out).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench/bench_frames.h"
#include "platform/console.h"
#include "recog/area_measure.h"
#include "recog/colour_paths.h"
#include "recog/labeling.h"
#include "recog/working_images.h"

namespace {

using bench::ColourReference;
using bench::FrameKind;

// The colour test written with OpenCV arithmetic in double precision; buffers are kept between
// runs so that only the work is timed. Writes the same black/white BGR image as ours.
class ReferenceColourTest {
public:
    void run(const cv::Mat& src, const ColourReference& ref, cv::Mat& out) {
        src.convertTo(wide_, CV_64F);
        cv::split(wide_, channels_);  // blue, green, red
        cv::multiply(channels_[0], channels_[0], sum_);
        cv::multiply(channels_[1], channels_[1], term_);
        cv::add(sum_, term_, sum_);
        cv::multiply(channels_[2], channels_[2], term_);
        cv::add(sum_, term_, sum_);
        cv::sqrt(sum_, length_);
        cv::divide(channels_[2], length_, direction_[0]);
        cv::divide(channels_[1], length_, direction_[1]);
        cv::divide(channels_[0], length_, direction_[2]);
        any_.create(src.size(), CV_8UC1);
        any_.setTo(0);
        for (int e = 0; e < ref.count; ++e) {
            for (int c = 0; c < 3; ++c) {
                cv::subtract(direction_[c], static_cast<double>(ref.colors[e][c]), diff_);
                cv::multiply(diff_, diff_, c == 0 ? sum_ : term_);
                if (c > 0) cv::add(sum_, term_, sum_);
            }
            cv::sqrt(sum_, sum_);
            cv::compare(sum_, static_cast<double>(ref.th), match_, cv::CMP_LT);
            cv::bitwise_or(any_, match_, any_);
        }
        cv::bitwise_not(any_, match_);
        cv::cvtColor(match_, out, cv::COLOR_GRAY2BGR);
    }

private:
    cv::Mat wide_, channels_[3], sum_, term_, length_, direction_[3], diff_, match_, any_;
};

void colour_ours(benchmark::State& state, FrameKind kind) {
    const cv::Mat frame = bench::colour_frame(kind);
    const ColourReference& ref = bench::cone_reference();
    cv::Mat work;
    for (auto _ : state) {
        frame.copyTo(work);
        recog::color_binarize(work, ref.colors, ref.count, ref.th);
        benchmark::DoNotOptimize(work.data);
    }
}

void colour_form(benchmark::State& state, recog::ColourPath path, FrameKind kind) {
    const cv::Mat frame = bench::colour_frame(kind);
    const ColourReference& ref = bench::cone_reference();
    cv::Mat work;
    for (auto _ : state) {
        frame.copyTo(work);
        recog::color_binarize_on(path, work, ref.colors, ref.count, ref.th);
        benchmark::DoNotOptimize(work.data);
    }
}

void colour_reference(benchmark::State& state, FrameKind kind) {
    const cv::Mat frame = bench::colour_frame(kind);
    const ColourReference& ref = bench::cone_reference();
    ReferenceColourTest test;
    cv::Mat out;
    for (auto _ : state) {
        test.run(frame, ref, out);
        benchmark::DoNotOptimize(out.data);
    }
}

void labeling_ours(benchmark::State& state, FrameKind kind) {
    const std::vector<uint8_t> plane = bench::binary_plane(kind);
    auto att = std::make_unique<recog::ImageAtt>();
    auto areas = std::make_unique<recog::AreaInfo[]>(recog::kMaxAreas);
    int regions = 0;
    for (auto _ : state) {
        recog::plane_to_att(plane.data(), att.get());
        recog::ImageInfo info{};
        info.y_start = 1;
        info.y_end = 239;
        recog::label_regions(&info, areas.get(), att.get());
        recog::get_area_info(&info, areas.get(), att.get());
        regions = info.area_num;
        benchmark::DoNotOptimize(areas.get());
    }
    state.counters["regions"] = regions;
}

// Connected components with 8-connectivity and their statistics (count, box, centroid).
void labeling_reference(benchmark::State& state, FrameKind kind) {
    const std::vector<uint8_t> plane = bench::binary_plane(kind);
    const cv::Mat bytes(recog::kFrameHeight, recog::kFrameWidth, CV_8UC1, const_cast<uint8_t*>(plane.data()));
    cv::Mat mask, labels, stats, centroids;
    int regions = 0;
    for (auto _ : state) {
        cv::compare(bytes, 0, mask, cv::CMP_EQ);
        regions = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S) - 1;
        benchmark::DoNotOptimize(stats.data);
    }
    state.counters["regions"] = regions;
}

// The reference is only a yardstick if it computes the same thing: say so when it does not.
void check_reference_agrees() {
    const ColourReference& ref = bench::cone_reference();
    ReferenceColourTest test;
    for (FrameKind kind : bench::kFrameKinds) {
        cv::Mat ours = bench::colour_frame(kind), theirs;
        test.run(ours, ref, theirs);
        recog::color_binarize(ours, ref.colors, ref.count, ref.th);
        const int differ = cv::countNonZero(cv::Mat(ours != theirs).reshape(1));
        if (differ != 0)
            std::fprintf(stderr, "note: %s: the reference colour test differs in %d values\n",
                         bench::frame_kind_name(kind), differ);
    }
}

// The colour test written out pixel by pixel as defined: the yardstick of every form.
template <typename Real>
bool plain_colour_match(int red, int green, int blue, const Real (*refs)[3], int n, Real th) {
    const int s = red * red + green * green + blue * blue;
    const double m = std::sqrt(static_cast<double>(s));
    const double r = red / m, g = green / m, b = blue / m;
    for (int e = 0; e < n; ++e) {
        const double dr = r - static_cast<double>(refs[e][0]);
        const double dg = g - static_cast<double>(refs[e][1]);
        const double db = b - static_cast<double>(refs[e][2]);
        if (std::sqrt(dr * dr + dg * dg + db * db) < static_cast<double>(th)) return true;
    }
    return false;
}

// One reference set of the check: colours scaled to unit length in the precision of the entry.
template <typename Real>
struct ColourSet {
    const char* name;
    Real colors[16][3];
    int count;
    Real th;
};

template <typename Real>
void add_unit(ColourSet<Real>& set, double red, double green, double blue) {
    const double m = std::sqrt(red * red + green * green + blue * blue);
    Real* c = set.colors[set.count++];
    c[0] = static_cast<Real>(red / m);
    c[1] = static_cast<Real>(green / m);
    c[2] = static_cast<Real>(blue / m);
}

// Compares every available form with the plain computation on all 2^24 colours of one set;
// returns the number of differing pixels over all forms.
template <typename Real>
long check_all_colours(const ColourSet<Real>& set, const cv::Mat& every_colour) {
    cv::Mat expected(every_colour.size(), CV_8UC1);
    long black = 0;
    for (int y = 0; y < every_colour.rows; ++y) {
        for (int x = 0; x < every_colour.cols; ++x) {
            const cv::Vec3b p = every_colour.at<cv::Vec3b>(y, x);
            const bool match = plain_colour_match(p[2], p[1], p[0], set.colors, set.count, set.th);
            expected.at<uint8_t>(y, x) = match ? 0 : 255;
            black += match;
        }
    }
    long differ_all = 0;
    for (recog::ColourPath path : recog::kColourPaths) {
        if (!recog::colour_path_available(path)) continue;
        cv::Mat out = every_colour.clone();
        recog::color_binarize_on(path, out, set.colors, set.count, set.th);
        cv::Mat channels[3];
        cv::split(out, channels);
        long differ = 0;
        for (const cv::Mat& c : channels) differ += cv::countNonZero(c != expected);
        differ_all += differ;
        std::fprintf(stderr, "colour check: %-26s %-8s %9ld cone-coloured, %ld bytes differ\n", set.name,
                     recog::colour_path_name(path), black, differ);
    }
    return differ_all;
}

// All 2^24 colours, seven reference sets from threshold 0 to 2: float and double entries, one to
// sixteen colours, a threshold of 1e-7 and one exactly on a colour's distance.
void check_every_colour() {
    cv::Mat every_colour(4096, 4096, CV_8UC3);
    for (int y = 0; y < every_colour.rows; ++y) {
        for (int x = 0; x < every_colour.cols; ++x) {
            const int c = y * every_colour.cols + x;
            every_colour.at<cv::Vec3b>(y, x) = cv::Vec3b(c & 255, c >> 8 & 255, c >> 16);
        }
    }
    long differ = 0;
    ColourSet<float> cones{"cones th 0.2", {}, 0, 0.2f};
    const ColourReference& ref = bench::cone_reference();
    std::memcpy(cones.colors, ref.colors, sizeof ref.colors);
    cones.count = ref.count;
    differ += check_all_colours(cones, every_colour);

    ColourSet<double> still{"still (double) th 0.2", {}, 0, 0.2};
    add_unit(still, 230, 116, 132);
    differ += check_all_colours(still, every_colour);

    ColourSet<float> none{"grey th 0", {}, 0, 0.0f};
    add_unit(none, 1, 1, 1);
    differ += check_all_colours(none, every_colour);

    ColourSet<float> tiny{"two th 1e-7", {}, 0, 1e-7f};
    add_unit(tiny, 230, 116, 132);
    add_unit(tiny, 1, 2, 3);
    differ += check_all_colours(tiny, every_colour);

    // The distance of colour (200, 100, 51) to the reference, as the threshold: that colour itself
    // lies exactly on the boundary and must not match.
    ColourSet<double> edge{"boundary (double)", {}, 0, 0.0};
    add_unit(edge, 230, 116, 132);
    {
        const double m = std::sqrt(200.0 * 200 + 100.0 * 100 + 51.0 * 51);
        const double dr = 200 / m - edge.colors[0][0], dg = 100 / m - edge.colors[0][1],
                     db = 51 / m - edge.colors[0][2];
        edge.th = std::sqrt(dr * dr + dg * dg + db * db);
    }
    differ += check_all_colours(edge, every_colour);

    ColourSet<float> sixteen{"sixteen th 0.05", {}, 0, 0.05f};
    for (int e = 0; e < 16; ++e) add_unit(sixteen, 40 + 13 * e, 255 - 15 * e, (e * 97) % 256);
    differ += check_all_colours(sixteen, every_colour);

    ColourSet<float> wide{"blue th 2", {}, 0, 2.0f};
    add_unit(wide, 0, 0, 1);
    differ += check_all_colours(wide, every_colour);

    std::fprintf(stderr, "colour check: all 2^24 colours, 7 sets, every form: %s\n",
                 differ == 0 ? "identical" : "DIFFERENT");
}

}  // namespace

int main(int argc, char** argv) {
    // Our code runs on one thread; so does the reference, and the shared cores stay quiet.
    cv::setNumThreads(1);
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    platform::ConsoleRedirect quiet(nullptr);  // the region tables go nowhere
    bool colour_check = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--skip-colour-check") == 0) {
            colour_check = false;
            for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    std::fprintf(stderr, "colour form in use: %s\n", recog::colour_path_name(recog::colour_path_in_use()));
    if (colour_check) check_every_colour();
    check_reference_agrees();
    for (FrameKind kind : bench::kFrameKinds) {
        const std::string name = bench::frame_kind_name(kind);
        benchmark::RegisterBenchmark(("colour/ours/" + name).c_str(), colour_ours, kind);
        benchmark::RegisterBenchmark(("colour/reference/" + name).c_str(), colour_reference, kind);
        for (recog::ColourPath path : recog::kColourPaths) {
            if (path == recog::colour_path_in_use() || !recog::colour_path_available(path)) continue;
            benchmark::RegisterBenchmark(
                ("colour/" + std::string(recog::colour_path_name(path)) + "/" + name).c_str(), colour_form,
                path, kind);
        }
        benchmark::RegisterBenchmark(("labeling/ours/" + name).c_str(), labeling_ours, kind);
        benchmark::RegisterBenchmark(("labeling/reference/" + name).c_str(), labeling_reference, kind);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
