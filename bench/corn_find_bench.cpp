// The whole cone finder on the three frame kinds, next to a reference pipeline of OpenCV
// primitives doing the same job on the same frame: colour test, one 3 x 3 dilation and two 3 x 3
// erosions, saving the binary picture, connected components with statistics and the size band.
// Both sides copy the frame (the finder binarizes it in place) and both save the picture to a
// temporary directory. Benchmark names are "corn_find/<ours|reference>/<frame kind>".

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "bench/bench_frames.h"
#include "files/recog_params.h"
#include "platform/console.h"
#include "platform/picture_file.h"
#include "recog/corn_find.h"

namespace {

using bench::ColourReference;
using bench::FrameKind;

// The size band the service starts with.
constexpr int kMinPixnum = 20;
constexpr int kMaxPixnum = 20000;

std::string g_dir;  // temporary directory for the saved pictures

// Ours saves its binary picture as a request does: through the tool's picture path.
recog::BinaryPictureSink saved_to(std::string path) {
    return [path = std::move(path)](const cv::Mat& binary) {
        std::string reason;
        platform::write_picture(path, binary, reason);
    };
}

files::RecogParams bench_params() {
    files::RecogParams p{};
    const ColourReference& ref = bench::cone_reference();
    for (int cam = 0; cam < 2; ++cam) {
        for (int e = 0; e < ref.count; ++e)
            for (int c = 0; c < 3; ++c) p.colors.color_vec[cam][e][c] = ref.colors[e][c];
        p.colors.color_num[cam] = ref.count;
    }
    p.color_th = ref.th;
    p.min_pixnum = kMinPixnum;
    p.max_pixnum = kMaxPixnum;
    return p;
}

// The reference finder; buffers are kept between runs so that only the work is timed.
class ReferenceFinder {
public:
    // Binarizes frame in place, saves the filtered picture, returns the number of regions in the band.
    int run(cv::Mat& frame, const ColourReference& ref, const std::string& path) {
        // Colour test in double precision: chord distance of the colour direction to each reference.
        frame.convertTo(wide_, CV_64F);
        cv::split(wide_, channels_);  // blue, green, red
        cv::magnitude(channels_[0], channels_[1], length_);
        cv::magnitude(length_, channels_[2], length_);
        cv::divide(channels_[2], length_, direction_[0]);
        cv::divide(channels_[1], length_, direction_[1]);
        cv::divide(channels_[0], length_, direction_[2]);
        grey_.create(frame.size(), CV_8UC1);
        grey_.setTo(255);
        for (int e = 0; e < ref.count; ++e) {
            cv::subtract(direction_[0], static_cast<double>(ref.colors[e][0]), diff_[0]);
            cv::subtract(direction_[1], static_cast<double>(ref.colors[e][1]), diff_[1]);
            cv::subtract(direction_[2], static_cast<double>(ref.colors[e][2]), diff_[2]);
            cv::magnitude(diff_[0], diff_[1], dist_);
            cv::magnitude(dist_, diff_[2], dist_);
            cv::compare(dist_, static_cast<double>(ref.th), match_, cv::CMP_LT);
            grey_.setTo(0, match_);
        }
        cv::cvtColor(grey_, frame, cv::COLOR_GRAY2BGR);

        cv::dilate(grey_, work_, cv::Mat());
        cv::erode(work_, grey_, cv::Mat(), cv::Point(-1, -1), 2);
        cv::imwrite(path, grey_);

        cv::compare(grey_, 0, match_, cv::CMP_EQ);
        const int n = cv::connectedComponentsWithStats(match_, labels_, stats_, centroids_, 8, CV_32S);
        int candidates = 0;
        for (int k = 1; k < n; ++k) {
            const int area = stats_.at<int>(k, cv::CC_STAT_AREA);
            candidates += kMinPixnum < area && area < kMaxPixnum;
        }
        return candidates;
    }

private:
    cv::Mat wide_, channels_[3], length_, direction_[3], diff_[3], dist_, match_, grey_, work_;
    cv::Mat labels_, stats_, centroids_;
};

void corn_find_ours(benchmark::State& state, FrameKind kind) {
    const cv::Mat frame = bench::colour_frame(kind);
    const files::RecogParams params = bench_params();
    const std::string path = g_dir + "/ours_bin.bmp";
    auto areas = std::make_unique<recog::AreaInfo[]>(recog::kMaxAreas);
    cv::Mat work;
    recog::ImageInfo info{};
    for (auto _ : state) {
        frame.copyTo(work);
        recog::corn_find(params, work, &info, areas.get(), 0, nullptr, saved_to(path));
        benchmark::DoNotOptimize(areas.get());
    }
    state.counters["candidates"] = info.area_num;
}

void corn_find_reference(benchmark::State& state, FrameKind kind) {
    const cv::Mat frame = bench::colour_frame(kind);
    const ColourReference& ref = bench::cone_reference();
    const std::string path = g_dir + "/reference_bin.bmp";
    ReferenceFinder finder;
    cv::Mat work;
    int candidates = 0;
    for (auto _ : state) {
        frame.copyTo(work);
        candidates = finder.run(work, ref, path);
        benchmark::DoNotOptimize(work.data);
    }
    state.counters["candidates"] = candidates;
}

// The reference is only a yardstick if it computes the same thing: say so when it does not.
// (Region counts may differ where the finder's border rows and columns or its 256-region list
// make a difference; the saved pictures must not.)
void check_reference_agrees() {
    const ColourReference& ref = bench::cone_reference();
    ReferenceFinder finder;
    auto areas = std::make_unique<recog::AreaInfo[]>(recog::kMaxAreas);
    for (FrameKind kind : bench::kFrameKinds) {
        cv::Mat ours = bench::colour_frame(kind), theirs = ours.clone();
        recog::ImageInfo info{};
        recog::corn_find(bench_params(), ours, &info, areas.get(), 0, nullptr,
                         saved_to(g_dir + "/check_ours.bmp"));
        const int reference_count = finder.run(theirs, ref, g_dir + "/check_reference.bmp");
        const cv::Mat a = cv::imread(g_dir + "/check_ours.bmp", cv::IMREAD_UNCHANGED);
        const cv::Mat b = cv::imread(g_dir + "/check_reference.bmp", cv::IMREAD_UNCHANGED);
        const int differ = a.size() == b.size() ? cv::countNonZero(a != b) : -1;
        std::fprintf(stderr, "%s: candidates ours %d, reference %d; saved pictures differ in %d pixels\n",
                     bench::frame_kind_name(kind), info.area_num, reference_count, differ);
    }
}

}  // namespace

int main(int argc, char** argv) {
    cv::setNumThreads(1);  // our finder runs on one thread, and the shared cores stay quiet
    char pattern[] = "/tmp/corn_find_bench_XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_dir = pattern;
    platform::set_console_encoding(platform::ConsoleEncoding::utf8);
    int status = 0;
    {
        platform::ConsoleRedirect quiet(nullptr);  // the finder's tables go nowhere
        check_reference_agrees();
        for (FrameKind kind : bench::kFrameKinds) {
            const std::string name = bench::frame_kind_name(kind);
            benchmark::RegisterBenchmark(("corn_find/ours/" + name).c_str(), corn_find_ours, kind);
            benchmark::RegisterBenchmark(("corn_find/reference/" + name).c_str(), corn_find_reference, kind);
        }
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            status = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
        }
        benchmark::Shutdown();
    }
    std::error_code ignored;
    std::filesystem::remove_all(g_dir, ignored);
    return status;
}
