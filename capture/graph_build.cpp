// The setup of one device: camera -> grabber (24-bit RGB) -> renderer, with every step of the
// library's graph building printed as it goes, and the helpers the setup uses.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "capture/names.h"
#include "capture/say.h"
#include "capture/subtypes.h"
#include "capture/video_device.h"
#include "capture/video_input.h"
#include "platform/console.h"

namespace capture {
namespace {

// Physical connector types of crossbar pins.
constexpr int32_t kConnectorTuner = 1, kConnectorComposite = 2, kConnectorSVideo = 3, kConnector1394 = 10,
                  kConnectorUsb = 11, kConnectorVideoDecoder = 12;

// The value of lo, lo + step, ... up to hi nearest to target, the first of two equally near
// (999999 when the range is empty); exact is set when target itself is among them.
int nearest_step(int target, int lo, int hi, int step, bool& exact) {
    int nearest = 999999;
    for (int v = lo; v <= hi; v += step) {
        if (v == target) {
            exact = true;
            nearest = v;
        } else if (std::abs(target - v) < std::abs(target - nearest)) {
            nearest = v;
        }
    }
    return nearest;
}

}  // namespace

BuildResult VideoInput::buildGraph(int index) {
    VideoDevice* d = devices[index].get();
    d->deviceIndex = index;
    d->setupBegun = true;
    d->faults = &backend_->faults();
    streamCategory = StreamCategory::capture;
    callbackModeFixed = 1;
    say("SETUP: Setting up device %i\n", index);
    FaultPlan& faults = backend_->faults();

    // Every failure from here on but the first closes the device before returning.
    auto fail = [&](const char* message, BuildResult result = BuildResult::failed) {
        say(message);
        renew(index);
        return result;
    };

    if (faults.fails(Step::create_builder)) {
        say("ERROR - Could not create the Filter Graph Manager\n");
        return BuildResult::failed;
    }
    d->captureBuilder = true;
    if (faults.fails(Step::create_graph)) return fail("ERROR - Could not add the graph builder!\n");
    d->pGraph = std::make_unique<CaptureGraph>();
    if (faults.fails(Step::set_filtergraph)) return fail("ERROR - Could not set filtergraph\n");
    if (faults.fails(Step::get_media_control))
        return fail("ERROR - Could not create the Media Control object\n");
    d->pControl = true;

    d->camera = getDevice(index, d->wideName, d->name, d->identity);
    if (!d->camera)
        return fail("ERROR - Could not find specified video device\n", BuildResult::device_not_found);
    d->sourceFilter = true;
    say("SETUP: %s\n", d->name);
    if (!faults.fails(Step::add_filter)) d->pGraph->filters.emplace_back(d->name);

    if (!faults.fails(Step::find_preview_pin)) {
        streamCategory = StreamCategory::preview;
    } else {
        say("SETUP: Couldn't find preview pin using SmartTee\n");
    }

    if (d->routeConnector) {
        say("SETUP: Checking crossbar\n");
        routeInputConnector(*d->camera, d->connectorType);
    }

    if (faults.fails(Step::find_stream_config)) return fail("ERROR: Couldn't config the stream!\n");
    d->streamConfig = true;
    if (!faults.fails(Step::get_format)) d->pAmMediaType = d->camera->format();
    if (!d->pAmMediaType) return fail("ERROR: Couldn't getFormat for pAmMediaType!\n");
    const int defaultWidth = d->pAmMediaType->width;
    const int defaultHeight = d->pAmMediaType->height;

    bool foundSize = false;
    if (d->sizeRequested) {
        say("SETUP: Default Format is set to %i by %i \n", defaultWidth, defaultHeight);
        char name[8];
        for (const uint32_t subtype : trialSubtypes) {
            subtypeName(subtype, name);
            say("SETUP: trying format %s @ %i by %i\n", name, d->requestedWidth, d->requestedHeight);
            if (trySizeAndSubtype(d, d->requestedWidth, d->requestedHeight, subtype)) {
                d->allocateFrameBuffers(d->requestedWidth, d->requestedHeight);
                foundSize = true;
                break;
            }
        }
        if (!foundSize) {
            say("SETUP: couldn't find requested size - searching for closest matching size\n");
            int closestWidth = -1;
            int closestHeight = -1;
            uint32_t closestSubtype = 0;
            findClosestSize(d, d->requestedWidth, d->requestedHeight, closestWidth, closestHeight,
                            closestSubtype);
            if (closestWidth != -1 && closestHeight != -1) {
                subtypeName(closestSubtype, name);
                say("SETUP: closest supported size is %s @ %i %i\n", name, closestWidth, closestHeight);
                if (trySizeAndSubtype(d, closestWidth, closestHeight, closestSubtype)) {
                    d->allocateFrameBuffers(closestWidth, closestHeight);
                    foundSize = true;
                }
            }
        }
    }
    if (!foundSize) {
        if (d->frameTime != -1) {
            d->pAmMediaType->frame_time = d->frameTime;
            if (!faults.fails(Step::set_format)) d->camera->set_format(*d->pAmMediaType);
        }
        d->allocateFrameBuffers(defaultWidth, defaultHeight);
    }

    if (faults.fails(Step::create_grabber))
        return fail("Could not Create Sample Grabber - CoCreateInstance()\n");
    d->grabberFilter = true;
    if (faults.fails(Step::add_filter)) return fail("Could not add Sample Grabber - AddFilter()\n");
    d->pGraph->filters.emplace_back("Sample Grabber");
    if (faults.fails(Step::get_grabber)) return fail("ERROR: Could not query SampleGrabber\n");
    d->grabber = true;

    d->frames.setBufferSamples(!useCallback);
    if (useCallback) {
        if (faults.fails(Step::set_callback)) return fail("ERROR: problem setting callback\n");
        d->frames.setCallback(d->callback.get());
        say("SETUP: Capture callback set\n");
    }
    // Every frame a camera hands over is 24-bit RGB (bottom-up BGR) at the size fixed above.

    if (!d->streamConfig)
        return fail("ERROR: connecting device - prehaps it is already being used?\n",
                    BuildResult::not_connected);
    d->streamConfig = false;

    if (faults.fails(Step::create_renderer)) return fail("ERROR: Could not create filter - NullRenderer\n");
    d->rendererFilter = true;
    if (faults.fails(Step::add_filter)) return fail("ERROR: Could not add filter - NullRenderer\n");
    d->pGraph->filters.emplace_back("NullRenderer");

    if (faults.fails(Step::render_stream)) return fail("ERROR: Could not connect pins - RenderStream()\n");
    d->pGraph->connected = true;

    // Frames pass on as they arrive, without a reference clock.
    if (faults.fails(Step::get_media_filter)) say("ERROR: Could not get IID_IMediaFilter interface\n");

    if (faults.fails(Step::run) || !d->camera->start(d->frames))
        return fail("ERROR: Could not start graph\n");
    d->pGraph->running = true;

    say("SETUP: Device is setup and ready to capture.\n\n");
    d->ready = true;
    d->sourceFilter = false;
    d->grabberFilter = false;
    d->rendererFilter = false;
    return BuildResult::ready;
}

std::unique_ptr<CameraSession> VideoInput::getDevice(int index, char16_t* wideName, char* name,
                                                     std::string& identity) {
    if (backend_->faults().fails(Step::list_devices)) return nullptr;
    const std::vector<CameraInfo> cameras = backend_->list_cameras();
    const CameraInfo* found = nullptr;
    for (size_t position = 0; position < cameras.size() && !found; ++position) {
        const CameraInfo& c = cameras[position];
        const bool wanted =
            identity.empty() ? position == static_cast<size_t>(index) : c.identity == identity;
        if (wanted && c.names_readable && c.name) found = &c;
    }
    if (!found) return nullptr;
    copy_name(*found->name, wideName, name);
    identity = found->identity;
    if (backend_->faults().fails(Step::bind_device)) return nullptr;
    return backend_->open(*found);
}

bool VideoInput::trySizeAndSubtype(VideoDevice* d, int width, int height, uint32_t subtype) {
    // The camera keeps its format when it refuses one, so nothing needs to be saved to restore it.
    if (backend_->faults().fails(Step::get_format)) return false;
    VideoFormat wanted = *d->pAmMediaType;
    wanted.subtype = subtype;
    wanted.width = width;
    wanted.height = height;
    if (d->frameTime != -1) wanted.frame_time = d->frameTime;
    // A refused trial leaves the stored format as it was.
    if (backend_->faults().fails(Step::set_format) || !d->camera->set_format(wanted)) return false;
    d->pAmMediaType = wanted;
    return true;
}

void VideoInput::findClosestSize(VideoDevice* d, int width, int height, int& outWidth, int& outHeight,
                                 uint32_t& outSubtype) {
    int bestWidth = 9999999;
    int bestHeight = 9999999;
    if (backend_->faults().fails(Step::capabilities)) return;
    for (const FormatRange& caps : d->camera->formats()) {
        if (backend_->faults().fails(Step::stream_caps)) continue;
        if (caps.step_x < 1 || caps.step_y < 1) continue;
        bool exactWidth = false;
        bool exactHeight = false;
        const int candidateWidth =
            nearest_step(width, caps.min_width, caps.max_width, caps.step_x, exactWidth);
        const int candidateHeight =
            nearest_step(height, caps.min_height, caps.max_height, caps.step_y, exactHeight);
        if (exactWidth && exactHeight) {
            outWidth = width;
            outHeight = height;
            outSubtype = caps.subtype;
            return;
        }
        if (std::abs(width - candidateWidth) + std::abs(height - candidateHeight) <
            std::abs(width - bestWidth) + std::abs(height - bestHeight)) {
            bestWidth = candidateWidth;
            bestHeight = candidateHeight;
            outWidth = candidateWidth;
            outHeight = candidateHeight;
            outSubtype = caps.subtype;
        }
    }
}

void VideoInput::subtypeName(uint32_t subtype, char* out) const {
    static const char* const names[18] = {"RGB24", "RGB32", "RGB555", "RGB565", "YUY2", "YVYU",
                                          "YUYV",  "IYUV",  "UYVY",   "YV12",   "YVU9", "Y411",
                                          "Y41P",  "Y211",  "AYUV",   "Y800",   "Y8",   "GREY"};
    const char* text = "OTHER";
    for (int i = 0; i < 18; ++i) {
        if (subtype == trialSubtypes[i]) {
            text = names[i];
            break;
        }
    }
    char scratch[8] = {};
    std::snprintf(scratch, sizeof scratch, "%s", text);
    std::memcpy(out, scratch, sizeof scratch);
}

bool VideoInput::routeInputConnector(CameraSession& camera, int connectorType) {
    const std::optional<Crossbar> crossbar = camera.crossbar();
    if (!crossbar) {
        say("SETUP: You are a webcam or snazzy firewire cam! No Crossbar needed\n");
        return false;
    }
    say("SETUP: You are not a webcam! Setting Crossbar\n");
    int32_t chosen = -1;
    for (size_t i = 0; i < crossbar->inputs.size() && chosen < 0; ++i) {
        const int32_t type = crossbar->inputs[i];
        if (type != connectorType) continue;
        const char* ending = "\n";
        switch (type) {
            case kConnectorTuner:
                ending = " - Tuner\n";
                break;
            case kConnectorComposite:
                ending = " - Composite\n";
                break;
            case kConnectorSVideo:
                ending = " - S-Video\n";
                break;
            case kConnector1394:
                ending = " - Firewire\n";
                break;
            case kConnectorUsb:
                ending = " - USB\n";
                break;
            default:
                break;
        }
        say("SETUP: Found Physical Interface%s", ending);
        chosen = static_cast<int32_t>(i);
    }
    if (chosen < 0) {
        say("SETUP: Didn't find specified Physical Connection type. Using Defualt. \n");
        return true;
    }
    for (size_t o = 0; o < crossbar->outputs.size(); ++o) {
        if (crossbar->outputs[o] == kConnectorVideoDecoder)
            return camera.route(static_cast<int32_t>(o), chosen);
    }
    return true;
}

bool VideoInput::setAnalogStandard(int index, int standardIndex) {
    if (!valid_index(index)) return false;
    VideoDevice& d = *devices[index];
    if (!d.ready || standardIndex < 0 || standardIndex > 17) return false;
    d.analogStandard = analogStandards[standardIndex];
    d.standardRequested = true;

    const std::optional<int32_t> available = d.camera->video_standards();
    if (!available) {
        platform::console_printf("SETUP: couldn't set requested format\n");
        return false;
    }
    if ((*available & d.analogStandard) == 0) return false;
    if (!d.camera->set_video_standard(d.analogStandard)) {
        platform::console_printf("SETUP: couldn't set requested format\n");
        return false;
    }
    return true;
}

bool VideoInput::saveGraph(const CaptureGraph* graph, const std::string& path) {
    if (!graph) return false;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    std::fprintf(file, "capture graph\n");
    const char* const outputs[2] = {"Preview", "Output"};  // of the camera and of the grabber
    for (size_t i = 0; i < graph->filters.size(); ++i) {
        std::fprintf(file, "filter \"%s\"\n", graph->filters[i].c_str());
        if (graph->connected && i + 1 < graph->filters.size()) {
            std::fprintf(file, "  output pin \"%s\" -> \"%s\" pin \"%s\"\n", outputs[i],
                         graph->filters[i + 1].c_str(), i == 0 ? "Input" : "In");
        }
    }
    return std::fclose(file) == 0;
}

}  // namespace capture
