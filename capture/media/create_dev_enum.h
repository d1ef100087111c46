#pragma once
// The system device enumerator.

#include "capture/media/unknown.h"

namespace media {

class IEnumMoniker;

class ICreateDevEnum : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0504);
    // S_OK with an enumerator; S_FALSE and null when the category is empty.
    virtual HRESULT CreateClassEnumerator(const Guid& category, IEnumMoniker** out) = 0;

protected:
    ~ICreateDevEnum() = default;
};

}  // namespace media
