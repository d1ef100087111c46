#include "capture/media/media_platform.h"

#include "capture/media/capture_graph_builder.h"
#include "capture/media/device_enumerator.h"
#include "capture/media/filter_graph_manager.h"
#include "capture/media/null_renderer_filter.h"
#include "capture/media/sample_grabber_filter.h"

namespace media {

MediaPlatform::MediaPlatform() : faults_(std::make_shared<FaultPlan>()) {}

std::vector<IMoniker*> MediaPlatform::list_cameras() { return {}; }

HRESULT MediaPlatform::OleCreatePropertyFrame(const char16_t*, IUnknown*, const CAUUID&) { return E_NOTIMPL; }

HRESULT MediaPlatform::CoInitialize() {
    HRESULT hr = faults_->check("CoInitialize");
    if (hr == RPC_E_CHANGED_MODE) {
        set_up_elsewhere_ = true;
        return hr;
    }
    if (FAILED(hr)) return hr;
    return initialisations_.fetch_add(1) == 0 ? S_OK : S_FALSE;
}

void MediaPlatform::CoUninitialize() {
    int n = initialisations_.load();
    while (n > 0 && !initialisations_.compare_exchange_weak(n, n - 1)) {
    }
}

HRESULT MediaPlatform::CoCreateInstance(const Guid& clsid, const Guid& iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (initialisations_.load() == 0 && !set_up_elsewhere_) return CO_E_NOTINITIALIZED;

    IUnknown* object = nullptr;
    if (clsid == CLSID_SystemDeviceEnum) {
        if (HRESULT hr = faults_->check("CoCreateInstance(CLSID_SystemDeviceEnum)"); FAILED(hr)) return hr;
        object = new DeviceEnumerator(list_cameras(), faults_);
    } else if (clsid == CLSID_CaptureGraphBuilder2) {
        if (HRESULT hr = faults_->check("CoCreateInstance(CLSID_CaptureGraphBuilder2)"); FAILED(hr)) return hr;
        object = new CaptureGraphBuilder(faults_);
    } else if (clsid == CLSID_FilterGraph) {
        if (HRESULT hr = faults_->check("CoCreateInstance(CLSID_FilterGraph)"); FAILED(hr)) return hr;
        object = static_cast<IGraphBuilder*>(new FilterGraphManager(faults_));
    } else if (clsid == CLSID_SampleGrabber) {
        if (HRESULT hr = faults_->check("CoCreateInstance(CLSID_SampleGrabber)"); FAILED(hr)) return hr;
        object = static_cast<IBaseFilter*>(new SampleGrabberFilter(faults_));
    } else if (clsid == CLSID_NullRenderer) {
        if (HRESULT hr = faults_->check("CoCreateInstance(CLSID_NullRenderer)"); FAILED(hr)) return hr;
        object = new NullRendererFilter();
    } else {
        return REGDB_E_CLASSNOTREG;
    }
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();  // the creation reference; the asked interface holds its own
    return hr;
}

}  // namespace media
