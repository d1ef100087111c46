#pragma once
// Walks a snapshot of a graph's filters, holding a reference on each.

#include <vector>

#include "capture/media/enum_filters.h"
#include "capture/media/ref_count.h"

namespace media {

class FilterEnumerator final : public IEnumFilters {
public:
    // Adds a reference to each filter.
    explicit FilterEnumerator(std::vector<IBaseFilter*> filters);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;
    HRESULT Next(IBaseFilter** filter) override;

private:
    ~FilterEnumerator();
    RefCount refs_;
    std::vector<IBaseFilter*> filters_;
    size_t next_ = 0;
};

}  // namespace media
