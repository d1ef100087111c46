// How fast the stereo service answers a request and how fresh the pictures of its answer are, on
// the simulated rig at 30 frames per second. The service runs in this process, headless, in a
// temporary work directory; this program is its controller: it puts each request in place at a
// random time (renamed in, as a controller must), waits for the notify file and takes it away. The
// time from the rename to the notify file is the answer time, with the service woken by the
// request and with it forced to look every 125 ms; the answering frames' own time stamps are held
// against the moment the request was put in place.
//
// usage: service_latency [--requests N] [--soak N] [--seed S]
//   --requests N  requests per mode, at random times (default 500)
//   --soak N      instead: N requests back to back; checks that each is answered exactly once and
//                 in order, and that the resident memory stays flat after the first 100
//   --seed S      of the random request times (default 1)
// Exit status 0 when the targets are met, 1 when not, 2 for bad arguments.

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/corn_location_service.h"
#include "capture/sim/sim_device.h"
#include "capture/sim/sim_stereo_rig.h"
#include "platform/console.h"
#include "platform/ui.h"
#include "platform/work_dir.h"
#include "sim/scene.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr double kTargetP50 = 35.0;  // ms, with the wake
constexpr double kTargetP99 = 70.0;
constexpr double kRssGrowthLimitKb = 1024.0;
constexpr int kWarmUp = 5;        // requests answered before anything is counted
constexpr int kSoakSettle = 100;  // the soak's memory is held against its size after these
constexpr auto kAnswerTimeout = std::chrono::seconds(10);

// Three cones of clearly different sizes (60, 36 and 20 pixels tall), so a request's size limit
// tells from its report which request it answered.
sim::Scene bench_scene() {
    sim::Scene scene;
    scene.cones = {sim::cone_of_height(1000, -300, 150, 60), sim::cone_of_height(1500, 200, 0, 36),
                   sim::cone_of_height(2000, -60, -300, 20)};
    return scene;
}
const char* const kColorTable = "0,230,116,132\n1,230,116,132\n";
// max_pixnum per kind of request, and how many cones each must report: all three, then without
// the largest, then only the smallest.
constexpr int kMaxPixnum[3] = {20000, 900, 300};
constexpr int kExpectedCones[3] = {3, 2, 1};

std::string request_text(int kind) {
    return "color_th,0.1\nmin_pixnum,50\nmax_pixnum," + std::to_string(kMaxPixnum[kind]) + "\n";
}

long resident_kb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p / 100.0 * static_cast<double>(v.size())));
    return v[i];
}

// The service on a thread of its own, on a fresh simulated rig, until destroyed.
class ServiceRun {
public:
    ServiceRun(const sim::Scene& scene, bool watch) : rig_(capture::make_sim_stereo_rig(scene, -1)) {
        app::ServiceHooks hooks;
        hooks.watch_requests = watch;
        hooks.on_answer = [this](const app::AnsweredRequest& a) {
            {
                std::lock_guard lock(mutex_);
                answers_.push_back(a);
            }
            changed_.notify_all();
        };
        started_ = Clock::now();
        thread_ = std::thread([this, hooks] {
            platform::ConsoleRedirect quiet(nullptr);  // the recognition's tables of every request
            end_ = app::corn_location_service(
                rig_, [this] { return stop_.load(); }, {}, hooks);
        });
    }
    ~ServiceRun() {
        stop_ = true;
        thread_.join();
    }
    ServiceRun(const ServiceRun&) = delete;
    ServiceRun& operator=(const ServiceRun&) = delete;

    // The answer number `index` (0 the first), waiting for it.
    bool answer(size_t index, app::AnsweredRequest& out) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, kAnswerTimeout, [&] { return answers_.size() > index; })) return false;
        out = answers_[index];
        return true;
    }
    size_t answers() {
        std::lock_guard lock(mutex_);
        return answers_.size();
    }
    // Frames per second each camera has delivered since the start.
    double frame_rate(int device) const {
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        return rig_->devices()[static_cast<size_t>(device)]->frames_delivered() / seconds;
    }
    // Streams each camera has started: more than one means the service reopened it.
    int streams(int device) const { return rig_->devices()[static_cast<size_t>(device)]->streams_started(); }

private:
    std::shared_ptr<capture::SimBackend> rig_;
    Clock::time_point started_;
    std::atomic<bool> stop_{false};
    app::ServiceEnd end_ = app::ServiceEnd::failed;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<app::AnsweredRequest> answers_;
    std::thread thread_;
};

// The controller's side: requests put in place, the notify file waited for and taken away.
class Controller {
public:
    explicit Controller(std::string dir) : dir_(std::move(dir)) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 || inotify_add_watch(fd_, dir_.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
            std::perror("service_latency: inotify");
            std::exit(1);
        }
    }
    ~Controller() { close(fd_); }
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // Puts the request in place; the time just before the rename, when it was not yet there.
    Clock::time_point request(const std::string& text) {
        std::filesystem::remove(dir_ + "report.txt");  // an old report must not pass for the answer
        const std::string tmp = dir_ + "req_file.tmp";
        std::ofstream(tmp, std::ios::binary) << text;
        drain();
        const Clock::time_point t = Clock::now();
        if (std::rename(tmp.c_str(), (dir_ + "req_file.dat").c_str()) != 0) {
            std::perror("service_latency: rename");
            std::exit(1);
        }
        return t;
    }

    // Waits for the notify file; its arrival time, or nothing on timeout.
    bool wait_notify(Clock::time_point& arrived) {
        const Clock::time_point deadline = Clock::now() + kAnswerTimeout;
        for (;;) {
            alignas(inotify_event) char buffer[4096];
            for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
                for (ssize_t at = 0; at < n;) {
                    const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                    if (e->len > 0 && std::strcmp(e->name, "notify.txt") == 0) {
                        arrived = Clock::now();
                        return true;
                    }
                    at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                }
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            poll(&p, 1, static_cast<int>(left));
        }
    }

    // Cones in the report (four lines each); -1 when there is none.
    int reported_cones() const {
        std::ifstream in(dir_ + "report.txt", std::ios::binary);
        if (!in) return -1;
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return static_cast<int>(std::count(text.begin(), text.end(), '\n') / 4);
    }
    bool request_gone() const { return !std::filesystem::exists(dir_ + "req_file.dat"); }
    void take_notify() { std::filesystem::remove(dir_ + "notify.txt"); }

private:
    void drain() {
        alignas(inotify_event) char buffer[4096];
        while (read(fd_, buffer, sizeof buffer) > 0) {
        }
    }
    std::string dir_;
    int fd_ = -1;
};

struct Sample {
    double latency_ms = 0;
    double age_ms[2] = {0, 0};  // capture time of each answering picture after the request time
};

// One request answered end to end; false (said why) when it went wrong.
bool ask(ServiceRun& service, Controller& controller, size_t index, int kind, Sample& out) {
    const Clock::time_point put = controller.request(request_text(kind));
    Clock::time_point arrived;
    if (!controller.wait_notify(arrived)) {
        std::fprintf(stderr, "service_latency: request %zu not answered within %lld s\n", index,
                     static_cast<long long>(kAnswerTimeout.count()));
        return false;
    }
    app::AnsweredRequest a;
    if (!service.answer(index, a)) {
        std::fprintf(stderr, "service_latency: the service did not report answer %zu\n", index);
        return false;
    }
    out.latency_ms = Millis(arrived - put).count();
    for (int d : {0, 1}) out.age_ms[d] = Millis(a.captured[d] - put).count();
    if (!controller.request_gone()) {
        std::fprintf(stderr, "service_latency: request %zu still there after its answer\n", index);
        return false;
    }
    const int cones = controller.reported_cones();
    if (cones != kExpectedCones[kind]) {
        std::fprintf(stderr, "service_latency: request %zu (max_pixnum %d) answered with %d cones, not %d\n",
                     index, kMaxPixnum[kind], cones, kExpectedCones[kind]);
        return false;
    }
    controller.take_notify();
    return true;
}

struct ModeResult {
    std::vector<double> latency;
    std::vector<double> age;  // both pictures of every answer
    int before_request = 0;   // pictures captured before their request was put in place
    double fps[2] = {0, 0};
    int streams[2] = {0, 0};
    bool ok = true;
};

ModeResult run_mode(const std::string& dir, bool watch, int requests, std::mt19937& random) {
    ModeResult r;
    ServiceRun service(bench_scene(), watch);
    Controller controller(dir);
    std::uniform_int_distribution<int> pause_us(0, 250000);  // phases against frames and passes
    Sample s;
    size_t index = 0;
    for (int i = 0; i < kWarmUp; ++i, ++index) {
        if (!ask(service, controller, index, 0, s)) return r.ok = false, r;
    }
    for (int i = 0; i < requests; ++i, ++index) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
        if (!ask(service, controller, index, i % 3, s)) return r.ok = false, r;
        r.latency.push_back(s.latency_ms);
        for (double age : s.age_ms) {
            r.age.push_back(age);
            r.before_request += age < 0;
        }
    }
    for (int d : {0, 1}) {
        r.fps[d] = service.frame_rate(d);
        r.streams[d] = service.streams(d);
    }
    return r;
}

int run_latency(const std::string& dir, int requests, unsigned seed) {
    std::mt19937 random(seed);
    std::printf("stereo service, simulated rig, %d requests per mode at random times (0-250 ms apart)\n\n",
                requests);
    std::printf("%-24s %8s %8s %8s   %s\n", "request noticed by", "p50 ms", "p99 ms", "max ms",
                "camera fps (streams)");
    ModeResult modes[2];
    const char* const names[2] = {"wake (directory watch)", "plain 125 ms poll"};
    for (int m = 0; m < 2; ++m) {
        modes[m] = run_mode(dir, m == 0, requests, random);
        if (!modes[m].ok) return 1;
        const ModeResult& r = modes[m];
        std::printf("%-24s %8.1f %8.1f %8.1f   %.1f / %.1f (%d / %d)\n", names[m], percentile(r.latency, 50),
                    percentile(r.latency, 99), percentile(r.latency, 100), r.fps[0], r.fps[1], r.streams[0],
                    r.streams[1]);
        std::fflush(stdout);
    }
    std::printf("\nage of the answering pictures: capture time after the request was put in place (ms)\n");
    std::printf("%-24s %8s %8s %8s   %s\n", "", "min", "p50", "max", "captured before the request");
    int before = 0;
    for (int m = 0; m < 2; ++m) {
        const ModeResult& r = modes[m];
        std::printf("%-24s %8.1f %8.1f %8.1f   %d of %zu\n", names[m], percentile(r.age, 0),
                    percentile(r.age, 50), percentile(r.age, 100), r.before_request, r.age.size());
        before += r.before_request;
    }
    const double p50 = percentile(modes[0].latency, 50), p99 = percentile(modes[0].latency, 99);
    const bool fast = p50 < kTargetP50 && p99 < kTargetP99;
    const bool rate = modes[0].fps[0] > 29 && modes[0].fps[1] > 29;
    std::printf("\ntargets with the wake at 30 fps: p50 < %.0f ms (%.1f), p99 < %.0f ms (%.1f): %s\n",
                kTargetP50, p50, kTargetP99, p99, fast ? "met" : "NOT met");
    std::printf("no answering picture captured before its request: %s\n", before == 0 ? "met" : "NOT met");
    std::printf("the rig delivers 30 fps: %s\n", rate ? "yes" : "NO");
    return fast && before == 0 && rate ? 0 : 1;
}

int run_soak(const std::string& dir, int requests) {
    ServiceRun service(bench_scene(), true);
    Controller controller(dir);
    Sample s;
    std::vector<double> latency;
    long settled_kb = 0, peak_kb = 0;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < requests; ++i) {
        if (!ask(service, controller, static_cast<size_t>(i), i % 3, s)) {
            std::printf("soak: FAILED at request %d\n", i);
            return 1;
        }
        latency.push_back(s.latency_ms);
        const long kb = resident_kb();
        if (i + 1 == std::min(kSoakSettle, requests)) settled_kb = kb;
        peak_kb = std::max(peak_kb, kb);
        if ((i + 1) % 1000 == 0) {
            std::printf("soak: %d requests answered, resident %.1f MB\n", i + 1, kb / 1024.0);
            std::fflush(stdout);
        }
    }
    // Nothing answered twice: no answer comes after the last request's.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t answers = service.answers();
    const long end_kb = resident_kb();
    const double growth = static_cast<double>(end_kb - settled_kb);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "soak: %d requests back to back in %.0f s; answers %zu, each answered once and in order: %s\n",
        requests, seconds, answers, answers == static_cast<size_t>(requests) ? "yes" : "NO");
    std::printf("soak: answer time p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", percentile(latency, 50),
                percentile(latency, 99), percentile(latency, 100));
    std::printf(
        "soak: resident memory after %d requests %.1f MB, at the end %.1f MB (peak %.1f MB): growth %.0f kB, "
        "target < %.0f kB: %s\n",
        std::min(kSoakSettle, requests), settled_kb / 1024.0, end_kb / 1024.0, peak_kb / 1024.0, growth,
        kRssGrowthLimitKb, growth < kRssGrowthLimitKb ? "met" : "NOT met");
    return answers == static_cast<size_t>(requests) && growth < kRssGrowthLimitKb ? 0 : 1;
}

bool parse_count(const char* text, int& out) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (!text[0] || *end || n < 1 || n > 10000000) return false;
    out = static_cast<int>(n);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int requests = 500, soak = 0, seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        int* target = a == "--requests" ? &requests : a == "--soak" ? &soak : a == "--seed" ? &seed : nullptr;
        if (a == "--help" || a == "-h") {
            std::printf("usage: service_latency [--requests N] [--soak N] [--seed S]\n");
            return 0;
        }
        if (!target || i + 1 == argc || !parse_count(argv[++i], *target)) {
            std::fprintf(stderr, "usage: service_latency [--requests N] [--soak N] [--seed S]\n");
            return 2;
        }
    }
    // The headless key wait reads standard input: give it none.
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) {
        dup2(null_fd, STDIN_FILENO);
        close(null_fd);
    }
    platform::select_ui(true);
    char dir_template[] = "/tmp/service-latency.XXXXXX";
    if (!mkdtemp(dir_template)) {
        std::perror("service_latency: mkdtemp");
        return 1;
    }
    const std::string dir = std::string(dir_template) + "/";
    std::ofstream(dir + "rk9t_color.dat") << kColorTable;
    platform::set_work_dir(dir);
    const int status =
        soak > 0 ? run_soak(dir, soak) : run_latency(dir, requests, static_cast<unsigned>(seed));
    std::filesystem::remove_all(dir);
    return status;
}
