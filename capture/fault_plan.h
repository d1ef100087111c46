#pragma once
// Failures on demand for the steps of the capture library, so tests can make any step fail,
// including those with nothing on Linux behind them (the graph-building steps). Without a plan
// entry every step works.

#include <array>
#include <cstddef>
#include <mutex>

namespace capture {

// Every step the library can be made to fail at, in the order a device meets them.
enum class Step {
    initialize,          // the component system is set up elsewhere in another mode (still usable)
    uninitialize,        // counted only
    list_devices,        // the device listing can't be had: no devices
    create_builder,      // "Could not create the Filter Graph Manager"
    create_graph,        // "Could not add the graph builder!"
    set_filtergraph,     // "Could not set filtergraph"
    get_media_control,   // "Could not create the Media Control object"
    bind_device,         // the camera can't be bound: "Could not find specified video device"
    find_preview_pin,    // no preview stream: the capture stream is used
    find_stream_config,  // "Couldn't config the stream!"
    get_format,          // the current format can't be read
    set_format,          // a format is refused
    capabilities,        // the format list can't be read: the closest-size search finds nothing
    stream_caps,         // one entry of the format list can't be read: it is skipped
    create_grabber,      // "Could not Create Sample Grabber"
    add_filter,          // counted per filter: the camera, the grabber, the renderer
    get_grabber,         // "Could not query SampleGrabber"
    set_callback,        // "problem setting callback"
    create_renderer,     // "Could not create filter - NullRenderer"
    render_stream,       // "Could not connect pins"
    get_media_filter,    // "Could not get IID_IMediaFilter interface" (the build goes on)
    run,                 // "Could not start graph"
    pause,               // teardown: "Could not pause pControl"
    stop,                // teardown: "Could not stop pControl"
    enum_filters,        // teardown: the graph's filters can't be listed
    remove_filter,       // teardown: a filter can't be removed
    get_current_buffer,  // buffered mode: no frame can be had
    settings_interface,  // a settings operation finds no property interface on the camera
};
inline constexpr size_t kStepCount = static_cast<size_t>(Step::settings_interface) + 1;

class FaultPlan {
public:
    // After `after` more calls that work, the next `times` calls of the step fail (-1: every call
    // from then on).
    void fail(Step step, int times = -1, int after = 0);
    // Counts a call of the step; true when this call must fail.
    bool fails(Step step);
    // Calls of the step so far.
    int calls(Step step) const;

private:
    struct Entry {
        int remaining = 0;  // -1: unlimited
        int spared = 0;     // calls still let through first
        int calls = 0;
    };
    mutable std::mutex mutex_;
    std::array<Entry, kStepCount> entries_{};
};

}  // namespace capture
