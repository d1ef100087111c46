#pragma once
// The filter of a V4L2 camera: its formats and frame sizes as the stream format interface, its
// controls as the property interfaces, and frames streamed through memory-mapped buffers, passed
// on as 24-bit BGR with rows bottom-up.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <opencv2/core/mat.hpp>
#include <vector>

#include "capture/media/am_stream_config.h"
#include "capture/media/frame_sample.h"
#include "capture/media/source_filter.h"

namespace media::v4l2 {

class V4l2Node;

class V4l2SourceFilter final : public SourceFilter, public IAMStreamConfig {
public:
    // node: the opened device, shared with the property controls handed out.
    explicit V4l2SourceFilter(std::shared_ptr<V4l2Node> node);

    HRESULT QueryInterface(const Guid& iid, void** out) override {
        return FilterBase::QueryInterface(iid, out);
    }
    uint32_t AddRef() override { return FilterBase::AddRef(); }
    uint32_t Release() override { return FilterBase::Release(); }

    // The current format; its subtype is the device's pixel format.
    HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
    // S_OK only when the device takes exactly the pixel format and size asked for (the format
    // stays as it was otherwise); a time per frame, when given, is asked for as well.
    HRESULT SetFormat(const AM_MEDIA_TYPE* mt) override;
    // One record per pixel format and size (discrete sizes: minimum = maximum, granularity 1;
    // stepwise ranges: their step).
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) override;

    HRESULT start_streaming() override;
    void stop_streaming() override;
    // Null once stop is asked for; after the device has gone it waits for that stop.
    IMediaSample* next_sample(std::stop_token stop) override;

protected:
    HRESULT query_more_interfaces(const Guid& iid, void** out) override;

private:
    struct Format {
        uint32_t pixel_format = 0;
        int width = 0, height = 0;
    };
    struct Capability {
        uint32_t pixel_format = 0;
        int min_width = 0, min_height = 0, max_width = 0, max_height = 0;
        int step_x = 1, step_y = 1;
    };
    struct MappedBuffer {
        void* data = nullptr;
        size_t length = 0;
    };

    ~V4l2SourceFilter() override;
    void load_capabilities();
    // Average time per frame in 100 ns units; 0 when the device does not say.
    int64_t frame_interval();
    void ask_frame_interval(int64_t avg_time_per_frame);
    // S_FMT with the format; true when the device took exactly it. *result gets the ioctl's result.
    bool set_exactly(const Format& f, int* result);
    HRESULT start_stream();
    void release_buffers();
    // Streaming thread: after the device is gone, nothing comes until stop.
    IMediaSample* wait_for_stop(std::stop_token stop);

    std::shared_ptr<V4l2Node> node_;
    Format format_;         // as the device last took it
    int format_error_ = 0;  // errno of reading the format at the start, 0 when read
    bool capabilities_loaded_ = false;
    std::vector<Capability> capabilities_;

    // Between start_streaming and stop_streaming; the streaming thread only in between.
    bool streaming_ = false;
    uint32_t stream_pixel_format_ = 0;
    int stream_width_ = 0, stream_height_ = 0, stream_stride_ = 0;
    std::vector<MappedBuffer> buffers_;
    FrameSample sample_;
    cv::Mat scratch_;
    bool gone_ = false;
    std::mutex stop_mutex_;
    std::condition_variable_any stop_wait_;
};

}  // namespace media::v4l2
