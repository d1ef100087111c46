#pragma once
// The capture graph builder over our filter graph.

#include <memory>

#include "capture/media/capture_graph_builder2.h"
#include "capture/media/fault_plan.h"
#include "capture/media/ref_count.h"

namespace media {

class FilterGraphManager;

class CaptureGraphBuilder final : public ICaptureGraphBuilder2 {
public:
    explicit CaptureGraphBuilder(std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT FindInterface(const Guid* category, const Guid* type, IBaseFilter* filter, const Guid& iid,
                          void** out) override;
    HRESULT RenderStream(const Guid* category, const Guid* type, IUnknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;

private:
    ~CaptureGraphBuilder();

    RefCount refs_;
    std::shared_ptr<FaultPlan> faults_;
    IGraphBuilder* graph_ = nullptr;  // one reference
};

}  // namespace media
