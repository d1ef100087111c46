#pragma once
// Walks a list of platform objects one at a time, holding one reference on each while it lives:
// a graph's filters (IEnumFilters), a category's devices (IEnumMoniker), a filter's pins
// (IEnumPins).

#include <cstddef>
#include <vector>

#include "capture/media/ref_counted_object.h"

namespace media {

template <typename Interface, typename Item>
class ListEnumerator final : public RefCountedObject<Interface> {
public:
    // Takes over one reference on each item.
    explicit ListEnumerator(std::vector<Item*> items) : items_(std::move(items)) {}

    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    // S_OK with the next item (one reference added), S_FALSE and null at the end.
    HRESULT Next(Item** item) override {
        if (!item) return E_POINTER;
        *item = nullptr;
        if (next_ >= items_.size()) return S_FALSE;
        *item = items_[next_++];
        (*item)->AddRef();
        return S_OK;
    }

private:
    ~ListEnumerator() override {
        for (Item* item : items_) item->Release();
    }

    std::vector<Item*> items_;
    size_t next_ = 0;
};

}  // namespace media
