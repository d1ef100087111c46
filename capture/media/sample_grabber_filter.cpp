#include "capture/media/sample_grabber_filter.h"

#include <cstring>

#include "capture/media/frame_sample.h"
#include "capture/media/sample_grabber_cb.h"

namespace media {

SampleGrabberFilter::SampleGrabberFilter(std::shared_ptr<FaultPlan> faults) : faults_(std::move(faults)) {
    add_pin(PIN_DIRECTION::input, u"Input")->set_receiver([this](IMediaSample* s) { receive(s); });
    output_ = add_pin(PIN_DIRECTION::output, u"Output");
}

HRESULT SampleGrabberFilter::query_more_interfaces(const Guid& iid, void** out) {
    if (iid == ISampleGrabber::iid) {
        if (HRESULT hr = planned_result(faults_, "QueryInterface(ISampleGrabber)"); FAILED(hr)) return hr;
        return hand_out(static_cast<ISampleGrabber*>(this), out);
    }
    return FilterBase::query_more_interfaces(iid, out);
}

HRESULT SampleGrabberFilter::SetOneShot(bool one_shot) {
    std::lock_guard lock(mutex_);
    one_shot_ = one_shot;
    return S_OK;
}

HRESULT SampleGrabberFilter::SetBufferSamples(bool buffer) {
    std::lock_guard lock(mutex_);
    buffer_samples_ = buffer;
    return S_OK;
}

HRESULT SampleGrabberFilter::SetCallback(ISampleGrabberCB* callback, int32_t method) {
    // Detaching always works: the owner destroys the callback right after.
    if (callback) {
        if (HRESULT hr = planned_result(faults_, "ISampleGrabber::SetCallback"); FAILED(hr)) return hr;
        if (method != 0 && method != 1) return E_INVALIDARG;
    }
    std::lock_guard lock(mutex_);  // waits for a callback call in progress
    if (callback) callback->AddRef();
    if (callback_) callback_->Release();
    callback_ = callback;
    method_ = method;
    return S_OK;
}

HRESULT SampleGrabberFilter::SetMediaType(const AM_MEDIA_TYPE* mt) {
    if (!mt) {
        has_type_ = false;
        return S_OK;
    }
    has_type_ = true;
    subtype_ = mt->subtype;
    return S_OK;
}

HRESULT SampleGrabberFilter::GetCurrentBuffer(int32_t* size, uint8_t* buffer) {
    if (HRESULT hr = planned_result(faults_, "ISampleGrabber::GetCurrentBuffer"); FAILED(hr)) return hr;
    if (!size) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!have_sample_) return VFW_E_WRONG_STATE;
    if (!buffer) {
        *size = kept_length_;
        return S_OK;
    }
    if (*size < kept_length_) return E_OUTOFMEMORY;
    std::memcpy(buffer, kept_.data(), static_cast<size_t>(kept_length_));
    *size = kept_length_;
    return S_OK;
}

void SampleGrabberFilter::receive(IMediaSample* sample) {
    {
        std::lock_guard lock(mutex_);
        uint8_t* data = nullptr;
        int32_t length = sample->GetActualDataLength();
        bool readable = sample->GetPointer(&data) == S_OK && data && length >= 0;
        if (buffer_samples_ && readable) {
            if (kept_.size() < static_cast<size_t>(length)) kept_.resize(static_cast<size_t>(length));
            std::memcpy(kept_.data(), data, static_cast<size_t>(length));
            kept_length_ = length;
            have_sample_ = true;
        }
        if (callback_) {
            auto* frame = dynamic_cast<FrameSample*>(sample);
            double time = frame ? frame->time : 0.0;
            if (method_ == 0) {
                callback_->SampleCB(time, sample);
            } else if (readable) {
                callback_->BufferCB(time, data, length);
            }
        }
    }
    output_->deliver(sample);
}

}  // namespace media
