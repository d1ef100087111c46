#pragma once
// A filter's own settings pages, and the frame that shows them.

#include <cstdint>

#include "capture/media/unknown.h"

namespace media {

// A counted list of page identifiers, allocated with CoTaskMemAlloc.
struct CAUUID {
    uint32_t count = 0;
    Guid* elements = nullptr;
};

class ISpecifyPropertyPages : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x0516);
    virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
    ~ISpecifyPropertyPages() = default;
};

}  // namespace media
