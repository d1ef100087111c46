#include "capture/media/capture_graph_builder.h"

#include "capture/media/filter_graph_manager.h"
#include "capture/media/sample_grabber_filter.h"
#include "capture/media/source_filter.h"

namespace media {

CaptureGraphBuilder::CaptureGraphBuilder(std::shared_ptr<FaultPlan> faults) : faults_(std::move(faults)) {}

CaptureGraphBuilder::~CaptureGraphBuilder() { release_and_clear(graph_); }

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (HRESULT hr = planned_result(faults_, "ICaptureGraphBuilder2::SetFiltergraph"); FAILED(hr)) return hr;
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED;
    graph->AddRef();
    graph_ = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::FindInterface(const Guid* category, const Guid* type, IBaseFilter* filter,
                                           const Guid& iid, void** out) {
    if (!filter || !out) return E_POINTER;
    *out = nullptr;
    auto* base = dynamic_cast<FilterBase*>(filter);
    auto* source = dynamic_cast<SourceFilter*>(filter);
    auto upstream = [&]() -> HRESULT { return source ? source->find_upstream(iid, out) : E_NOINTERFACE; };

    if (category && *category == LOOK_UPSTREAM_ONLY) return upstream();
    if (category) {
        // The pin of that category (and major type) must exist; its interfaces are the
        // filter's own.
        FilterPin* pin = nullptr;
        if (base) {
            for (const auto& p : base->pins()) {
                if (p->direction() != PIN_DIRECTION::output || !p->category() || !(*p->category() == *category))
                    continue;
                if (type && !(p->major_type() == *type)) continue;
                pin = p.get();
                break;
            }
        }
        if (!pin) return E_FAIL;
        if (SUCCEEDED(pin->QueryInterface(iid, out))) return S_OK;
    }
    if (SUCCEEDED(filter->QueryInterface(iid, out))) return S_OK;
    return SUCCEEDED(upstream()) ? S_OK : E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::RenderStream(const Guid* category, const Guid*, IUnknown* source_unknown,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (HRESULT hr = planned_result(faults_, "ICaptureGraphBuilder2::RenderStream"); FAILED(hr)) return hr;
    auto* graph = dynamic_cast<FilterGraphManager*>(graph_);
    if (!graph) return E_UNEXPECTED;
    if (!source_unknown || !sink) return E_POINTER;
    IBaseFilter* source_filter = nullptr;
    if (FAILED(query_interface(source_unknown, &source_filter))) return E_NOINTERFACE;
    auto* source = dynamic_cast<SourceFilter*>(source_filter);
    source_filter->Release();  // the graph holds it
    if (!source) return E_INVALIDARG;

    // Without a preview pin the capture pin serves the preview as well.
    FilterPin* out = category ? source->find_pin(PIN_DIRECTION::output, category) : nullptr;
    if (!out) out = source->find_pin(PIN_DIRECTION::output, &PIN_CATEGORY_CAPTURE);
    if (!out) return E_FAIL;

    auto* grabber = dynamic_cast<SampleGrabberFilter*>(intermediate);
    if (grabber && grabber->wanted_subtype() && !source->can_deliver(*grabber->wanted_subtype()))
        return VFW_E_INVALIDMEDIATYPE;

    auto* sink_base = dynamic_cast<FilterBase*>(sink);
    FilterPin* sink_in = sink_base ? sink_base->find_pin(PIN_DIRECTION::input) : nullptr;
    if (!sink_in) return E_INVALIDARG;
    if (!intermediate) return graph->connect(out, sink_in);

    auto* mid = dynamic_cast<FilterBase*>(intermediate);
    FilterPin* mid_in = mid ? mid->find_pin(PIN_DIRECTION::input) : nullptr;
    FilterPin* mid_out = mid ? mid->find_pin(PIN_DIRECTION::output) : nullptr;
    if (!mid_in || !mid_out) return E_INVALIDARG;
    if (mid_out->peer() || sink_in->peer()) return VFW_E_ALREADY_CONNECTED;
    if (HRESULT hr = graph->connect(out, mid_in); FAILED(hr)) return hr;
    if (HRESULT hr = graph->connect(mid_out, sink_in); FAILED(hr)) {
        out->unlink();
        mid_in->unlink();
        return hr;
    }
    return S_OK;
}

}  // namespace media
