#include "capture/media/sim/sim_source_filter.h"

#include <algorithm>
#include <cstring>

#include "capture/media/sim/sim_crossbar.h"
#include "capture/media/sim/sim_device.h"
#include "capture/media/sim/sim_property_control.h"
#include "capture/media/stream_config_caps.h"
#include "capture/media/task_memory.h"

namespace media::simulated {

SimSourceFilter::SimSourceFilter(std::shared_ptr<SimDevice> device, std::shared_ptr<FaultPlan> faults)
    : SourceFilter(device->config().preview_pin), device_(std::move(device)), faults_(std::move(faults)) {
    const SimDeviceConfig& c = device_->config();
    format_ = create_video_media_type(c.subtype, c.width, c.height, c.avg_time_per_frame);
}

SimSourceFilter::~SimSourceFilter() { delete_media_type(format_); }

HRESULT SimSourceFilter::query_more_interfaces(const Guid& iid, void** out) {
    const SimDeviceConfig& c = device_->config();
    if (iid == IAMStreamConfig::iid && c.stream_config)
        return hand_out(static_cast<IAMStreamConfig*>(this), out);
    if (iid == IAMAnalogVideoDecoder::iid && c.tv_formats)
        return hand_out(static_cast<IAMAnalogVideoDecoder*>(this), out);
    if (iid == ISpecifyPropertyPages::iid) return hand_out(static_cast<ISpecifyPropertyPages*>(this), out);
    if (iid == IAMVideoProcAmp::iid && !c.proc_amp.empty()) {
        *out = static_cast<IAMVideoProcAmp*>(new SimPropertyControl<IAMVideoProcAmp>(device_, false));
        return S_OK;
    }
    if (iid == IAMCameraControl::iid && !c.camera_control.empty()) {
        *out = static_cast<IAMCameraControl*>(new SimPropertyControl<IAMCameraControl>(device_, true));
        return S_OK;
    }
    return SourceFilter::query_more_interfaces(iid, out);
}

HRESULT SimSourceFilter::find_upstream(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IAMCrossbar::iid && !device_->config().crossbar_inputs.empty()) {
        *out = static_cast<IAMCrossbar*>(new SimCrossbar(device_));
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT SimSourceFilter::GetFormat(AM_MEDIA_TYPE** mt) {
    if (!mt) return E_POINTER;
    *mt = nullptr;
    if (HRESULT hr = planned_result(faults_, "IAMStreamConfig::GetFormat"); FAILED(hr)) return hr;
    if (device_->config().get_format_fails) return E_FAIL;
    *mt = copy_media_type(format_);
    return S_OK;
}

bool SimSourceFilter::takes(int width, int height, const Guid& subtype) const {
    const SimDeviceConfig& c = device_->config();
    if (c.accepts) return c.accepts(width, height, subtype);
    return std::any_of(c.capabilities.begin(), c.capabilities.end(), [&](const SimCapability& cap) {
        if (!(cap.subtype == subtype)) return false;
        auto covers = [](int v, int lo, int hi, int step) {
            if (v < lo || v > hi) return false;
            return step < 1 ? v == lo : (v - lo) % step == 0;
        };
        return covers(width, cap.min_width, cap.max_width, cap.granularity_x) &&
               covers(height, cap.min_height, cap.max_height, cap.granularity_y);
    });
}

HRESULT SimSourceFilter::SetFormat(const AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    if (HRESULT hr = planned_result(faults_, "IAMStreamConfig::SetFormat"); FAILED(hr)) return hr;
    if (FilterPin* pin = find_pin(PIN_DIRECTION::output, &PIN_CATEGORY_CAPTURE); pin && pin->peer())
        return VFW_E_ALREADY_CONNECTED;
    const VIDEOINFOHEADER* vih = video_info(mt);
    if (!(mt->major_type == MEDIATYPE_Video) || !(mt->format_type == FORMAT_VideoInfo) || !vih)
        return VFW_E_INVALIDMEDIATYPE;
    int width = vih->bmi_header.width;
    int height = std::abs(vih->bmi_header.height);
    if (width <= 0 || height <= 0 || !takes(width, height, mt->subtype)) return VFW_E_INVALIDMEDIATYPE;
    AM_MEDIA_TYPE* copy = copy_media_type(mt);
    delete_media_type(format_);
    format_ = copy;
    device_->record_format(SimFormat{width, height, mt->subtype, vih->avg_time_per_frame});
    return S_OK;
}

HRESULT SimSourceFilter::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = static_cast<int>(device_->config().capabilities.size());
    *size = device_->config().capability_record_size;
    return S_OK;
}

HRESULT SimSourceFilter::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) {
    if (!mt || !caps) return E_POINTER;
    *mt = nullptr;
    if (HRESULT hr = planned_result(faults_, "IAMStreamConfig::GetStreamCaps"); FAILED(hr)) return hr;
    const SimDeviceConfig& c = device_->config();
    if (index < 0 || index >= static_cast<int>(c.capabilities.size())) return S_FALSE;
    const SimCapability& cap = c.capabilities[static_cast<size_t>(index)];
    *mt = create_video_media_type(cap.subtype, cap.max_width, cap.max_height, c.avg_time_per_frame);
    const VIDEO_STREAM_CONFIG_CAPS record =
        size_range_caps({cap.min_width, cap.min_height}, {cap.max_width, cap.max_height}, cap.granularity_x,
                        cap.granularity_y, c.avg_time_per_frame);
    size_t bytes = std::min(sizeof record, static_cast<size_t>(std::max(0, c.capability_record_size)));
    std::memcpy(caps, &record, bytes);
    return S_OK;
}

HRESULT SimSourceFilter::get_AvailableTVFormats(int32_t* formats) {
    if (!formats) return E_POINTER;
    *formats = device_->config().tv_formats.value_or(0);
    return S_OK;
}

HRESULT SimSourceFilter::put_TVFormat(int32_t format) {
    const SimDeviceConfig& c = device_->config();
    if (c.put_tv_format_fails) return E_FAIL;
    if ((format & c.tv_formats.value_or(0)) != format || format == 0) return E_INVALIDARG;
    device_->record_tv_format(format);
    return S_OK;
}

HRESULT SimSourceFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->count = 1;
    pages->elements = static_cast<Guid*>(CoTaskMemAlloc(sizeof(Guid)));
    pages->elements[0] = own_guid(0x0601);
    return S_OK;
}

HRESULT SimSourceFilter::start_streaming() {
    const VIDEOINFOHEADER* vih = video_info(format_);
    if (!vih) return VFW_E_INVALIDMEDIATYPE;
    width_ = vih->bmi_header.width;
    height_ = std::abs(vih->bmi_header.height);
    size_t frame = static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3;
    sample_.reserve(frame + static_cast<size_t>(std::max(0, device_->config().sample_length_delta)));
    sample_.set_pointer_fails(device_->config().pointer_fails);
    sent_ = 0;
    handed_down_ = false;
    device_->stream_started();
    return S_OK;
}

void SimSourceFilter::stop_streaming() {
    if (handed_down_) device_->frame_passed_on();
    handed_down_ = false;
    device_->stream_stopped();
}

IMediaSample* SimSourceFilter::next_sample(std::stop_token stop) {
    // Called again only after the graph passed the previous sample on.
    if (handed_down_) device_->frame_passed_on();
    handed_down_ = false;
    if (!device_->wait_for_frame(stop, sent_)) return nullptr;
    const SimDeviceConfig& c = device_->config();
    uint64_t index = static_cast<uint64_t>(sent_++);
    if (c.painter) {
        c.painter(index, width_, height_, sample_.data());
    } else {
        paint_test_pattern(index, width_, height_, sample_.data());
    }
    int32_t frame = width_ * height_ * 3;
    sample_.set_length(std::max(0, frame + c.sample_length_delta));
    sample_.time = static_cast<double>(index) * static_cast<double>(c.avg_time_per_frame) / 1e7;
    handed_down_ = true;
    return &sample_;
}

}  // namespace media::simulated
