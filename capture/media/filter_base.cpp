#include "capture/media/filter_base.h"

#include <algorithm>

#include "capture/media/enum_pins.h"
#include "capture/media/filter_graph.h"
#include "capture/media/list_enumerator.h"

namespace media {

HRESULT FilterBase::QueryInterface(const Guid& iid, void** out) {
    HRESULT hr = RefCountedObject::QueryInterface(iid, out);
    return hr == E_NOINTERFACE ? query_more_interfaces(iid, out) : hr;
}

HRESULT FilterBase::query_more_interfaces(const Guid&, void** out) {
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT FilterBase::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    *info = FILTER_INFO{};
    size_t n = std::min(name_.size(), std::size(info->name) - 1);
    std::copy_n(name_.begin(), n, info->name);
    info->graph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT FilterBase::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    // A reference on a pin is one on the filter: the walk keeps the filter alive.
    std::vector<IPin*> list;
    for (const auto& p : pins_) {
        p->AddRef();
        list.push_back(p.get());
    }
    *pins = new ListEnumerator<IEnumPins, IPin>(std::move(list));
    return S_OK;
}

HRESULT FilterBase::JoinFilterGraph(IFilterGraph* graph, const char16_t* name) {
    graph_ = graph;
    name_ = name ? std::u16string(name) : std::u16string();
    return S_OK;
}

FilterPin* FilterBase::find_pin(PIN_DIRECTION dir, const Guid* category) const {
    for (const auto& p : pins_) {
        if (p->direction() != dir) continue;
        if (category && !(p->category() && *p->category() == *category)) continue;
        return p.get();
    }
    return nullptr;
}

FilterPin* FilterBase::add_pin(PIN_DIRECTION dir, std::u16string name, const Guid* category) {
    pins_.push_back(std::make_unique<FilterPin>(this, dir, std::move(name), category));
    return pins_.back().get();
}

}  // namespace media
