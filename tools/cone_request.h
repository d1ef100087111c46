#pragma once
// One request of the controller client, from the request file to the printed report.

#include "tools/request_options.h"

namespace tools {

// Exit statuses of cone-request.
enum RequestStatus : int {
    kAnswered = 0,
    kNotSent = 1,  // a request is pending, a stale notify file, a file that can't be written
    kBadArguments = 2,
    kTimedOut = 3,   // no answer in time; the request stays for the tool to answer
    kBadReport = 4,  // the answer came, but its report is missing or can't be read
};

// Sends the request, waits for the answer and prints the report (table or JSON lines) on standard
// output; messages go to the error stream. Returns one of RequestStatus.
int run_cone_request(const RequestOptions& options);

}  // namespace tools
