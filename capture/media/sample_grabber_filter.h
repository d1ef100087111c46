#pragma once
// The sample grabber: passes samples through, hands each one to its callback and, when asked,
// keeps a copy of the latest for GetCurrentBuffer.

#include <memory>
#include <mutex>
#include <vector>

#include "capture/media/fault_plan.h"
#include "capture/media/filter_base.h"
#include "capture/media/sample_grabber.h"

namespace media {

class SampleGrabberFilter final : public FilterBase, public ISampleGrabber {
public:
    explicit SampleGrabberFilter(std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
    uint32_t AddRef() override { return FilterBase::AddRef(); }
    uint32_t Release() override { return FilterBase::Release(); }

    HRESULT SetOneShot(bool one_shot) override;
    HRESULT SetBufferSamples(bool buffer) override;
    HRESULT SetCallback(ISampleGrabberCB* callback, int32_t method) override;
    HRESULT SetMediaType(const AM_MEDIA_TYPE* mt) override;
    HRESULT GetCurrentBuffer(int32_t* size, uint8_t* buffer) override;

    // The subtype asked for with SetMediaType, or null when any type is taken.
    const Guid* wanted_subtype() const { return has_type_ ? &subtype_ : nullptr; }

protected:
    HRESULT query_more_interfaces(const Guid& iid, void** out) override;

private:
    void receive(IMediaSample* sample);

    std::shared_ptr<FaultPlan> faults_;
    FilterPin* output_ = nullptr;
    bool has_type_ = false;
    Guid subtype_;
    // Guards the callback and the kept sample against the streaming thread.
    std::mutex mutex_;
    ISampleGrabberCB* callback_ = nullptr;
    int32_t method_ = 0;
    bool buffer_samples_ = false;
    bool one_shot_ = false;  // kept for the interface; the capture graphs never use one-shot
    bool have_sample_ = false;
    std::vector<uint8_t> kept_;
    int32_t kept_length_ = 0;
};

}  // namespace media
