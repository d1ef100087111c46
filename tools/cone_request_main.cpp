#include <cstdio>
#include <string>

#include "platform/console.h"
#include "tools/cone_request.h"
#include "tools/request_options.h"

int main(int argc, char** argv) {
    tools::RequestOptions options;
    std::string error;
    switch (tools::parse_request_options(argc, argv, options, error)) {
        case tools::OptionsResult::help:
            std::fputs(tools::request_usage_text().c_str(), stdout);
            return tools::kAnswered;
        case tools::OptionsResult::version:
            std::printf("%s\n", error.c_str());
            return tools::kAnswered;
        case tools::OptionsResult::error:
            std::fprintf(stderr, "%s\n", error.c_str());
            return tools::kBadArguments;
        case tools::OptionsResult::ok:
            break;
    }
    if (options.encoding) platform::set_console_encoding(*options.encoding);
    return tools::run_cone_request(options);
}
