#pragma once
// Walks a list of device monikers, one at a time.

#include <vector>

#include "capture/media/enum_moniker.h"
#include "capture/media/ref_count.h"

namespace media {

class MonikerEnumerator final : public IEnumMoniker {
public:
    // Takes over one reference on each moniker.
    explicit MonikerEnumerator(std::vector<IMoniker*> monikers);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT Next(IMoniker** moniker) override;

private:
    ~MonikerEnumerator();
    RefCount refs_;
    std::vector<IMoniker*> monikers_;
    size_t next_ = 0;
};

}  // namespace media
