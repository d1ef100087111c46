// The capture graph of one device: source -> sample grabber (24-bit RGB) -> null renderer, and
// the helpers the build uses.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "capture/media/am_analog_video_decoder.h"
#include "capture/media/am_crossbar.h"
#include "capture/media/am_stream_config.h"
#include "capture/media/base_filter.h"
#include "capture/media/capture_graph_builder2.h"
#include "capture/media/create_dev_enum.h"
#include "capture/media/enum_filters.h"
#include "capture/media/enum_moniker.h"
#include "capture/media/enum_pins.h"
#include "capture/media/graph_builder.h"
#include "capture/media/media_control.h"
#include "capture/media/media_filter.h"
#include "capture/media/media_platform.h"
#include "capture/media/moniker.h"
#include "capture/media/pin.h"
#include "capture/media/property_bag.h"
#include "capture/media/sample_grabber.h"
#include "capture/media/stream_config_caps.h"
#include "capture/media/task_memory.h"
#include "capture/media/variant.h"
#include "capture/names.h"
#include "capture/sample_grabber_callback.h"
#include "capture/say.h"
#include "capture/video_device.h"
#include "capture/video_input.h"
#include "platform/console.h"

namespace capture {

using namespace media;

namespace {

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

HRESULT VideoInput::buildGraph(int index) {
    VideoDevice* d = devices[index];
    d->deviceIndex = index;
    d->setupBegun = true;
    streamCategory = PIN_CATEGORY_CAPTURE;
    callbackModeFixed = 1;
    say("SETUP: Setting up device %i\n", index);

    // Every failure from here on but the first closes the device before returning.
    auto fail = [&](const char* message, HRESULT hr) {
        say(message);
        renew(index);
        return hr;
    };

    HRESULT hr = platform_->CoCreateInstance(CLSID_CaptureGraphBuilder2, ICaptureGraphBuilder2::iid,
                                             reinterpret_cast<void**>(&d->captureBuilder));
    if (FAILED(hr)) {
        say("ERROR - Could not create the Filter Graph Manager\n");
        return hr;
    }
    hr = platform_->CoCreateInstance(CLSID_FilterGraph, IGraphBuilder::iid, reinterpret_cast<void**>(&d->pGraph));
    if (FAILED(hr)) return fail("ERROR - Could not add the graph builder!\n", hr);
    hr = d->captureBuilder->SetFiltergraph(d->pGraph);
    if (FAILED(hr)) return fail("ERROR - Could not set filtergraph\n", hr);
    hr = query_interface(d->pGraph, &d->pControl);
    if (FAILED(hr)) return fail("ERROR - Could not create the Media Control object\n", hr);

    hr = getDevice(&d->sourceFilter, index, d->wideName, d->name);
    if (FAILED(hr)) return fail("ERROR - Could not find specified video device\n", hr);
    say("SETUP: %s\n", d->name);
    d->pGraph->AddFilter(d->sourceFilter, d->wideName);

    IAMStreamConfig* probe = nullptr;
    hr = d->captureBuilder->FindInterface(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, d->sourceFilter,
                                          IAMStreamConfig::iid, reinterpret_cast<void**>(&probe));
    if (SUCCEEDED(hr)) {
        streamCategory = PIN_CATEGORY_PREVIEW;
        release_and_clear(probe);
    } else {
        say("SETUP: Couldn't find preview pin using SmartTee\n");
    }

    if (d->routeConnector) {
        say("SETUP: Checking crossbar\n");
        routeInputConnector(d->captureBuilder, d->sourceFilter, d->connectorType, streamCategory);
    }

    hr = d->captureBuilder->FindInterface(&streamCategory, &MEDIATYPE_Video, d->sourceFilter, IAMStreamConfig::iid,
                                          reinterpret_cast<void**>(&d->streamConfig));
    if (FAILED(hr)) return fail("ERROR: Couldn't config the stream!\n", hr);
    hr = d->streamConfig->GetFormat(&d->pAmMediaType);
    if (FAILED(hr)) return fail("ERROR: Couldn't getFormat for pAmMediaType!\n", hr);
    // Every step below reads the size from the video format block; a type without one can't
    // be set up safely.
    if (!video_info(d->pAmMediaType)) return fail("ERROR: Couldn't getFormat for pAmMediaType!\n", VFW_E_INVALIDMEDIATYPE);
    const int defaultWidth = video_info(d->pAmMediaType)->bmi_header.width;
    const int defaultHeight = std::abs(video_info(d->pAmMediaType)->bmi_header.height);

    bool foundSize = false;
    if (d->sizeRequested) {
        say("SETUP: Default Format is set to %i by %i \n", defaultWidth, defaultHeight);
        char name[8];
        for (const Guid& subtype : trialSubtypes) {
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
            Guid closestSubtype;
            findClosestSize(d, d->requestedWidth, d->requestedHeight, closestWidth, closestHeight, closestSubtype);
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
            video_info(d->pAmMediaType)->avg_time_per_frame = static_cast<int64_t>(d->frameTime);
            d->streamConfig->SetFormat(d->pAmMediaType);
        }
        d->allocateFrameBuffers(defaultWidth, defaultHeight);
    }

    hr = platform_->CoCreateInstance(CLSID_SampleGrabber, IBaseFilter::iid, reinterpret_cast<void**>(&d->grabberFilter));
    if (FAILED(hr)) return fail("Could not Create Sample Grabber - CoCreateInstance()\n", hr);
    hr = d->pGraph->AddFilter(d->grabberFilter, u"Sample Grabber");
    if (FAILED(hr)) return fail("Could not add Sample Grabber - AddFilter()\n", hr);
    hr = query_interface(d->grabberFilter, &d->grabber);
    if (FAILED(hr)) return fail("ERROR: Could not query SampleGrabber\n", hr);

    d->grabber->SetOneShot(false);
    d->grabber->SetBufferSamples(!useCallback);
    if (useCallback) {
        hr = d->grabber->SetCallback(d->callback, 0);
        if (FAILED(hr)) return fail("ERROR: problem setting callback\n", hr);
        say("SETUP: Capture callback set\n");
    }

    AM_MEDIA_TYPE mt;
    mt.major_type = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.format_type = FORMAT_VideoInfo;
    d->grabber->SetMediaType(&mt);

    if (!d->streamConfig) return fail("ERROR: connecting device - prehaps it is already being used?\n", S_FALSE);
    release_and_clear(d->streamConfig);

    hr = platform_->CoCreateInstance(CLSID_NullRenderer, IBaseFilter::iid, reinterpret_cast<void**>(&d->rendererFilter));
    if (FAILED(hr)) return fail("ERROR: Could not create filter - NullRenderer\n", hr);
    hr = d->pGraph->AddFilter(d->rendererFilter, u"NullRenderer");
    if (FAILED(hr)) return fail("ERROR: Could not add filter - NullRenderer\n", hr);

    hr = d->captureBuilder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, d->sourceFilter, d->grabberFilter,
                                         d->rendererFilter);
    if (FAILED(hr)) return fail("ERROR: Could not connect pins - RenderStream()\n", hr);

    IMediaFilter* mediaFilter = nullptr;
    if (SUCCEEDED(query_interface(d->pGraph, &mediaFilter))) {
        mediaFilter->SetSyncSource(nullptr);
        mediaFilter->Release();
    } else {
        say("ERROR: Could not get IID_IMediaFilter interface\n");
    }

    hr = d->pControl->Run();
    if (FAILED(hr)) return fail("ERROR: Could not start graph\n", hr);

    if (!useCallback) {
        // Waits for the grabber's first buffer when the graph did not start at once, but not
        // forever: a device that never delivers must not hang the caller.
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (hr != S_OK && std::chrono::steady_clock::now() < give_up) {
            int32_t size = d->frameBytes;
            hr = d->grabber->GetCurrentBuffer(&size, d->grabBuffer);
            if (hr != S_OK) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    say("SETUP: Device is setup and ready to capture.\n\n");
    d->ready = true;
    release_and_clear(d->sourceFilter);
    release_and_clear(d->grabberFilter);
    release_and_clear(d->rendererFilter);
    return S_OK;
}

HRESULT VideoInput::getDevice(IBaseFilter** filter, int index, char16_t* wideName, char* name) {
    if (!filter) return E_POINTER;
    ICreateDevEnum* devEnum = nullptr;
    HRESULT hr = platform_->CoCreateInstance(CLSID_SystemDeviceEnum, ICreateDevEnum::iid,
                                             reinterpret_cast<void**>(&devEnum));
    if (FAILED(hr)) return hr;
    IEnumMoniker* monikers = nullptr;
    hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers);
    bool found = false;
    if (hr == S_OK && monikers) {
        IMoniker* moniker = nullptr;
        int position = 0;
        while (!found && monikers->Next(&moniker) == S_OK) {
            if (position == index) {
                IPropertyBag* bag = nullptr;
                if (SUCCEEDED(moniker->BindToStorage(&bag))) {
                    VARIANT value;
                    VariantInit(&value);
                    if (SUCCEEDED(bag->Read(u"FriendlyName", &value))) {
                        copy_name(value.bstr, wideName, name);
                        hr = moniker->BindToObject(filter);
                        found = true;
                    }
                    VariantClear(&value);
                    bag->Release();
                }
            }
            moniker->Release();
            ++position;
        }
        monikers->Release();
    }
    devEnum->Release();
    return found ? hr : VFW_E_NOT_FOUND;
}

bool VideoInput::trySizeAndSubtype(VideoDevice* d, int width, int height, const Guid& subtype) {
    AM_MEDIA_TYPE* saved = nullptr;
    if (d->streamConfig->GetFormat(&saved) != S_OK) return false;
    VIDEOINFOHEADER* vih = video_info(d->pAmMediaType);
    if (!vih) {
        freeMediaType(saved);
        return false;
    }
    // Kept so that a refused trial leaves the stored format as it was.
    const AM_MEDIA_TYPE before = *d->pAmMediaType;
    const VIDEOINFOHEADER beforeInfo = *vih;

    vih->bmi_header.width = width;
    vih->bmi_header.height = height;
    d->pAmMediaType->format_type = FORMAT_VideoInfo;
    d->pAmMediaType->major_type = MEDIATYPE_Video;
    d->pAmMediaType->subtype = subtype;
    d->pAmMediaType->sample_size = static_cast<uint32_t>(width * height * 3);
    if (d->frameTime != -1) vih->avg_time_per_frame = d->frameTime;

    if (d->streamConfig->SetFormat(d->pAmMediaType) == S_OK) {
        freeMediaType(saved);
        return true;
    }
    d->streamConfig->SetFormat(saved);
    freeMediaType(saved);
    *vih = beforeInfo;
    d->pAmMediaType->format_type = before.format_type;
    d->pAmMediaType->major_type = before.major_type;
    d->pAmMediaType->subtype = before.subtype;
    d->pAmMediaType->sample_size = before.sample_size;
    return false;
}

void VideoInput::findClosestSize(VideoDevice* d, int width, int height, int& outWidth, int& outHeight,
                                 Guid& outSubtype) {
    int bestWidth = 9999999;
    int bestHeight = 9999999;
    int count = 0;
    int size = 0;
    if (FAILED(d->streamConfig->GetNumberOfCapabilities(&count, &size))) return;
    if (size != static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS))) return;
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps;
        AM_MEDIA_TYPE* mt = nullptr;
        if (FAILED(d->streamConfig->GetStreamCaps(i, &mt, reinterpret_cast<uint8_t*>(&caps))) || !mt) continue;
        const int stepX = caps.output_granularity_x;
        const int stepY = caps.output_granularity_y;
        if (stepX < 1 || stepY < 1) {
            freeMediaType(mt);
            continue;
        }
        bool exactWidth = false;
        bool exactHeight = false;
        const int candidateWidth =
            nearest_step(width, caps.min_output_size.cx, caps.max_output_size.cx, stepX, exactWidth);
        const int candidateHeight =
            nearest_step(height, caps.min_output_size.cy, caps.max_output_size.cy, stepY, exactHeight);
        if (exactWidth && exactHeight) {
            outWidth = width;
            outHeight = height;
            outSubtype = mt->subtype;
            freeMediaType(mt);
            return;
        }
        if (std::abs(width - candidateWidth) + std::abs(height - candidateHeight) <
            std::abs(width - bestWidth) + std::abs(height - bestHeight)) {
            bestWidth = candidateWidth;
            bestHeight = candidateHeight;
            outWidth = candidateWidth;
            outHeight = candidateHeight;
            outSubtype = mt->subtype;
        }
        freeMediaType(mt);
    }
}

void VideoInput::subtypeName(const Guid& subtype, char* out) const {
    static const char* const names[18] = {"RGB24", "RGB32", "RGB555", "RGB565", "YUY2", "YVYU",
                                          "YUYV",  "IYUV",  "UYVY",   "YV12",   "YVU9", "Y411",
                                          "Y41P",  "Y211",  "AYUV",   "Y800",   "Y8",   "GREY"};
    const Guid order[18] = {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB565,
                            MEDIASUBTYPE_YUY2,  MEDIASUBTYPE_YVYU,  MEDIASUBTYPE_YUYV,   MEDIASUBTYPE_IYUV,
                            MEDIASUBTYPE_UYVY,  MEDIASUBTYPE_YV12,  MEDIASUBTYPE_YVU9,   MEDIASUBTYPE_Y411,
                            MEDIASUBTYPE_Y41P,  MEDIASUBTYPE_Y211,  MEDIASUBTYPE_AYUV,   subtypeY800,
                            subtypeY8,          subtypeGREY};
    const char* text = "OTHER";
    for (int i = 0; i < 18; ++i) {
        if (subtype == order[i]) {
            text = names[i];
            break;
        }
    }
    char scratch[8] = {};
    std::snprintf(scratch, sizeof scratch, "%s", text);
    std::memcpy(out, scratch, sizeof scratch);
}

HRESULT VideoInput::routeInputConnector(ICaptureGraphBuilder2* builder, IBaseFilter* source, int connectorType,
                                        const Guid& category) {
    IAMCrossbar* crossbar = nullptr;
    HRESULT hr = builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, source, IAMCrossbar::iid,
                                        reinterpret_cast<void**>(&crossbar));
    if (FAILED(hr)) {
        say("SETUP: You are a webcam or snazzy firewire cam! No Crossbar needed\n");
        return hr;
    }
    say("SETUP: You are not a webcam! Setting Crossbar\n");
    release_and_clear(crossbar);

    IAMCrossbar* routing = nullptr;
    hr = builder->FindInterface(&category, &MEDIATYPE_Interleaved, source, IAMCrossbar::iid,
                                reinterpret_cast<void**>(&routing));
    if (hr != S_OK) {
        hr = builder->FindInterface(&category, &MEDIATYPE_Video, source, IAMCrossbar::iid,
                                    reinterpret_cast<void**>(&routing));
    }
    if (FAILED(hr) || !routing) return hr;

    int32_t outputs = 0;
    int32_t inputs = 0;
    hr = routing->get_PinCounts(&outputs, &inputs);
    int32_t chosen = -1;
    for (int32_t i = 0; SUCCEEDED(hr) && i < inputs; ++i) {
        int32_t related = 0;
        int32_t type = 0;
        hr = routing->get_CrossbarPinInfo(true, i, &related, &type);
        if (SUCCEEDED(hr) && type == connectorType) {
            const char* ending = "\n";
            switch (type) {
                case PhysConn_Video_Tuner: ending = " - Tuner\n"; break;
                case PhysConn_Video_Composite: ending = " - Composite\n"; break;
                case PhysConn_Video_SVideo: ending = " - S-Video\n"; break;
                case PhysConn_Video_1394: ending = " - Firewire\n"; break;
                case PhysConn_Video_USB: ending = " - USB\n"; break;
                default: break;
            }
            say("SETUP: Found Physical Interface%s", ending);
            chosen = i;
            break;
        }
    }
    if (chosen >= 0) {
        for (int32_t o = 0; o < outputs; ++o) {
            int32_t related = 0;
            int32_t type = 0;
            hr = routing->get_CrossbarPinInfo(false, o, &related, &type);
            if (SUCCEEDED(hr) && type == PhysConn_Video_VideoDecoder) {
                hr = routing->Route(o, chosen);
                break;
            }
        }
    } else {
        say("SETUP: Didn't find specified Physical Connection type. Using Defualt. \n");
    }
    routing->Release();
    return hr;
}

bool VideoInput::setAnalogStandard(int index, int standardIndex) {
    if (!valid_index(index)) return false;
    VideoDevice* d = devices[index];
    if (!d->ready || standardIndex < 0 || standardIndex > 17) return false;
    d->analogStandard = analogStandards[standardIndex];
    d->standardRequested = true;

    if (FAILED(getDevice(&d->sourceFilter, index, d->wideName, d->name))) return false;
    IAMAnalogVideoDecoder* decoder = nullptr;
    ICaptureGraphBuilder2* builder = d->captureBuilder;
    HRESULT hr = builder ? builder->FindInterface(nullptr, &MEDIATYPE_Video, d->sourceFilter,
                                                  IAMAnalogVideoDecoder::iid, reinterpret_cast<void**>(&decoder))
                         : E_POINTER;
    release_and_clear(d->sourceFilter);
    if (FAILED(hr) || !decoder) {
        platform::console_printf("SETUP: couldn't set requested format\n");
        return false;
    }
    bool result = false;
    int32_t available = 0;
    if (SUCCEEDED(decoder->get_AvailableTVFormats(&available)) && (available & d->analogStandard) != 0) {
        if (FAILED(decoder->put_TVFormat(d->analogStandard))) {
            platform::console_printf("SETUP: couldn't set requested format\n");
        } else {
            result = true;
        }
    }
    decoder->Release();
    return result;
}

void VideoInput::freeMediaType(AM_MEDIA_TYPE* mediaType) {
    if (!mediaType) return;
    if (mediaType->format_size != 0) {
        CoTaskMemFree(mediaType->format_block);
        mediaType->format_size = 0;
        mediaType->format_block = nullptr;
    }
    if (mediaType->format_object) {
        mediaType->format_object->Release();
        mediaType->format_object = nullptr;
    }
    CoTaskMemFree(mediaType);
}

HRESULT VideoInput::saveGraph(IGraphBuilder* graph, const std::string& path) {
    if (!graph) return E_POINTER;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return STG_E_CANTSAVE;
    IEnumFilters* filters = nullptr;
    HRESULT hr = graph->EnumFilters(&filters);
    if (SUCCEEDED(hr)) {
        std::fprintf(file, "capture graph\n");
        IBaseFilter* filter = nullptr;
        while (filters->Next(&filter) == S_OK) {
            FILTER_INFO info;
            if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
                if (info.graph) info.graph->Release();
                std::fprintf(file, "filter \"%s\"\n", narrow_text(info.name).c_str());
            }
            IEnumPins* pins = nullptr;
            if (SUCCEEDED(filter->EnumPins(&pins))) {
                IPin* pin = nullptr;
                while (pins->Next(&pin) == S_OK) {
                    PIN_INFO own;
                    if (SUCCEEDED(pin->QueryPinInfo(&own))) {
                        own.filter->Release();
                        std::fprintf(file, "  %s pin \"%s\"", own.dir == PIN_DIRECTION::input ? "input" : "output",
                                     narrow_text(own.name).c_str());
                        IPin* to = nullptr;
                        if (pin->ConnectedTo(&to) == S_OK && to) {
                            PIN_INFO peer;
                            FILTER_INFO peerFilter;
                            if (SUCCEEDED(to->QueryPinInfo(&peer))) {
                                if (SUCCEEDED(peer.filter->QueryFilterInfo(&peerFilter)) && peerFilter.graph)
                                    peerFilter.graph->Release();
                                std::fprintf(file, " -> \"%s\" pin \"%s\"", narrow_text(peerFilter.name).c_str(),
                                             narrow_text(peer.name).c_str());
                                peer.filter->Release();
                            }
                            to->Release();
                        }
                        std::fprintf(file, "\n");
                    }
                    pin->Release();
                }
                pins->Release();
            }
            filter->Release();
        }
        filters->Release();
    }
    if (std::fclose(file) != 0 && SUCCEEDED(hr)) hr = STG_E_CANTSAVE;
    return hr;
}

}  // namespace capture
