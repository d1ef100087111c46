#pragma once
// The filter of a simulated camera: stream formats and capabilities as scripted, the analog
// decoder, property controls, and frames painted into one reused sample.

#include <memory>

#include "capture/media/am_analog_video_decoder.h"
#include "capture/media/am_stream_config.h"
#include "capture/media/fault_plan.h"
#include "capture/media/frame_sample.h"
#include "capture/media/source_filter.h"
#include "capture/media/specify_property_pages.h"

namespace media::simulated {

class SimDevice;

class SimSourceFilter final : public SourceFilter,
                              public IAMStreamConfig,
                              public IAMAnalogVideoDecoder,
                              public ISpecifyPropertyPages {
public:
    SimSourceFilter(std::shared_ptr<SimDevice> device, std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
    uint32_t AddRef() override { return FilterBase::AddRef(); }
    uint32_t Release() override { return FilterBase::Release(); }

    HRESULT GetFormat(AM_MEDIA_TYPE** mt) override;
    HRESULT SetFormat(const AM_MEDIA_TYPE* mt) override;
    HRESULT GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, uint8_t* caps) override;

    HRESULT get_AvailableTVFormats(int32_t* formats) override;
    HRESULT put_TVFormat(int32_t format) override;

    // One settings page.
    HRESULT GetPages(CAUUID* pages) override;

    HRESULT start_streaming() override;
    void stop_streaming() override;
    IMediaSample* next_sample(std::stop_token stop) override;
    HRESULT find_upstream(const Guid& iid, void** out) override;

protected:
    HRESULT query_more_interfaces(const Guid& iid, void** out) override;

private:
    ~SimSourceFilter() override;
    bool takes(int width, int height, const Guid& subtype) const;

    std::shared_ptr<SimDevice> device_;
    std::shared_ptr<FaultPlan> faults_;
    AM_MEDIA_TYPE* format_ = nullptr;
    // Streaming thread only, between start_streaming and stop_streaming.
    FrameSample sample_;
    int width_ = 0, height_ = 0;
    int sent_ = 0;
    bool handed_down_ = false;
};

}  // namespace media::simulated
