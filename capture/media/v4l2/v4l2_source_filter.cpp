#include "capture/media/v4l2/v4l2_source_filter.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>

#include "capture/media/stream_config_caps.h"
#include "capture/media/v4l2/frame_conversion.h"
#include "capture/media/v4l2/v4l2_error.h"
#include "capture/media/v4l2/v4l2_node.h"
#include "capture/media/v4l2/v4l2_property_control.h"
#include "platform/console.h"

namespace media::v4l2 {
namespace {

constexpr uint32_t kBufferCount = 4;
// poll() is called in slices of this length so that a stop request is seen promptly.
constexpr int kPollSliceMs = 50;
// Guards against drivers (or scripts) whose enumerations never end.
constexpr uint32_t kMaxFormats = 64;
constexpr uint32_t kMaxSizes = 256;

bool is_fourcc_subtype(const Guid& subtype) { return subtype == fourcc_guid(subtype.Data1); }

v4l2_format make_format(uint32_t pixel_format, int width, int height) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    f.fmt.pix.width = static_cast<uint32_t>(width);
    f.fmt.pix.height = static_cast<uint32_t>(height);
    f.fmt.pix.pixelformat = pixel_format;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    return f;
}

// Bytes per line of the first plane when the driver leaves it to us.
int default_stride(uint32_t pixel_format, int width) {
    switch (pixel_format) {
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_RGB24:
            return width * 3;
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            return width * 2;
        default:
            return width;
    }
}

}  // namespace

V4l2SourceFilter::V4l2SourceFilter(std::shared_ptr<V4l2Node> node)
    : SourceFilter(false), node_(std::move(node)) {
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (int r = node_->xioctl(VIDIOC_G_FMT, &f); r != 0) {
        format_error_ = -r;
        return;
    }
    format_ =
        Format{f.fmt.pix.pixelformat, static_cast<int>(f.fmt.pix.width), static_cast<int>(f.fmt.pix.height)};
}

V4l2SourceFilter::~V4l2SourceFilter() { stop_streaming(); }

HRESULT V4l2SourceFilter::query_more_interfaces(const Guid& iid, void** out) {
    if (iid == IAMStreamConfig::iid) return hand_out(static_cast<IAMStreamConfig*>(this), out);
    if (iid == IAMVideoProcAmp::iid) {
        *out = static_cast<IAMVideoProcAmp*>(new V4l2PropertyControl<IAMVideoProcAmp>(node_, false));
        return S_OK;
    }
    if (iid == IAMCameraControl::iid) {
        *out = static_cast<IAMCameraControl*>(new V4l2PropertyControl<IAMCameraControl>(node_, true));
        return S_OK;
    }
    return SourceFilter::query_more_interfaces(iid, out);
}

int64_t V4l2SourceFilter::frame_interval() {
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (node_->xioctl(VIDIOC_G_PARM, &p) != 0 || !(p.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
        return 0;
    const v4l2_fract& t = p.parm.capture.timeperframe;
    if (t.denominator == 0) return 0;
    return static_cast<int64_t>(t.numerator) * 10000000 / t.denominator;
}

void V4l2SourceFilter::ask_frame_interval(int64_t avg_time_per_frame) {
    if (avg_time_per_frame <= 0) return;
    int64_t units = std::min<int64_t>(avg_time_per_frame, UINT32_MAX);
    int64_t common = std::gcd(units, int64_t{10000000});
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    p.parm.capture.timeperframe.numerator = static_cast<uint32_t>(units / common);
    p.parm.capture.timeperframe.denominator = static_cast<uint32_t>(10000000 / common);
    node_->xioctl(VIDIOC_S_PARM, &p);  // the nearest rate the camera has is good enough
}

HRESULT V4l2SourceFilter::GetFormat(AM_MEDIA_TYPE** mt) {
    if (!mt) return E_POINTER;
    *mt = nullptr;
    if (format_error_) return hresult_from_errno(format_error_);
    *mt = create_video_media_type(fourcc_guid(format_.pixel_format), format_.width, format_.height,
                                  frame_interval());
    return S_OK;
}

bool V4l2SourceFilter::set_exactly(const Format& want, int* result) {
    v4l2_format f = make_format(want.pixel_format, want.width, want.height);
    *result = node_->xioctl(VIDIOC_S_FMT, &f);
    return *result == 0 && f.fmt.pix.pixelformat == want.pixel_format &&
           static_cast<int>(f.fmt.pix.width) == want.width &&
           static_cast<int>(f.fmt.pix.height) == want.height;
}

HRESULT V4l2SourceFilter::SetFormat(const AM_MEDIA_TYPE* mt) {
    if (!mt) return E_POINTER;
    if (streaming_) return VFW_E_NOT_STOPPED;
    const VIDEOINFOHEADER* vih = video_info(mt);
    if (!vih || !(mt->major_type == MEDIATYPE_Video) || !(mt->format_type == FORMAT_VideoInfo) ||
        !is_fourcc_subtype(mt->subtype))
        return VFW_E_INVALIDMEDIATYPE;
    const Format want{mt->subtype.Data1, vih->bmi_header.width, std::abs(vih->bmi_header.height)};
    if (want.width <= 0 || want.height <= 0) return VFW_E_INVALIDMEDIATYPE;

    int r = 0;
    if (!set_exactly(want, &r)) {
        if (r != 0) return hresult_from_errno(-r);  // a refused S_FMT changes nothing
        // The device moved to something near; put back what it had.
        if (format_error_ == 0) set_exactly(format_, &r);
        return VFW_E_INVALIDMEDIATYPE;
    }
    format_ = want;
    format_error_ = 0;
    ask_frame_interval(vih->avg_time_per_frame);
    return S_OK;
}

void V4l2SourceFilter::load_capabilities() {
    if (capabilities_loaded_) return;
    capabilities_loaded_ = true;
    for (uint32_t i = 0; i < kMaxFormats; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (node_->xioctl(VIDIOC_ENUM_FMT, &desc) != 0) break;
        bool any_size = false;
        for (uint32_t j = 0; j < kMaxSizes; ++j) {
            v4l2_frmsizeenum size{};
            size.index = j;
            size.pixel_format = desc.pixelformat;
            if (node_->xioctl(VIDIOC_ENUM_FRAMESIZES, &size) != 0) break;
            any_size = true;
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                int w = static_cast<int>(size.discrete.width);
                int h = static_cast<int>(size.discrete.height);
                capabilities_.push_back(Capability{desc.pixelformat, w, h, w, h, 1, 1});
                continue;
            }
            // A range is one record; continuous ranges go in steps of one pixel.
            const v4l2_frmsize_stepwise& s = size.stepwise;
            bool continuous = size.type == V4L2_FRMSIZE_TYPE_CONTINUOUS;
            capabilities_.push_back(Capability{desc.pixelformat, static_cast<int>(s.min_width),
                                               static_cast<int>(s.min_height), static_cast<int>(s.max_width),
                                               static_cast<int>(s.max_height),
                                               continuous ? 1 : static_cast<int>(s.step_width),
                                               continuous ? 1 : static_cast<int>(s.step_height)});
            break;
        }
        // A driver that lists no sizes still has the one it runs at.
        if (!any_size && format_error_ == 0 && desc.pixelformat == format_.pixel_format) {
            capabilities_.push_back(Capability{desc.pixelformat, format_.width, format_.height, format_.width,
                                               format_.height, 1, 1});
        }
    }
}

HRESULT V4l2SourceFilter::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    load_capabilities();
    *count = static_cast<int>(capabilities_.size());
    *size = static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS));
    return S_OK;
}

HRESULT V4l2SourceFilter::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) {
    if (!mt || !caps) return E_POINTER;
    *mt = nullptr;
    load_capabilities();
    if (index < 0 || index >= static_cast<int>(capabilities_.size())) return S_FALSE;
    const Capability& c = capabilities_[static_cast<size_t>(index)];
    const int64_t interval = frame_interval();
    *mt = create_video_media_type(fourcc_guid(c.pixel_format), c.max_width, c.max_height, interval);
    const VIDEO_STREAM_CONFIG_CAPS record = size_range_caps(
        {c.min_width, c.min_height}, {c.max_width, c.max_height}, c.step_x, c.step_y, interval);
    std::memcpy(caps, &record, sizeof record);
    return S_OK;
}

HRESULT V4l2SourceFilter::start_streaming() {
    HRESULT hr = start_stream();
    // The library says only that the graph did not start; the reason (busy, no USB bandwidth
    // left for a second camera ...) is the user's best clue.
    if (FAILED(hr) && errno_of(hr) != 0)
        platform::console_error_printf("%s: cannot start streaming: %s\n", node_->path().c_str(),
                                       std::strerror(errno_of(hr)));
    return hr;
}

HRESULT V4l2SourceFilter::start_stream() {
    if (streaming_) return S_OK;
    if (format_error_) return hresult_from_errno(format_error_);

    // BGR straight from the device layer (libv4l2 converts) when it has it at this size; the
    // device's own format, converted here, otherwise.
    v4l2_format used = make_format(V4L2_PIX_FMT_BGR24, format_.width, format_.height);
    int r = node_->xioctl(VIDIOC_S_FMT, &used);
    const bool bgr = r == 0 && used.fmt.pix.pixelformat == V4L2_PIX_FMT_BGR24 &&
                     static_cast<int>(used.fmt.pix.width) == format_.width &&
                     static_cast<int>(used.fmt.pix.height) == format_.height;
    if (!bgr) {
        if (!can_convert_to_bgr(format_.pixel_format)) {
            if (r == 0) set_exactly(format_, &r);
            return VFW_E_INVALIDMEDIATYPE;
        }
        used = v4l2_format{};
        used.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (r = node_->xioctl(VIDIOC_G_FMT, &used); r != 0) return hresult_from_errno(-r);
        const auto& pix = used.fmt.pix;
        if (pix.pixelformat != format_.pixel_format || static_cast<int>(pix.width) != format_.width ||
            static_cast<int>(pix.height) != format_.height) {
            used = make_format(format_.pixel_format, format_.width, format_.height);
            if (r = node_->xioctl(VIDIOC_S_FMT, &used); r != 0) return hresult_from_errno(-r);
            if (used.fmt.pix.pixelformat != format_.pixel_format ||
                static_cast<int>(used.fmt.pix.width) != format_.width ||
                static_cast<int>(used.fmt.pix.height) != format_.height)
                return VFW_E_INVALIDMEDIATYPE;
        }
    }
    stream_pixel_format_ = used.fmt.pix.pixelformat;
    stream_width_ = format_.width;
    stream_height_ = format_.height;
    stream_stride_ = used.fmt.pix.bytesperline != 0 ? static_cast<int>(used.fmt.pix.bytesperline)
                                                    : default_stride(stream_pixel_format_, stream_width_);

    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (r = node_->xioctl(VIDIOC_REQBUFS, &request); r != 0) return hresult_from_errno(-r);
    streaming_ = true;  // from here on stop_streaming undoes what was done
    if (request.count == 0) {
        stop_streaming();
        return E_OUTOFMEMORY;
    }
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        b.index = i;
        void* data = nullptr;
        if ((r = node_->xioctl(VIDIOC_QUERYBUF, &b)) != 0 ||
            (r = node_->ops().mmap(node_->fd(), b.length, b.m.offset, &data)) != 0) {
            stop_streaming();
            return hresult_from_errno(-r);
        }
        buffers_.push_back(MappedBuffer{data, b.length});
        if ((r = node_->xioctl(VIDIOC_QBUF, &b)) != 0) {
            stop_streaming();
            return hresult_from_errno(-r);
        }
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (r = node_->xioctl(VIDIOC_STREAMON, &type); r != 0) {
        stop_streaming();
        return hresult_from_errno(-r);
    }
    sample_.reserve(static_cast<size_t>(stream_width_) * static_cast<size_t>(stream_height_) * 3);
    gone_ = false;
    return S_OK;
}

void V4l2SourceFilter::release_buffers() {
    for (const MappedBuffer& b : buffers_) node_->ops().munmap(b.data, b.length);
    buffers_.clear();
    v4l2_requestbuffers request{};
    request.count = 0;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    node_->xioctl(VIDIOC_REQBUFS, &request);
}

void V4l2SourceFilter::stop_streaming() {
    if (!streaming_) return;
    // Errors are expected here when the device has gone; everything is released regardless.
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    node_->xioctl(VIDIOC_STREAMOFF, &type);
    release_buffers();
    streaming_ = false;
}

IMediaSample* V4l2SourceFilter::wait_for_stop(std::stop_token stop) {
    std::unique_lock lock(stop_mutex_);
    stop_wait_.wait(lock, stop, [] { return false; });
    return nullptr;
}

IMediaSample* V4l2SourceFilter::next_sample(std::stop_token stop) {
    auto end_delivery = [&](int error) {
        platform::console_error_printf("%s: %s - no more frames\n", node_->path().c_str(),
                                       std::strerror(error));
        gone_ = true;
    };
    while (!stop.stop_requested()) {
        if (gone_) return wait_for_stop(stop);
        int events = node_->ops().poll(node_->fd(), kPollSliceMs);
        if (events == 0 || events == -EINTR) continue;
        if (events < 0) {
            end_delivery(-events);
            continue;
        }
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        int r = node_->xioctl(VIDIOC_DQBUF, &b);
        if (r == -EAGAIN) continue;
        // Anything else (ENODEV after an unplug, EIO of a queue in error) ends the stream.
        if (r != 0 || b.index >= buffers_.size()) {
            end_delivery(r != 0 ? -r : EINVAL);
            continue;
        }
        const MappedBuffer& mapped = buffers_[b.index];
        const size_t used = std::min<size_t>(b.bytesused, mapped.length);
        const bool ok =
            !(b.flags & V4L2_BUF_FLAG_ERROR) &&
            convert_to_bottom_up_bgr(stream_pixel_format_, static_cast<const uint8_t*>(mapped.data), used,
                                     stream_width_, stream_height_, stream_stride_, sample_.data(), scratch_);
        if (r = node_->xioctl(VIDIOC_QBUF, &b); r != 0) end_delivery(-r);
        if (!ok) continue;  // a damaged frame is skipped, as the camera would drop it
        sample_.set_length(stream_width_ * stream_height_ * 3);
        sample_.time =
            static_cast<double>(b.timestamp.tv_sec) + static_cast<double>(b.timestamp.tv_usec) / 1e6;
        return &sample_;
    }
    return nullptr;
}

}  // namespace media::v4l2
