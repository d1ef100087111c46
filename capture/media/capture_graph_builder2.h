#pragma once
// Builds capture graphs: finds interfaces on a source's pins and connects source, intermediate
// filter and sink.

#include "capture/media/unknown.h"

namespace media {

class IBaseFilter;
class IGraphBuilder;

class ICaptureGraphBuilder2 : public IUnknown {
public:
    static constexpr Guid iid = own_guid(0x050D);
    virtual HRESULT SetFiltergraph(IGraphBuilder* graph) = 0;
    // category: a pin category, LOOK_UPSTREAM_ONLY or null (the filter itself); type: the pin's
    // major type or null.
    virtual HRESULT FindInterface(const Guid* category, const Guid* type, IBaseFilter* filter,
                                  const Guid& iid, void** out) = 0;
    // Connects the source's pin of the category through intermediate to sink. Without a
    // preview pin the capture pin serves the preview.
    virtual HRESULT RenderStream(const Guid* category, const Guid* type, IUnknown* source,
                                 IBaseFilter* intermediate, IBaseFilter* sink) = 0;

protected:
    ~ICaptureGraphBuilder2() = default;
};

}  // namespace media
