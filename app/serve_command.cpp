#include "app/serve_command.h"

#include "app/corn_location_service.h"
#include "app/options.h"
#include "app/stop_signals.h"
#include "platform/console.h"

namespace app {

int run_serve_command(const std::vector<std::string>& args, const capture::BackendOptions& backend) {
    if (!args.empty()) {
        if (args[0] == "-h" || args[0] == "--help") {
            platform::console_write(usage_text());
            platform::console_flush();
            return 0;
        }
        platform::console_error_printf("cone-locator serve: unexpected argument '%s'\n%s", args[0].c_str(),
                                       usage_text().c_str());
        return 2;
    }
    StopSignals signals;
    const ServiceEnd end = corn_location_service(backend, [&signals] { return signals.stop_requested(); });
    return end == ServiceEnd::quit ? 0 : 1;
}

}  // namespace app
