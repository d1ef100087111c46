#include "app/serve_command.h"

#include "app/corn_location_service.h"
#include "app/service_camera_settings.h"
#include "app/stop_signals.h"

namespace app {

platform::CliCommand serve_cli_command() {
    platform::CliCommand c;
    c.name = "serve";
    c.usage = "serve";
    c.summary = "the stereo cone-location service without the menu";
    c.description =
        "Opens camera 0 (left) and camera 1 (right) and answers the controller: when the\n"
        "request file req_file.dat appears in the work directory, the service saves both\n"
        "pictures, finds and pairs the cones, writes report.txt, deletes the request and then\n"
        "creates the empty notify.txt. Keys (in its windows, or on standard input without a\n"
        "display): q ends, c saves both pictures, t runs a request's recognition into\n"
        "notify.txt. SIGINT and SIGTERM end it as q does. Once the cameras are open, the\n"
        "settings of rk9t_camera.dat in the work directory (index,name,value lines) and then\n"
        "those of --set are applied.\n"
        "Exit status: 0 ended by q or a signal, 1 a camera could not be opened, 255 no camera.\n";
    return c;
}

int run_serve_command(const capture::BackendOptions& backend, const std::vector<CameraSetting>& settings) {
    StopSignals signals;
    const ServiceEnd end = corn_location_service(backend, [&signals] { return signals.stop_requested(); },
                                                 service_camera_settings(settings));
    switch (end) {
        case ServiceEnd::quit:
            return 0;
        case ServiceEnd::no_capture_device:
            return kNoCaptureDeviceStatus;
        case ServiceEnd::failed:
            break;
    }
    return 1;
}

}  // namespace app
