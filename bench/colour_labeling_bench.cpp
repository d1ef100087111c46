// Colour classification and labeling + area measures on the three frame kinds, each next to a
// reference made of OpenCV primitives on the same frame: benchmark names are
// "<stage>/<ours|reference>/<frame kind>", which bench/ratios pairs up.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "bench/bench_frames.h"
#include "platform/console.h"
#include "recog/area_measure.h"
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
        color_binarize(work, ref.colors, ref.count, ref.th);
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
    auto att = std::make_unique<ImageAtt>();
    auto areas = std::make_unique<AreaInfo[]>(kMaxAreas);
    int regions = 0;
    for (auto _ : state) {
        plane_to_att(plane.data(), att.get());
        ImageInfo info{};
        info.y_start = 1;
        info.y_end = 239;
        label_regions(&info, areas.get(), att.get());
        get_area_info(&info, areas.get(), att.get());
        regions = info.area_num;
        benchmark::DoNotOptimize(areas.get());
    }
    state.counters["regions"] = regions;
}

// Connected components with 8-connectivity and their statistics (count, box, centroid).
void labeling_reference(benchmark::State& state, FrameKind kind) {
    const std::vector<uint8_t> plane = bench::binary_plane(kind);
    const cv::Mat bytes(kFrameHeight, kFrameWidth, CV_8UC1, const_cast<uint8_t*>(plane.data()));
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
        color_binarize(ours, ref.colors, ref.count, ref.th);
        const int differ = cv::countNonZero(cv::Mat(ours != theirs).reshape(1));
        if (differ != 0) std::fprintf(stderr, "note: %s: the reference colour test differs in %d values\n",
                                      bench::frame_kind_name(kind), differ);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Our code runs on one thread; so does the reference, and the shared cores stay quiet.
    cv::setNumThreads(1);
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    platform::ConsoleRedirect quiet(nullptr);  // the region tables go nowhere
    check_reference_agrees();
    for (FrameKind kind : bench::kFrameKinds) {
        const std::string name = bench::frame_kind_name(kind);
        benchmark::RegisterBenchmark(("colour/ours/" + name).c_str(), colour_ours, kind);
        benchmark::RegisterBenchmark(("colour/reference/" + name).c_str(), colour_reference, kind);
        benchmark::RegisterBenchmark(("labeling/ours/" + name).c_str(), labeling_ours, kind);
        benchmark::RegisterBenchmark(("labeling/reference/" + name).c_str(), labeling_reference, kind);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
