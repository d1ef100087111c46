#include "tools/cone_request.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "files/location_report.h"
#include "files/protocol_files.h"
#include "platform/console.h"
#include "platform/file_ops.h"
#include "platform/input_file.h"
#include "platform/work_dir.h"
#include "tools/report_output.h"
#include "tools/request_writer.h"

namespace tools {
namespace {

using namespace std::chrono_literals;

// A report holds four short lines per candidate of at most 256; anything far larger is not one.
constexpr size_t kMaxReportBytes = 1 << 20;

// The answer is complete once the notify file is there and the request is gone: the stereo service
// deletes the request before it creates the notify file, the picture-only modes just after, and a
// test run (key t) writes the notify file without touching the request.
bool answered(const std::string& request, const std::string& notify) {
    return platform::file_exists(notify) && !platform::file_exists(request);
}

bool wait_for_answer(const std::string& request, const std::string& notify, double timeout_seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_seconds);
    for (;;) {
        if (answered(request, notify)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

// The answer has been taken: the tool relies on the controller to clear the notify file.
void take_notify(const std::string& notify) {
    if (!platform::remove_file(notify) && platform::file_exists(notify)) {
        platform::console_error_printf("cone-request: cannot remove %s (%s); the next request will find it\n",
                                       notify.c_str(), std::strerror(errno));
    }
}

}  // namespace

int run_cone_request(const RequestOptions& options) {
    if (options.work_dir) platform::set_work_dir(*options.work_dir);
    const std::string& dir = platform::work_dir();
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        platform::console_error_printf(
            "cone-request: the work directory %s does not exist; start the cone locator with it first\n",
            dir.c_str());
        return kNotSent;
    }
    const std::string request = files::request_path();
    const std::string notify = files::notify_path();
    const std::string report = files::report_path();

    if (platform::file_exists(request)) {
        platform::console_error_printf(
            "cone-request: a request is already waiting to be answered (%s); remove it if no cone locator "
            "is serving this work directory\n",
            request.c_str());
        return kNotSent;
    }
    if (platform::file_exists(notify)) {
        if (!options.force) {
            platform::console_error_printf(
                "cone-request: a notify file from an earlier answer is still there (%s); remove it or use "
                "--force\n",
                notify.c_str());
            return kNotSent;
        }
        if (!platform::remove_file(notify)) {
            platform::console_error_printf("cone-request: cannot remove %s: %s\n", notify.c_str(),
                                           std::strerror(errno));
            return kNotSent;
        }
    }
    // A report left from an earlier request must never pass for the answer to this one.
    if (!platform::remove_file(report) && platform::file_exists(report)) {
        platform::console_error_printf("cone-request: cannot remove the earlier report %s: %s\n",
                                       report.c_str(), std::strerror(errno));
        return kNotSent;
    }

    std::string error;
    switch (write_request_file(request, files::format_request(options.params), error)) {
        case WriteRequestResult::written:
            break;
        case WriteRequestResult::pending:
            platform::console_error_printf(
                "cone-request: another request appeared meanwhile (%s); it was left as it is\n",
                request.c_str());
            return kNotSent;
        case WriteRequestResult::failed:
            platform::console_error_printf("cone-request: %s\n", error.c_str());
            return kNotSent;
    }

    if (!wait_for_answer(request, notify, options.timeout_seconds)) {
        platform::console_error_printf(
            "cone-request: no answer within %g s; the request stays in %s for the cone locator to answer "
            "(remove it to withdraw the request); the cone locator may be waiting for a camera that "
            "delivers no frames (see its console)\n",
            options.timeout_seconds, request.c_str());
        if (platform::file_exists(notify)) {
            platform::console_error_printf(
                "cone-request: %s is there, but the request was not taken: a test run's output, or a request "
                "the cone locator could not delete\n",
                notify.c_str());
        }
        return kTimedOut;
    }

    std::string bytes;
    platform::InputError problem;
    if (!platform::read_input_file(report, kMaxReportBytes, bytes, problem)) {
        if (problem.problem == platform::InputProblem::missing) {
            platform::console_error_printf(
                "cone-request: the answer came without a report (%s is missing); the cone locator may be in "
                "a mode that answers with a picture only, or could not write the report\n",
                report.c_str());
        } else {
            platform::console_error_printf("cone-request: cannot read the report %s\n",
                                           platform::input_problem_text(report, problem).c_str());
        }
        take_notify(notify);
        return kBadReport;
    }
    std::vector<files::ReportedObject> objects;
    if (!files::parse_report(bytes, objects, error)) {
        platform::console_error_printf("cone-request: the report %s is damaged: %s\n", report.c_str(),
                                       error.c_str());
        take_notify(notify);
        return kBadReport;
    }
    platform::console_write(options.json ? format_report_json(objects) : format_report_table(objects));
    platform::console_flush();
    take_notify(notify);
    return kAnswered;
}

}  // namespace tools
