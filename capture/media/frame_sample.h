#pragma once
// A sample a source hands down its graph. The source owns it and reuses it for every frame, so
// the streaming path allocates nothing; references are counted but never free it.

#include <cstdint>
#include <vector>

#include "capture/media/media_sample.h"

namespace media {

class FrameSample final : public IMediaSample {
public:
    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT GetPointer(uint8_t** data) override;
    int32_t GetActualDataLength() override { return length_; }

    // Room for `bytes`; allocates only when the stream's size grows.
    void reserve(size_t bytes);
    uint8_t* data() { return bytes_.data(); }
    size_t capacity() const { return bytes_.size(); }
    void set_length(int32_t length) { length_ = length; }
    // A sample whose data pointer can't be had (GetPointer fails).
    void set_pointer_fails(bool fails) { pointer_fails_ = fails; }
    double time = 0;  // seconds since the stream started

private:
    std::vector<uint8_t> bytes_;
    int32_t length_ = 0;
    bool pointer_fails_ = false;
};

}  // namespace media
