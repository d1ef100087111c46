#pragma once
// The capture graph builder over our filter graph.

#include <memory>

#include "capture/media/capture_graph_builder2.h"
#include "capture/media/fault_plan.h"
#include "capture/media/ref_counted_object.h"

namespace media {

class FilterGraphManager;

class CaptureGraphBuilder final : public RefCountedObject<ICaptureGraphBuilder2> {
public:
    explicit CaptureGraphBuilder(std::shared_ptr<FaultPlan> faults);

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT FindInterface(const Guid* category, const Guid* type, IBaseFilter* filter, const Guid& iid,
                          void** out) override;
    HRESULT RenderStream(const Guid* category, const Guid* type, IUnknown* source,
                         IBaseFilter* intermediate, IBaseFilter* sink) override;

private:
    ~CaptureGraphBuilder() override;

    std::shared_ptr<FaultPlan> faults_;
    IGraphBuilder* graph_ = nullptr;  // one reference
};

}  // namespace media
