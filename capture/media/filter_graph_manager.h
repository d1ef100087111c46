#pragma once
// The filter graph: holds its filters, connects and disconnects pins, and runs one streaming
// thread while it runs, which takes samples from the source and passes them downstream.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/media/fault_plan.h"
#include "capture/media/graph_builder.h"
#include "capture/media/media_control.h"
#include "capture/media/media_filter.h"
#include "capture/media/ref_count.h"

namespace media {

class FilterPin;
class SourceFilter;

class FilterGraphManager final : public IGraphBuilder, public IMediaControl, public IMediaFilter {
public:
    explicit FilterGraphManager(std::shared_ptr<FaultPlan> faults);

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return refs_.add(); }
    uint32_t Release() override;

    HRESULT AddFilter(IBaseFilter* filter, const char16_t* name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT Disconnect(IPin* pin) override;

    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    HRESULT SetSyncSource(IUnknown* clock) override;

    bool running() const { return running_; }
    bool holds(IBaseFilter* filter) const;
    // Links two free pins of filters in this graph (output to input).
    HRESULT connect(FilterPin* out, FilterPin* in);

private:
    ~FilterGraphManager();
    void halt();
    static void disconnect_all(IBaseFilter* filter);

    RefCount refs_;
    std::shared_ptr<FaultPlan> faults_;
    std::vector<IBaseFilter*> filters_;  // one reference each
    bool running_ = false;
    SourceFilter* streaming_source_ = nullptr;
    std::jthread streaming_;
};

}  // namespace media
