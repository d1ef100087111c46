#include "capture/media/filter_graph_manager.h"

#include <algorithm>
#include <chrono>

#include "capture/media/enum_filters.h"
#include "capture/media/filter_base.h"
#include "capture/media/frame_sample.h"
#include "capture/media/list_enumerator.h"
#include "capture/media/source_filter.h"

namespace media {
namespace {

// The graph's own filters are all FilterBase; anything else can't be wired.
FilterBase* as_filter(IBaseFilter* f) { return dynamic_cast<FilterBase*>(f); }

}  // namespace

FilterGraphManager::FilterGraphManager(std::shared_ptr<FaultPlan> faults) : faults_(std::move(faults)) {}

FilterGraphManager::~FilterGraphManager() {
    halt();
    for (IBaseFilter* f : filters_) {
        disconnect_all(f);
        f->JoinFilterGraph(nullptr, nullptr);
    }
    for (IBaseFilter* f : filters_) f->Release();
}

HRESULT FilterGraphManager::QueryInterface(const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IUnknown::iid || iid == IFilterGraph::iid || iid == IGraphBuilder::iid) {
        *out = static_cast<IGraphBuilder*>(this);
    } else if (iid == IMediaControl::iid) {
        if (HRESULT hr = planned_result(faults_, "QueryInterface(IMediaControl)"); FAILED(hr)) return hr;
        *out = static_cast<IMediaControl*>(this);
    } else if (iid == IMediaFilter::iid) {
        if (HRESULT hr = planned_result(faults_, "QueryInterface(IMediaFilter)"); FAILED(hr)) return hr;
        *out = static_cast<IMediaFilter*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

uint32_t FilterGraphManager::Release() {
    uint32_t n = refs_.release();
    if (n == 0) delete this;
    return n;
}

bool FilterGraphManager::holds(IBaseFilter* filter) const {
    return std::find(filters_.begin(), filters_.end(), filter) != filters_.end();
}

HRESULT FilterGraphManager::AddFilter(IBaseFilter* filter, const char16_t* name) {
    if (HRESULT hr = planned_result(faults_, "IFilterGraph::AddFilter"); FAILED(hr)) return hr;
    if (!filter) return E_POINTER;
    if (holds(filter)) return E_INVALIDARG;
    filter->AddRef();
    filters_.push_back(filter);
    filter->JoinFilterGraph(this, name);
    return S_OK;
}

void FilterGraphManager::disconnect_all(IBaseFilter* filter) {
    FilterBase* f = as_filter(filter);
    if (!f) return;
    for (const auto& pin : f->pins()) {
        if (FilterPin* peer = pin->peer()) peer->unlink();
        pin->unlink();
    }
}

HRESULT FilterGraphManager::RemoveFilter(IBaseFilter* filter) {
    if (HRESULT hr = planned_result(faults_, "IFilterGraph::RemoveFilter"); FAILED(hr)) return hr;
    if (running_) return VFW_E_NOT_STOPPED;
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    filters_.erase(it);
    disconnect_all(filter);
    filter->JoinFilterGraph(nullptr, nullptr);
    filter->Release();
    return S_OK;
}

HRESULT FilterGraphManager::EnumFilters(IEnumFilters** filters) {
    if (HRESULT hr = planned_result(faults_, "IFilterGraph::EnumFilters"); FAILED(hr)) return hr;
    if (!filters) return E_POINTER;
    for (IBaseFilter* f : filters_) f->AddRef();
    *filters = new ListEnumerator<IEnumFilters, IBaseFilter>(filters_);
    return S_OK;
}

HRESULT FilterGraphManager::Disconnect(IPin* pin) {
    if (!pin) return E_POINTER;
    if (running_) return VFW_E_NOT_STOPPED;
    auto* p = dynamic_cast<FilterPin*>(pin);
    if (!p || !p->peer()) return S_FALSE;
    p->unlink();
    return S_OK;
}

HRESULT FilterGraphManager::connect(FilterPin* out, FilterPin* in) {
    if (running_) return VFW_E_NOT_STOPPED;
    if (!out || !in) return E_POINTER;
    if (out->direction() != PIN_DIRECTION::output || in->direction() != PIN_DIRECTION::input) return E_INVALIDARG;
    if (!holds(out->owner()) || !holds(in->owner())) return VFW_E_NOT_IN_GRAPH;
    if (out->peer() || in->peer()) return VFW_E_ALREADY_CONNECTED;
    out->link(in);
    in->link(out);
    return S_OK;
}

HRESULT FilterGraphManager::Run() {
    HRESULT hr = planned_result(faults_, "IMediaControl::Run");
    if (FAILED(hr)) return hr;
    if (running_) return hr;
    // The source whose output goes somewhere streams; a graph without one runs idle.
    streaming_source_ = nullptr;
    for (IBaseFilter* f : filters_) {
        auto* source = dynamic_cast<SourceFilter*>(f);
        if (!source) continue;
        bool connected = std::any_of(source->pins().begin(), source->pins().end(),
                                     [](const auto& p) { return p->peer() != nullptr; });
        if (connected) {
            streaming_source_ = source;
            break;
        }
    }
    if (streaming_source_) {
        if (HRESULT started = streaming_source_->start_streaming(); FAILED(started)) {
            streaming_source_ = nullptr;
            return started;
        }
        SourceFilter* source = streaming_source_;
        streaming_ = std::jthread([source](std::stop_token stop) {
            while (!stop.stop_requested()) {
                IMediaSample* sample = source->next_sample(stop);
                if (!sample) continue;
                for (const auto& pin : source->pins()) {
                    if (pin->direction() == PIN_DIRECTION::output) pin->deliver(sample);
                }
            }
        });
    }
    running_ = true;
    return hr;
}

void FilterGraphManager::halt() {
    if (streaming_.joinable()) {
        streaming_.request_stop();
        streaming_.join();
    }
    if (streaming_source_) {
        streaming_source_->stop_streaming();
        streaming_source_ = nullptr;
    }
    running_ = false;
}

HRESULT FilterGraphManager::Pause() {
    if (HRESULT hr = planned_result(faults_, "IMediaControl::Pause"); FAILED(hr)) return hr;
    halt();  // a live source delivers nothing while paused
    return S_OK;
}

HRESULT FilterGraphManager::Stop() {
    if (HRESULT hr = planned_result(faults_, "IMediaControl::Stop"); FAILED(hr)) return hr;
    halt();
    return S_OK;
}

HRESULT FilterGraphManager::SetSyncSource(IUnknown* clock) {
    // Samples always pass on as they arrive; a reference clock is not offered.
    return clock ? E_NOTIMPL : S_OK;
}

}  // namespace media
