#pragma once
// The media platform the capture library runs on: the component system (initialisation and
// object creation) with the graph objects every back end shares. A back end supplies the
// cameras by listing their monikers; this base lists none.

#include <atomic>
#include <memory>
#include <vector>

#include "capture/media/fault_plan.h"
#include "capture/media/guid.h"
#include "capture/media/result.h"

namespace media {

class IMoniker;
class IUnknown;
struct CAUUID;

class MediaPlatform {
public:
    MediaPlatform();
    virtual ~MediaPlatform() = default;
    MediaPlatform(const MediaPlatform&) = delete;
    MediaPlatform& operator=(const MediaPlatform&) = delete;

    // S_OK on the first initialisation, S_FALSE when already initialised; RPC_E_CHANGED_MODE
    // when it was set up elsewhere in another mode (still usable).
    HRESULT CoInitialize();
    void CoUninitialize();
    // Creates a graph builder, filter graph, sample grabber, null renderer or the system device
    // enumerator. CO_E_NOTINITIALIZED before CoInitialize.
    HRESULT CoCreateInstance(const Guid& clsid, const Guid& iid, void** out);

    // Shows an object's settings pages in the platform's property frame, captioned, until the
    // user closes it. E_NOTIMPL where the platform has no such frame.
    virtual HRESULT OleCreatePropertyFrame(const char16_t* caption, IUnknown* object, const CAUUID& pages);

    // Outstanding initialisations (for checks that acquire and release balance).
    int initialisations() const { return initialisations_.load(); }
    // Failures on demand, shared with every object this platform creates.
    FaultPlan& faults() { return *faults_; }
    const std::shared_ptr<FaultPlan>& fault_plan() const { return faults_; }

protected:
    // New monikers (one reference each) of the cameras present now, in a stable order.
    virtual std::vector<IMoniker*> list_cameras();

private:
    std::shared_ptr<FaultPlan> faults_;
    std::atomic<int> initialisations_{0};
    std::atomic<bool> set_up_elsewhere_{false};
};

}  // namespace media
